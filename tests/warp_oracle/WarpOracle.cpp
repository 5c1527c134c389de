#include "WarpOracle.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "framework/Services.h"
#include "math/Matrix.h"
#include "warp/Warp.h"

namespace {

constexpr int kSourceSide = 200;
constexpr int kSourceLast = 199;
constexpr double kMinBound = -(CViewImage::kMaxWarpSide / 2) + 1.0; // -1023
constexpr double kMaxBound = CViewImage::kMaxWarpSide / 2 - 2.0;    // 1022

bool IsSourceUsable(const CViewImage& source) {
    return source.GetSamples() != nullptr && source.GetWidth() == kSourceSide &&
           source.GetHeight() == kSourceSide;
}

// The image being built: its camera and grid, and the plain engine over them.
class COracle {
public:
    COracle(const double P[3][3], const double COP[3], OracleResult& result) : m_Result(result) {
        std::memcpy(m_P, P, sizeof m_P);
        std::memcpy(m_COP, COP, sizeof m_COP);
    }

    void SetupWarp(const CViewImage& source, int nZone, int ex, int ey);

private:
    OracleResult& m_Result;
    double m_P[3][3];
    double m_COP[3];
    int m_nWidth = 0, m_nHeight = 0;
    PixelSample* m_pSamples = nullptr;

    static bool WarpPixel(double u, double v, const double refP[3][3], const double desP[3][3],
                          const double refCOP[3], const double desCOP[3], double disparity,
                          double* outX, double* outY);
    void WarpTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int xOff, int yOff,
                      const CViewImage& reference);
    void TraverseXIncYInc(const CViewImage& s, int x0, int y0, int x1, int y1, int xo, int yo);
    void TraverseXDecYInc(const CViewImage& s, int x0, int y0, int x1, int y1, int xo, int yo);
    void TraverseXDecYDec(const CViewImage& s, int x0, int y0, int x1, int y1, int xo, int yo);
    void TraverseXIncYDec(const CViewImage& s, int x0, int y0, int x1, int y1, int xo, int yo);
    void TraverseZone(const CViewImage& source, int nZone, int ex, int ey, int xOff, int yOff);
    static void ComputeWarpBounds(const double srcP[3][3], const double newP[3][3],
                                  const double srcCOP[3], const double newCOP[3],
                                  const PixelSample* pSource, double* minX, double* maxX,
                                  double* minY, double* maxY);
    static bool WarpWindow(double minX, double maxX, double minY, double maxY, int* xOff, int* yOff,
                           int* nWidth, int* nHeight);
};

bool COracle::WarpPixel(double u, double v, const double refP[3][3], const double desP[3][3],
                        const double refCOP[3], const double desCOP[3], double disparity,
                        double* outX, double* outY) {
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
        MORROW_ASSERT(std::fabs(D) > 1e-20);
        return false;
    }
    const double dFront = matrix.DotProduct(cd, kw);
    const bool bInFront = (D > 0.0 && dFront > 0.0) || (D < 0.0 && dFront < 0.0);
    if (!bInFront)
        return false;
    const double dX = X / D;
    const double dY = Y / D;
    if (!std::isfinite(dX) || !std::isfinite(dY))
        return false;
    *outX = dX;
    *outY = dY;
    return true;
}

void COracle::WarpTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int xOff, int yOff,
                           const CViewImage& reference) {
    const PixelSample* pRef = reference.GetSamples();
    const PixelSample& s1 = pRef[y1 * kSourceSide + x1];
    const PixelSample& s2 = pRef[y2 * kSourceSide + x2];
    const PixelSample& s3 = pRef[y3 * kSourceSide + x3];

    double X1, Y1, X2, Y2, X3, Y3;
    const bool bOk1 =
        WarpPixel(x1, y1, reference.GetP(), m_P, reference.GetCOP(), m_COP, s1.disparity, &X1, &Y1);
    const bool bOk2 =
        WarpPixel(x2, y2, reference.GetP(), m_P, reference.GetCOP(), m_COP, s2.disparity, &X2, &Y2);
    const bool bOk3 =
        WarpPixel(x3, y3, reference.GetP(), m_P, reference.GetCOP(), m_COP, s3.disparity, &X3, &Y3);
    if (!bOk1 || !bOk2 || !bOk3)
        return;

    CMatrix matrix;
    if (matrix.IsTriangleLargeEnough(X1, Y1, X2, Y2, X3, Y3) == 0)
        return;

    double dMinX = X1 < X2 ? X1 : X2;
    double dMaxX = X1 > X2 ? X1 : X2;
    double dMinY = Y1 < Y2 ? Y1 : Y2;
    double dMaxY = Y1 > Y2 ? Y1 : Y2;
    const double minX = dMinX < X3 ? dMinX : X3;
    const double maxX = dMaxX > X3 ? dMaxX : X3;
    const double minY = dMinY < Y3 ? dMinY : Y3;
    const double maxY = dMaxY > Y3 ? dMaxY : Y3;

    // The box trunc(min - 0.5) .. trunc(max + 1.0), clipped to the window.
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

void COracle::TraverseXIncYInc(const CViewImage& s, int x0, int y0, int x1, int y1, int xo,
                               int yo) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x0; x <= x1 - 1; ++x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            WarpTriangle(x, y, x + 1, y, x, y + 1, xo, yo, s);
            WarpTriangle(x, y + 1, x + 1, y, x + 1, y + 1, xo, yo, s);
        }
    }
}

