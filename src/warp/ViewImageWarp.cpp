// The warping engine of CViewImage: the warping equation for one pixel, the rasteriser of one
// warped triangle, the four sheet traversals with the zone dispatch that fixes the
// occlusion-compatible order, and the setup that sizes and clears the new grid.
//
// This is the plain form of the algorithm, one step after the other as written down, and it
// serves as the reference that any faster warp must reproduce bit for bit.
#include <cmath>
#include <cstdio>
#include <limits>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "math/Matrix.h"

namespace {

// Source images are 200 x 200: row length and last index are fixed, not read from the image.
constexpr int kSourceSide = 200;
constexpr int kSourceLast = 199;

// The bounds of the warped border are clamped to these values so that the grid spans at most
// kMaxWarpSide samples each way: xOff = trunc(minX - 1) >= -1024, xHi = trunc(maxX + 1) <= 1023.
constexpr double kMinBound = -(CViewImage::kMaxWarpSide / 2) + 1.0; // -1023
constexpr double kMaxBound = CViewImage::kMaxWarpSide / 2 - 2.0;    // 1022

bool IsSourceUsable(const CViewImage& source) {
    return source.GetSamples() != nullptr && source.GetWidth() == kSourceSide &&
           source.GetHeight() == kSourceSide;
}

} // namespace

bool CViewImage::WarpPixel(double u, double v, const double refP[3][3], const double desP[3][3],
                           const double refCOP[3], const double desCOP[3], double disparity,
                           double* outX, double* outY) const {
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

    const double X = ((matrix.DotProduct(ar, kx) * u + matrix.DotProduct(br, kx) * v) +
                      matrix.DotProduct(cr, kx)) +
                     matrix.DotProduct(t, kx) * disparity;
    const double Y = ((matrix.DotProduct(ar, ky) * u + matrix.DotProduct(br, ky) * v) +
                      matrix.DotProduct(cr, ky)) +
                     matrix.DotProduct(t, ky) * disparity;
    const double D = ((matrix.DotProduct(ar, kw) * u + matrix.DotProduct(br, kw) * v) +
                      matrix.DotProduct(cr, kw)) +
                     matrix.DotProduct(t, kw) * disparity;

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
    const double dFront = matrix.DotProduct(cd, kw);
    const bool bInFront = (D > 0.0 && dFront > 0.0) || (D < 0.0 && dFront < 0.0);
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

void CViewImage::TriangleBounds(double x1, double y1, double x2, double y2, double x3, double y3,
                                double* minX, double* maxX, double* minY, double* maxY) const {
    double dMinX = x1 < x2 ? x1 : x2;
    double dMaxX = x1 > x2 ? x1 : x2;
    double dMinY = y1 < y2 ? y1 : y2;
    double dMaxY = y1 > y2 ? y1 : y2;
    *minX = dMinX < x3 ? dMinX : x3;
    *maxX = dMaxX > x3 ? dMaxX : x3;
    *minY = dMinY < y3 ? dMinY : y3;
    *maxY = dMaxY > y3 ? dMaxY : y3;
}

void CViewImage::WarpTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int xOff, int yOff,
                              const CViewImage& reference) {
    const PixelSample* pRef = reference.GetSamples();
    const bool bVerticesInside = x1 >= 0 && x1 <= kSourceLast && y1 >= 0 && y1 <= kSourceLast &&
                                 x2 >= 0 && x2 <= kSourceLast && y2 >= 0 && y2 <= kSourceLast &&
                                 x3 >= 0 && x3 <= kSourceLast && y3 >= 0 && y3 <= kSourceLast;
    MORROW_ASSERT(bVerticesInside && IsSourceUsable(reference) && m_pSamples != nullptr);
    if (!bVerticesInside || !IsSourceUsable(reference) || m_pSamples == nullptr)
        return;

    const PixelSample& s1 = pRef[y1 * kSourceSide + x1];
    const PixelSample& s2 = pRef[y2 * kSourceSide + x2];
    const PixelSample& s3 = pRef[y3 * kSourceSide + x3];

    double X1, Y1, X2, Y2, X3, Y3;
    const bool bOk1 =
        WarpPixel(x1, y1, reference.m_P, m_P, reference.m_COP, m_COP, s1.disparity, &X1, &Y1);
    const bool bOk2 =
        WarpPixel(x2, y2, reference.m_P, m_P, reference.m_COP, m_COP, s2.disparity, &X2, &Y2);
    const bool bOk3 =
        WarpPixel(x3, y3, reference.m_P, m_P, reference.m_COP, m_COP, s3.disparity, &X3, &Y3);
    // A vertex without a position (in the plane of the new centre of projection, or behind
    // the new camera) would spread the triangle across the whole window: it is not drawn.
    if (!bOk1 || !bOk2 || !bOk3)
        return;

    CMatrix matrix;
    if (matrix.IsTriangleLargeEnough(X1, Y1, X2, Y2, X3, Y3) == 0)
        return;

    double minX, maxX, minY, maxY;
    TriangleBounds(X1, Y1, X2, Y2, X3, Y3, &minX, &maxX, &minY, &maxY);

    // The box trunc(min - 0.5) .. trunc(max + 1.0) clipped to the target window. Truncation is
    // monotone and the window limits are integers, so clamping before truncating gives the
    // same positions as clipping afterwards, and every conversion stays in the int range.
    const int nWindowX1 = xOff + m_nWidth - 1;
    const int nWindowY1 = yOff + m_nHeight - 1;
    double dXs = minX - 0.5, dXe = maxX + 1.0, dYs = minY - 0.5, dYe = maxY + 1.0;
    if (dXs > nWindowX1 || dXe < xOff || dYs > nWindowY1 || dYe < yOff)
        return;
    if (dXs < xOff)
        dXs = xOff;
    if (dXe > nWindowX1)
        dXe = nWindowX1;
    if (dYs < yOff)
        dYs = yOff;
    if (dYe > nWindowY1)
        dYe = nWindowY1;
    const int xs = static_cast<int>(dXs), xe = static_cast<int>(dXe);
    const int ys = static_cast<int>(dYs), ye = static_cast<int>(dYe);

    for (int x = xs; x <= xe; ++x) {
        for (int y = ys; y <= ye; ++y) {
            const double px = x, py = y;
            if (matrix.PointInTriangle(px, py, X1, Y1, X2, Y2, X3, Y3) == 0)
                continue;
            const double red = matrix.InterpolateInTriangle(s1.red, s2.red, s3.red, px, py, X1, Y1,
                                                            X2, Y2, X3, Y3);
            const double green = matrix.InterpolateInTriangle(s1.green, s2.green, s3.green, px, py,
                                                              X1, Y1, X2, Y2, X3, Y3);
            const double blue = matrix.InterpolateInTriangle(s1.blue, s2.blue, s3.blue, px, py, X1,
                                                             Y1, X2, Y2, X3, Y3);
            // A negative value is the interpolation's failure signal (all channels fail
            // together); a black vertex 1 fails to -0 and is stored.
            if (!(red >= 0 && green >= 0 && blue >= 0))
                continue;
            const int nCol = x - xOff, nRow = y - yOff;
            if (nCol < 0 || nCol > m_nWidth - 1 || nRow < 0 || nRow > m_nHeight - 1)
                continue;
            PixelSample& target = m_pSamples[static_cast<long>(nRow) * m_nWidth + nCol];
            target.red = red;
            target.green = green;
            target.blue = blue;
        }
    }
}

