// The zone table: for every zone row of the epipole, the sheets that draw the source in an
// occlusion-compatible order (towards the epipole when W > 0, away from it when W < 0).
#include "warp/Sheets.h"

#include <algorithm>

int ZoneSheets(int nZone, int ex, int ey, int nLastX, int nLastY, WarpSheet sheets[4]) {
    // A zone from ClassifyEpipole has its split column and row on the grid; an id paired with
    // a foreign ex or ey must still not reach outside it.
    ex = std::min(std::max(ex, 0), nLastX);
    ey = std::min(std::max(ey, 0), nLastY);
    const int L = nLastX, T = nLastY;
    const ESweep II = ESweep::XIncYInc, DI = ESweep::XDecYInc, DD = ESweep::XDecYDec,
                 ID = ESweep::XIncYDec;
    int n = 0;
    auto add = [&](ESweep e, int x0, int y0, int x1, int y1) { sheets[n++] = {e, x0, y0, x1, y1}; };
    switch (nZone) {
    case 1:
        add(DI, 0, 0, L, T);
        break;
    case 2:
        add(II, 0, 0, ex, T);
        add(DI, ex, 0, L, T);
        break;
    case 3:
        add(II, 0, 0, L, T);
        break;
    case 4:
        add(DD, 0, ey, L, T);
        add(DI, 0, 0, L, ey);
        break;
    case 5:
        add(II, 0, 0, ex, ey);
        add(DI, ex, 0, L, ey);
        add(DD, ex, ey, L, T);
        add(ID, 0, ey, ex, T);
        break;
    case 6:
        add(ID, 0, ey, L, T);
        add(II, 0, 0, L, ey);
        break;
    case 7:
        add(DD, 0, 0, L, T);
        break;
    case 8:
        add(DD, ex, 0, L, T);
        add(ID, 0, 0, ex, T);
        break;
    case 9:
        add(ID, 0, 0, L, T);
        break;
    case -1:
        add(ID, 0, 0, L, T);
        break;
    case -2:
        add(DD, 0, 0, ex, T);
        add(ID, ex, 0, L, T);
        break;
    case -3:
        add(DD, 0, 0, L, T);
        break;
    case -4:
        add(II, 0, ey, L, T);
        add(ID, 0, 0, L, ey);
        break;
    case -5:
        add(DD, 0, 0, ex, ey);
        add(ID, ex, 0, L, ey);
        add(II, ex, ey, L, T);
        add(DI, 0, ey, ex, T);
        break;
    case -6:
        add(DI, 0, ey, L, T);
        add(DD, 0, 0, L, ey);
        break;
    case -7:
        add(II, 0, 0, L, T);
        break;
    case -8:
        add(II, ex, 0, L, T);
        add(DI, 0, 0, ex, T);
        break;
    case -9:
        add(DI, 0, 0, L, T);
        break;
    default:
        break;
    }
    return n;
}
