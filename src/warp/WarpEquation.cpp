// The warping equation: constants of a camera pair and the position of one reference pixel.
#include "warp/WarpEquation.h"

#include <cmath>
#include <limits>

#include "framework/Services.h"
#include "math/Matrix.h"

WarpConstants ComputeWarpConstants(const double refP[3][3], const double desP[3][3],
                                   const double refCOP[3], const double desCOP[3]) {
    const double ar[3] = {refP[0][0], refP[1][0], refP[2][0]};
    const double br[3] = {refP[0][1], refP[1][1], refP[2][1]};
    const double cr[3] = {refP[0][2], refP[1][2], refP[2][2]};
    const double ad[3] = {desP[0][0], desP[1][0], desP[2][0]};
    const double bd[3] = {desP[0][1], desP[1][1], desP[2][1]};
    const double cd[3] = {desP[0][2], desP[1][2], desP[2][2]};

    CMatrix matrix;
    double kx[3], ky[3], kw[3];
    matrix.CrossProduct(bd, cd, kx);
    matrix.CrossProduct(cd, ad, ky);
    matrix.CrossProduct(ad, bd, kw);
    const double t[3] = {refCOP[0] - desCOP[0], refCOP[1] - desCOP[1], refCOP[2] - desCOP[2]};

    WarpConstants k;
    k.dAx = matrix.DotProduct(ar, kx);
    k.dBx = matrix.DotProduct(br, kx);
    k.dCx = matrix.DotProduct(cr, kx);
    k.dTx = matrix.DotProduct(t, kx);
    k.dAy = matrix.DotProduct(ar, ky);
    k.dBy = matrix.DotProduct(br, ky);
    k.dCy = matrix.DotProduct(cr, ky);
    k.dTy = matrix.DotProduct(t, ky);
    k.dAw = matrix.DotProduct(ar, kw);
    k.dBw = matrix.DotProduct(br, kw);
    k.dCw = matrix.DotProduct(cr, kw);
    k.dTw = matrix.DotProduct(t, kw);
    k.dFront = matrix.DotProduct(cd, kw);
    return k;
}

bool ApplyWarp(const WarpConstants& k, double u, double v, double disparity, double* outX,
               double* outY) {
    const double X = ((k.dAx * u + k.dBx * v) + k.dCx) + k.dTx * disparity;
    const double Y = ((k.dAy * u + k.dBy * v) + k.dCy) + k.dTy * disparity;
    const double D = ((k.dAw * u + k.dBw * v) + k.dCw) + k.dTw * disparity;

    const double dNaN = std::numeric_limits<double>::quiet_NaN();
    *outX = dNaN;
    *outY = dNaN;
    if (std::fabs(D) <= 1e-20) {
        // The point lies in the plane of the new centre of projection parallel to its image
        // plane: it has no position there.
        MORROW_ASSERT(std::fabs(D) > 1e-20);
        return false;
    }
    // R and -R land on the same position, so a point behind the new camera would appear
    // mirrored. The new image plane itself (ray c_d, D = c_d . K_w) is in front by definition.
    const bool bInFront = (D > 0.0 && k.dFront > 0.0) || (D < 0.0 && k.dFront < 0.0);
    if (!bInFront) // also NaN
        return false;
    const double dX = X / D;
    const double dY = Y / D;
    if (!std::isfinite(dX) || !std::isfinite(dY))
        return false;
    *outX = dX;
    *outY = dY;
    return true;
}