void CViewImage::EmitTriangle(const CViewImage& source, int x1, int y1, int x2, int y2, int x3,
                              int y3, int xOff, int yOff) {
    if (m_pTriangleRecorder) {
        m_pTriangleRecorder->push_back({x1, y1, x2, y2, x3, y3});
        return;
    }
    WarpTriangle(x1, y1, x2, y2, x3, y3, xOff, yOff, source);
}

void CViewImage::TraverseXIncYInc(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x0; x <= x1 - 1; ++x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            EmitTriangle(source, x, y, x + 1, y, x, y + 1, xOff, yOff);
            EmitTriangle(source, x, y + 1, x + 1, y, x + 1, y + 1, xOff, yOff);
        }
    }
}

void CViewImage::TraverseXDecYInc(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x1; x >= x0 + 1; --x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            EmitTriangle(source, x, y, x - 1, y, x, y + 1, xOff, yOff);
            EmitTriangle(source, x - 1, y, x, y + 1, x - 1, y + 1, xOff, yOff);
        }
    }
}

void CViewImage::TraverseXDecYDec(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x1; x >= x0 + 1; --x) {
        for (int y = y1; y >= y0 + 1; --y) {
            EmitTriangle(source, x, y, x - 1, y, x, y - 1, xOff, yOff);
            EmitTriangle(source, x - 1, y, x, y - 1, x - 1, y - 1, xOff, yOff);
        }
    }
}

