// The straightforward warp, kept outside the product as the reference that the fast warp must
// reproduce bit for bit: every triangle warps its three vertices afresh, every position of the
// clipped box goes through the full crossing-count test, and the sheets run one after the other
// on one thread. It carries every mend of the product (usable-vertex test, clipped box, far
// point of the lower-left quadrant, bounded window, degenerate-W order) so that any difference
// in a differential test is a fault of the fast path.
#pragma once

#include <string>
#include <vector>

#include "image/ViewImage.h"

// What one oracle warp produced: the grid, its window and what the warp report would say.
struct OracleResult {
    int nWidth = 0, nHeight = 0;
    int nXOff = 0, nYOff = 0;
    bool bCut = false;
    int nZone = 0, nEx = 0, nEy = 0;
    double dW = 0.0;
    bool bDegenerate = false;
    double newP[3][3] = {};
    double newCOP[3] = {};
    std::vector<PixelSample> samples;          // row-major, row 0 first
    std::vector<WarpReport::Message> messages; // message texts of the warp with their counts
};

// The free move (angles in degrees, absolute new centre) warped the plain way. Opens its own
// message scope, like the product's constructor.
void OracleFreeMove(double rotX, double rotY, double rotZ, const double position[3],
                    const CViewImage& source, OracleResult& result);
// The focus move warped the plain way, in its own message scope.
void OracleFocusMove(double rotX, double rotY, double rotZ, double zoom, const CViewImage& source,
                     OracleResult& result);
// SetupWarp of the plain form for a chosen camera and zone (no message scope of its own; the
// messages are those of the caller's scope). result.messages stays empty.
void OracleSetupWarp(const CViewImage& source, const double newP[3][3], const double newCOP[3],
                     int nZone, int ex, int ey, OracleResult& result);
