// The warping equation of one reference pixel, with the terms that depend only on the two
// cameras formed once per warp. Every caller (the product warp, the border that sizes the
// window, the public WarpPixel) goes through ApplyWarp, so a vertex gets the very same position
// whichever path warps it.
#pragma once

// The parts of the warping equation that depend only on the two cameras: for K = K_x, K_y,
// K_w (b_d x c_d, c_d x a_d, a_d x b_d) the dot products with a_r, b_r, c_r and the baseline
// t = refCOP - desCOP, and c_d . K_w, the sign of D for points in front of the new camera.
struct WarpConstants {
    double dAx, dBx, dCx, dTx;
    double dAy, dBy, dCy, dTy;
    double dAw, dBw, dCw, dTw;
    double dFront;
};

WarpConstants ComputeWarpConstants(const double refP[3][3], const double desP[3][3],
                                   const double refCOP[3], const double desCOP[3]);

// The warping equation with its constants formed: X, Y and D as ((a.K) u + (b.K) v) + c.K,
// plus (t.K) disparity, in that order. False (and NaN positions) for a point without a usable
// position: |D| <= 1e-20, not in front of the new camera, or a non-finite result.
bool ApplyWarp(const WarpConstants& k, double u, double v, double disparity, double* outX,
               double* outY);

// Where one reference pixel lands in the new image plane.
struct WarpedPixel {
    double dX, dY;
    bool bUsable;
};