void CViewImage::TraverseXIncYDec(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x0; x <= x1 - 1; ++x) {
        for (int y = y1; y >= y0 + 1; --y) {
            EmitTriangle(source, x, y, x, y - 1, x + 1, y, xOff, yOff);
            EmitTriangle(source, x, y - 1, x + 1, y, x + 1, y - 1, xOff, yOff);
        }
    }
}

void CViewImage::TraverseZone(const CViewImage& source, int nZone, int ex, int ey, int xOff,
                              int yOff) {
    // A zone from ClassifyEpipole has its split column and row on the grid; an id paired with
    // a foreign ex or ey must still not reach outside it.
    if (ex < 0)
        ex = 0;
    if (ex > kSourceLast)
        ex = kSourceLast;
    if (ey < 0)
        ey = 0;
    if (ey > kSourceLast)
        ey = kSourceLast;
    const int L = kSourceLast;
    switch (nZone) {
    case 1:
        TraverseXDecYInc(source, 0, 0, L, L, xOff, yOff);
        break;
    case 2:
        TraverseXIncYInc(source, 0, 0, ex, L, xOff, yOff);
        TraverseXDecYInc(source, ex, 0, L, L, xOff, yOff);
        break;
    case 3:
        TraverseXIncYInc(source, 0, 0, L, L, xOff, yOff);
        break;
    case 4:
        TraverseXDecYDec(source, 0, ey, L, L, xOff, yOff);
        TraverseXDecYInc(source, 0, 0, L, ey, xOff, yOff);
        break;
    case 5:
        TraverseXIncYInc(source, 0, 0, ex, ey, xOff, yOff);
        TraverseXDecYInc(source, ex, 0, L, ey, xOff, yOff);
        TraverseXDecYDec(source, ex, ey, L, L, xOff, yOff);
        TraverseXIncYDec(source, 0, ey, ex, L, xOff, yOff);
        break;
    case 6:
        TraverseXIncYDec(source, 0, ey, L, L, xOff, yOff);
        TraverseXIncYInc(source, 0, 0, L, ey, xOff, yOff);
        break;
    case 7:
        TraverseXDecYDec(source, 0, 0, L, L, xOff, yOff);
        break;
    case 8:
        TraverseXDecYDec(source, ex, 0, L, L, xOff, yOff);
        TraverseXIncYDec(source, 0, 0, ex, L, xOff, yOff);
        break;
    case 9:
        TraverseXIncYDec(source, 0, 0, L, L, xOff, yOff);
        break;
    case -1:
        TraverseXIncYDec(source, 0, 0, L, L, xOff, yOff);
        break;
    case -2:
        TraverseXDecYDec(source, 0, 0, ex, L, xOff, yOff);
        TraverseXIncYDec(source, ex, 0, L, L, xOff, yOff);
        break;
    case -3:
        TraverseXDecYDec(source, 0, 0, L, L, xOff, yOff);
        break;
    case -4:
        TraverseXIncYInc(source, 0, ey, L, L, xOff, yOff);
        TraverseXIncYDec(source, 0, 0, L, ey, xOff, yOff);
        break;
    case -5:
        TraverseXDecYDec(source, 0, 0, ex, ey, xOff, yOff);
        TraverseXIncYDec(source, ex, 0, L, ey, xOff, yOff);
        TraverseXIncYInc(source, ex, ey, L, L, xOff, yOff);
        TraverseXDecYInc(source, 0, ey, ex, L, xOff, yOff);
        break;
    case -6:
        TraverseXDecYInc(source, 0, ey, L, L, xOff, yOff);
        TraverseXDecYDec(source, 0, 0, L, ey, xOff, yOff);
        break;
    case -7:
        TraverseXIncYInc(source, 0, 0, L, L, xOff, yOff);
        break;
    case -8:
        TraverseXIncYInc(source, ex, 0, L, L, xOff, yOff);
        TraverseXDecYInc(source, 0, 0, ex, L, xOff, yOff);
        break;
    case -9:
        TraverseXDecYInc(source, 0, 0, L, L, xOff, yOff);
        break;
    default:
        ShowMessageBox("Wrong Zone id");
        break;
    }
}