void COracle::TraverseXDecYInc(const CViewImage& s, int x0, int y0, int x1, int y1, int xo,
                               int yo) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x1; x >= x0 + 1; --x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            WarpTriangle(x, y, x - 1, y, x, y + 1, xo, yo, s);
            WarpTriangle(x - 1, y, x, y + 1, x - 1, y + 1, xo, yo, s);
        }
    }
}

void COracle::TraverseXDecYDec(const CViewImage& s, int x0, int y0, int x1, int y1, int xo,
                               int yo) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x1; x >= x0 + 1; --x) {
        for (int y = y1; y >= y0 + 1; --y) {
            WarpTriangle(x, y, x - 1, y, x, y - 1, xo, yo, s);
            WarpTriangle(x - 1, y, x, y - 1, x - 1, y - 1, xo, yo, s);
        }
    }
}

void COracle::TraverseXIncYDec(const CViewImage& s, int x0, int y0, int x1, int y1, int xo,
                               int yo) {
    if (x0 == x1 || y0 == y1)
        return;
    for (int x = x0; x <= x1 - 1; ++x) {
        for (int y = y1; y >= y0 + 1; --y) {
            WarpTriangle(x, y, x, y - 1, x + 1, y, xo, yo, s);
            WarpTriangle(x, y - 1, x + 1, y, x + 1, y - 1, xo, yo, s);
        }
    }
}

void COracle::TraverseZone(const CViewImage& s, int nZone, int ex, int ey, int xo, int yo) {
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
        TraverseXDecYInc(s, 0, 0, L, L, xo, yo);
        break;
    case 2:
        TraverseXIncYInc(s, 0, 0, ex, L, xo, yo);
        TraverseXDecYInc(s, ex, 0, L, L, xo, yo);
        break;
    case 3:
        TraverseXIncYInc(s, 0, 0, L, L, xo, yo);
        break;
    case 4:
        TraverseXDecYDec(s, 0, ey, L, L, xo, yo);
        TraverseXDecYInc(s, 0, 0, L, ey, xo, yo);
        break;
    case 5:
        TraverseXIncYInc(s, 0, 0, ex, ey, xo, yo);
        TraverseXDecYInc(s, ex, 0, L, ey, xo, yo);
        TraverseXDecYDec(s, ex, ey, L, L, xo, yo);
        TraverseXIncYDec(s, 0, ey, ex, L, xo, yo);
        break;
    case 6:
        TraverseXIncYDec(s, 0, ey, L, L, xo, yo);
        TraverseXIncYInc(s, 0, 0, L, ey, xo, yo);
        break;
    case 7:
        TraverseXDecYDec(s, 0, 0, L, L, xo, yo);
        break;
    case 8:
        TraverseXDecYDec(s, ex, 0, L, L, xo, yo);
        TraverseXIncYDec(s, 0, 0, ex, L, xo, yo);
        break;
    case 9:
        TraverseXIncYDec(s, 0, 0, L, L, xo, yo);
        break;
    case -1:
        TraverseXIncYDec(s, 0, 0, L, L, xo, yo);
        break;
    case -2:
        TraverseXDecYDec(s, 0, 0, ex, L, xo, yo);
        TraverseXIncYDec(s, ex, 0, L, L, xo, yo);
        break;
    case -3:
        TraverseXDecYDec(s, 0, 0, L, L, xo, yo);
        break;
    case -4:
        TraverseXIncYInc(s, 0, ey, L, L, xo, yo);
        TraverseXIncYDec(s, 0, 0, L, ey, xo, yo);
        break;
    case -5:
        TraverseXDecYDec(s, 0, 0, ex, ey, xo, yo);
        TraverseXIncYDec(s, ex, 0, L, ey, xo, yo);
        TraverseXIncYInc(s, ex, ey, L, L, xo, yo);
        TraverseXDecYInc(s, 0, ey, ex, L, xo, yo);
        break;
    case -6:
        TraverseXDecYInc(s, 0, ey, L, L, xo, yo);
        TraverseXDecYDec(s, 0, 0, L, ey, xo, yo);
        break;
    case -7:
        TraverseXIncYInc(s, 0, 0, L, L, xo, yo);
        break;
    case -8:
        TraverseXIncYInc(s, ex, 0, L, L, xo, yo);
        TraverseXDecYInc(s, 0, 0, ex, L, xo, yo);
        break;
    case -9:
        TraverseXDecYInc(s, 0, 0, L, L, xo, yo);
        break;
    default:
        ShowMessageBox("Wrong Zone id");
        break;
    }
}

