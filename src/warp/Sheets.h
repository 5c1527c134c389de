// The sheets of the occlusion-compatible order: the four sweeps that walk a rectangle of source
// cells towards or away from the epipole, and the table that gives every zone row its sheets.
//
// A sweep hands every cell of its rectangle to a triangle sink as two triangles, with the
// vertex order of the traversal it stands for (the first vertex is the one the interpolation
// measures from). The product warp and the triangle recorder of the tests share these loops,
// so the order they record is the order that is drawn.
#pragma once

#include <algorithm>

// One sheet of a zone row: the sweep that draws it and its rectangle of source pixels
// (inclusive corners; the cells are those whose lower-left pixel is x0..x1 - 1, y0..y1 - 1).
enum class ESweep { XIncYInc, XDecYInc, XDecYDec, XIncYDec };
struct WarpSheet {
    ESweep eSweep;
    int x0, y0, x1, y1;
};

// The sheets of zone row nZone (+-1..9) for the split column ex and row ey, in the order they
// are drawn; returns their number, 0 for an id outside the table. The source grid has the
// columns 0..nLastX and the rows 0..nLastY; ex and ey are clamped onto it first, so a foreign
// pair never reaches outside it.
int ZoneSheets(int nZone, int ex, int ey, int nLastX, int nLastY, WarpSheet sheets[4]);

// The number of outer-loop (column) steps of a sheet; 0 for a sheet without cells.
inline int SheetSteps(const WarpSheet& sheet) {
    return sheet.x0 < sheet.x1 && sheet.y0 < sheet.y1 ? sheet.x1 - sheet.x0 : 0;
}

// The four sweeps. Only the steps nStepLo .. nStepHi - 1 of the outer (column) loop are run,
// counted from its first column, 0 <= nStepLo <= nStepHi <= x1 - x0; sink(x1, y1, x2, y2, x3, y3)
// receives the vertices of every triangle.
template <class Sink>
void SweepXIncYInc(int x0, int y0, int y1, int nStepLo, int nStepHi, const Sink& sink) {
    for (int x = x0 + nStepLo; x < x0 + nStepHi; ++x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            sink(x, y, x + 1, y, x, y + 1);
            sink(x, y + 1, x + 1, y, x + 1, y + 1);
        }
    }
}

template <class Sink>
void SweepXDecYInc(int x1, int y0, int y1, int nStepLo, int nStepHi, const Sink& sink) {
    for (int x = x1 - nStepLo; x > x1 - nStepHi; --x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            sink(x, y, x - 1, y, x, y + 1);
            sink(x - 1, y, x, y + 1, x - 1, y + 1);
        }
    }
}

template <class Sink>
void SweepXDecYDec(int x1, int y0, int y1, int nStepLo, int nStepHi, const Sink& sink) {
    for (int x = x1 - nStepLo; x > x1 - nStepHi; --x) {
        for (int y = y1; y >= y0 + 1; --y) {
            sink(x, y, x - 1, y, x, y - 1);
            sink(x - 1, y, x, y - 1, x - 1, y - 1);
        }
    }
}

template <class Sink>
void SweepXIncYDec(int x0, int y0, int y1, int nStepLo, int nStepHi, const Sink& sink) {
    for (int x = x0 + nStepLo; x < x0 + nStepHi; ++x) {
        for (int y = y1; y >= y0 + 1; --y) {
            sink(x, y, x, y - 1, x + 1, y);
            sink(x, y - 1, x + 1, y, x + 1, y - 1);
        }
    }
}

// The steps nStepLo .. nStepHi - 1 of a sheet (clipped to its steps).
template <class Sink>
void RunSheetSteps(const WarpSheet& sheet, int nStepLo, int nStepHi, const Sink& sink) {
    nStepLo = std::max(nStepLo, 0);
    nStepHi = std::min(nStepHi, SheetSteps(sheet));
    if (nStepLo >= nStepHi)
        return;
    switch (sheet.eSweep) {
    case ESweep::XIncYInc:
        SweepXIncYInc(sheet.x0, sheet.y0, sheet.y1, nStepLo, nStepHi, sink);
        break;
    case ESweep::XDecYInc:
        SweepXDecYInc(sheet.x1, sheet.y0, sheet.y1, nStepLo, nStepHi, sink);
        break;
    case ESweep::XDecYDec:
        SweepXDecYDec(sheet.x1, sheet.y0, sheet.y1, nStepLo, nStepHi, sink);
        break;
    case ESweep::XIncYDec:
        SweepXIncYDec(sheet.x0, sheet.y0, sheet.y1, nStepLo, nStepHi, sink);
        break;
    }
}

// Every triangle of a sheet.
template <class Sink> void RunSheet(const WarpSheet& sheet, const Sink& sink) {
    RunSheetSteps(sheet, 0, SheetSteps(sheet), sink);
}

// A sheet draws nothing when its rectangle has no cell.
inline bool IsSheetEmpty(const WarpSheet& sheet) {
    return sheet.x0 >= sheet.x1 || sheet.y0 >= sheet.y1;
}

// A sheet stays on the grid of columns 0..nLastX and rows 0..nLastY when its corners do.
inline bool IsSheetOnGrid(const WarpSheet& sheet, int nLastX, int nLastY) {
    return sheet.x0 >= 0 && sheet.x1 <= nLastX && sheet.y0 >= 0 && sheet.y1 <= nLastY;
}