void CViewImage::ComputeWarpBounds(const double srcP[3][3], const double newP[3][3],
                                   const double srcCOP[3], const double newCOP[3],
                                   const PixelSample* pSource, double* minX, double* maxX,
                                   double* minY, double* maxY) const {
    double dMinX = 0.0, dMaxX = 0.0, dMinY = 0.0, dMaxY = 0.0;
    // Row 0, column 0, row 199, column 199; the corners are warped twice.
    auto warpBorder = [&](int x, int y) {
        double X, Y;
        // A border pixel without a usable position says nothing about the extent.
        if (!WarpPixel(x, y, srcP, newP, srcCOP, newCOP, pSource[y * kSourceSide + x].disparity, &X,
                       &Y))
            return;
        if (X < dMinX)
            dMinX = X;
        if (X > dMaxX)
            dMaxX = X;
        if (Y < dMinY)
            dMinY = Y;
        if (Y > dMaxY)
            dMaxY = Y;
    };
    if (pSource) {
        for (int x = 0; x <= kSourceLast; ++x)
            warpBorder(x, 0);
        for (int y = 0; y <= kSourceLast; ++y)
            warpBorder(0, y);
        for (int x = 0; x <= kSourceLast; ++x)
            warpBorder(x, kSourceLast);
        for (int y = 0; y <= kSourceLast; ++y)
            warpBorder(kSourceLast, y);
    }
    *minX = dMinX;
    *maxX = dMaxX;
    *minY = dMinY;
    *maxY = dMaxY;
}

bool CViewImage::WarpWindow(double minX, double maxX, double minY, double maxY, int* xOff,
                            int* yOff, int* nWidth, int* nHeight) {
    // A camera looking almost along the source image plane sends the border very far: the
    // window is cut to a fixed range around the origin of the new image plane. The bounds are
    // finite (unusable border pixels never reach them), so every conversion is in range.
    // The box always holds the origin; a caller's box that does not (or NaN) is widened to it.
    if (!(minX <= 0.0))
        minX = 0.0;
    if (!(maxX >= 0.0))
        maxX = 0.0;
    if (!(minY <= 0.0))
        minY = 0.0;
    if (!(maxY >= 0.0))
        maxY = 0.0;
    bool bCut = false;
    if (minX < kMinBound) {
        minX = kMinBound;
        bCut = true;
    }
    if (maxX > kMaxBound) {
        maxX = kMaxBound;
        bCut = true;
    }
    if (minY < kMinBound) {
        minY = kMinBound;
        bCut = true;
    }
    if (maxY > kMaxBound) {
        maxY = kMaxBound;
        bCut = true;
    }
    *xOff = static_cast<int>(minX - 1.0);
    *yOff = static_cast<int>(minY - 1.0);
    const int xHi = static_cast<int>(maxX + 1.0);
    const int yHi = static_cast<int>(maxY + 1.0);
    *nWidth = xHi - *xOff + 1;
    *nHeight = yHi - *yOff + 1;
    return bCut;
}

void CViewImage::SetupWarp(const CViewImage& source, int nZone, int ex, int ey) {
    // Without a 200 x 200 source grid there is nothing to warp: the new image gets the cleared
    // 3 x 3 grid of an empty border (xOff = yOff = -1) and no traversal runs.
    const bool bSourceUsable = IsSourceUsable(source);
    MORROW_ASSERT(bSourceUsable);

    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    if (bSourceUsable)
        ComputeWarpBounds(source.m_P, m_P, source.m_COP, m_COP, source.GetSamples(), &minX, &maxX,
                          &minY, &maxY);

    int xOff, yOff;
    const bool bCut = WarpWindow(minX, maxX, minY, maxY, &xOff, &yOff, &m_nWidth, &m_nHeight);

    const long nCount = static_cast<long>(m_nWidth) * m_nHeight;
    PixelSample* pGrid = new PixelSample[nCount];
    for (long i = 0; i < nCount; ++i)
        pGrid[i] = PixelSample{0.0, 0.0, 0.0, 1.0};
    SetSamples(pGrid);

    m_WarpReport.nZone = nZone;
    m_WarpReport.nEx = ex;
    m_WarpReport.nEy = ey;
    m_WarpReport.nXOff = xOff;
    m_WarpReport.nYOff = yOff;
    m_WarpReport.bCut = bCut;

    if (bCut) {
        char szText[160];
        std::snprintf(szText, sizeof szText,
                      "The warped image is too large and has been cut to %d x %d pixels.", m_nWidth,
                      m_nHeight);
        ShowMessageBox(szText);
    }
    if (!bSourceUsable) {
        TraceLine("no 200 x 200 source grid to warp: the warped image stays black\n");
        return;
    }
    TraverseZone(source, nZone, ex, ey, xOff, yOff);
}
