// The parallel warp of a whole traversal: the pixel warp, the preparation of the triangles and
// the fill of the target split among threads so that the grid and the messages are exactly
// those of drawing every triangle in traversal order on one thread.
#pragma once

#include <vector>

#include "image/ViewImage.h"
#include "warp/Sheets.h"

// The part of the target's plane a warp fills: columns nColLo..nColHi and rows nRowLo..nRowHi
// (plane coordinates, inclusive). Empty when a low end is above its high end.
struct WarpClip {
    int nColLo, nColHi, nRowLo, nRowHi;
    bool IsEmpty() const { return nColLo > nColHi || nRowLo > nRowHi; }
};

// Draws the sheets (in order) of the source into the grid of the target, whose window starts
// at plane column xOff and row yOff, at the positions of the clip only (which must lie within
// the grid): every triangle's box is clipped to it, and the cost estimate is formed over those
// boxes. Needs a source grid that the sheets stay on and a target grid (samples or colours,
// filled alike). "Too TINY" is shown on the calling thread, as often as the one-thread order
// shows it at the positions of the clip; the helper threads report into the calling thread's
// scopes. Returns 0; or, when the estimated
// cost of the fill is over the budget, that cost, having drawn nothing and shown nothing.
long long WarpSheets(const WarpSheet* pSheets, int nSheets, const CViewImage& source,
                     const CViewImage& target, int xOff, int yOff, const WarpClip& clip);

// Splits the window's rows into at most nBands bands of about equal work, from the summed
// per-row work differences of every thread (+w at the first row of a box, -w after its last;
// w its width; nHeight + 1 entries each). firstRows receives the first plane row of every band
// and one past the last row; returns the number of bands (1 when the window is too low to
// split).
int SplitRows(const std::vector<std::vector<double>>& rowDeltas, int nYOff, int nHeight,
              unsigned nBands, std::vector<int>& firstRows);