void COracle::ComputeWarpBounds(const double srcP[3][3], const double newP[3][3],
                                const double srcCOP[3], const double newCOP[3],
                                const PixelSample* pSource, double* minX, double* maxX,
                                double* minY, double* maxY) {
    double dMinX = 0.0, dMaxX = 0.0, dMinY = 0.0, dMaxY = 0.0;
    auto warpBorder = [&](int x, int y) {
        double X, Y;
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
    for (int x = 0; x <= kSourceLast; ++x)
        warpBorder(x, 0);
    for (int y = 0; y <= kSourceLast; ++y)
        warpBorder(0, y);
    for (int x = 0; x <= kSourceLast; ++x)
        warpBorder(x, kSourceLast);
    for (int y = 0; y <= kSourceLast; ++y)
        warpBorder(kSourceLast, y);
    *minX = dMinX;
    *maxX = dMaxX;
    *minY = dMinY;
    *maxY = dMaxY;
}

bool COracle::WarpWindow(double minX, double maxX, double minY, double maxY, int* xOff, int* yOff,
                         int* nWidth, int* nHeight) {
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

void COracle::SetupWarp(const CViewImage& source, int nZone, int ex, int ey) {
    const bool bSourceUsable = IsSourceUsable(source);
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    if (bSourceUsable)
        ComputeWarpBounds(source.GetP(), m_P, source.GetCOP(), m_COP, source.GetSamples(), &minX,
                          &maxX, &minY, &maxY);
    int xOff, yOff;
    const bool bCut = WarpWindow(minX, maxX, minY, maxY, &xOff, &yOff, &m_nWidth, &m_nHeight);

    m_Result.samples.assign(static_cast<size_t>(m_nWidth) * m_nHeight,
                            PixelSample{0.0, 0.0, 0.0, 1.0});
    m_pSamples = m_Result.samples.data();
    m_Result.nWidth = m_nWidth;
    m_Result.nHeight = m_nHeight;
    m_Result.nZone = nZone;
    m_Result.nEx = ex;
    m_Result.nEy = ey;
    m_Result.nXOff = xOff;
    m_Result.nYOff = yOff;
    m_Result.bCut = bCut;
    std::memcpy(m_Result.newP, m_P, sizeof m_P);
    std::memcpy(m_Result.newCOP, m_COP, sizeof m_COP);

    if (bCut) {
        char szText[160];
        std::snprintf(szText, sizeof szText,
                      "The warped image is too large and has been cut to %d x %d pixels.", m_nWidth,
                      m_nHeight);
        ShowMessageBox(szText);
    }
    if (!bSourceUsable)
        return;
    TraverseZone(source, nZone, ex, ey, xOff, yOff);
}

// A 3 x 3 matrix in row-pointer form over local storage.
struct CRows {
    double m[3][3] = {};
    double* p[3] = {m[0], m[1], m[2]};
};

void RunMove(const CViewImage& source, const double newP[3][3], const double newCOP[3],
             const EpipoleInfo& info, CMessageScope& scope, OracleResult& result) {
    result.dW = info.dW;
    result.bDegenerate = info.bDegenerate;
    COracle oracle(newP, newCOP, result);
    oracle.SetupWarp(source, info.nZone, info.nEx, info.nEy);
    result.messages.clear();
    for (const CMessageScope::Entry& entry : scope.GetEntries())
        result.messages.push_back({entry.strText, entry.nCount});
}

} // namespace

void OracleSetupWarp(const CViewImage& source, const double newP[3][3], const double newCOP[3],
                     int nZone, int ex, int ey, OracleResult& result) {
    COracle oracle(newP, newCOP, result);
    oracle.SetupWarp(source, nZone, ex, ey);
}

void OracleFreeMove(double rotX, double rotY, double rotZ, const double position[3],
                    const CViewImage& source, OracleResult& result) {
    CMessageScope scope;
    CRows r, srcP, newP;
    BuildRotation(rotX, rotY, rotZ, r.m);
    std::memcpy(srcP.m, source.GetP(), sizeof srcP.m);
    CMatrix matrix;
    matrix.Multiply(r.p, srcP.p, newP.p, 3, 3, 3);
    const EpipoleInfo info = ClassifyEpipole(source.GetP(), source.GetCOP(), position);
    RunMove(source, newP.m, position, info, scope, result);
}

void OracleFocusMove(double rotX, double rotY, double rotZ, double zoom, const CViewImage& source,
                     OracleResult& result) {
    CMessageScope scope;
    CRows r, inverse, srcP, newP;
    BuildRotation(rotX, rotY, rotZ, r.m);
    double newCOP[3];
    ComputeFocusCOP(rotX, rotY, rotZ, zoom, source, newCOP);
    const EpipoleInfo info = ClassifyEpipole(source.GetP(), source.GetCOP(), newCOP);
    std::memcpy(srcP.m, source.GetP(), sizeof srcP.m);
    CMatrix matrix;
    matrix.Invert(r.p, inverse.p, 3);
    matrix.Multiply(inverse.p, srcP.p, newP.p, 3, 3, 3);
    RunMove(source, newP.m, newCOP, info, scope, result);
}
