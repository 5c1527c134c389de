// The warping engine of CViewImage: the warping equation for one pixel, the rasteriser of one
// warped triangle, the four sheet traversals with the zone dispatch that fixes the
// occlusion-compatible order, and the setup that sizes and clears the new grid.
//
// A warp leaves exactly the grid and the messages of the step-by-step form (one WarpPixel per
// vertex of every triangle, the whole box through the crossing-count test, one thread), only
// with less work:
// - the constants of the warping equation (three cross products, twelve dot products) are
//   formed once per warp, and every reference pixel is warped once into a table, with the
//   same operations in the same order, so each vertex gets the very same position;
// - a box position beyond the triangle's bounding box is never handed to PointInTriangle,
//   whose quick rejection would refuse it anyway, nor is a position that a cone test with
//   rigorous margins proves outside (CConeFilter); every other position is decided by it;
// - the size test compares squared sides with the square of half a pixel, without roots;
// - the pixel warp and the preparation of the triangles are split among the threads; then
//   the target rows are split into bands, one thread each, and every band walks all
//   triangles, writing only its own rows. It walks them from the last to the first and
//   stores into a sample only once: that store is the last one of the forward order, the one
//   the sample keeps. A position already stored still runs the crossing count when its
//   interpolation would show "Too TINY", so the messages are those of the forward order; the
//   bands count them and they are shown on the calling thread when the bands are done, once
//   per channel and position as always.
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "math/Matrix.h"

// One sheet of a zone row: the traversal that draws it and its rectangle.
enum class ESweep { XIncYInc, XDecYInc, XDecYDec, XIncYDec };
struct WarpSheet {
    ESweep eSweep;
    int x0, y0, x1, y1;
};

namespace {

// Source images are 200 x 200: row length and last index are fixed, not read from the image.
constexpr int kSourceSide = 200;
constexpr int kSourceLast = 199;
constexpr int kSourcePixels = kSourceSide * kSourceSide;

// The bounds of the warped border are clamped to these values so that the grid spans at most
// kMaxWarpSide samples each way: xOff = trunc(minX - 1) >= -1024, xHi = trunc(maxX + 1) <= 1023.
constexpr double kMinBound = -(CViewImage::kMaxWarpSide / 2) + 1.0; // -1023
constexpr double kMaxBound = CViewImage::kMaxWarpSide / 2 - 2.0;    // 1022

// A band thread is worth starting only for this many target rows or more.
constexpr int kMinBandRows = 32;
constexpr unsigned kMaxBands = 8;

bool IsSourceUsable(const CViewImage& source) {
    return source.GetSamples() != nullptr && source.GetWidth() == kSourceSide &&
           source.GetHeight() == kSourceSide;
}

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

// The warping equation with its constants formed: X, Y and D as ((a.K) u + (b.K) v) + c.K,
// plus (t.K) disparity, in that order. False (and NaN positions) for a point without a usable
// position: |D| <= 1e-20, not in front of the new camera, or a non-finite result.
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

// Where one reference pixel lands in the new image plane.
struct WarpedPixel {
    double dX, dY;
    bool bUsable;
};

// Which rows of a box column can hold a position that PointInTriangle accepts, decided with
// margins that no rounding of the crossing test can overcome.
//
// The crossing test runs the segment from P to its far point F (taken as the test takes it)
// against the three edges. For an edge A -> B its numerator is a = (A - P) x (F - P) and its
// denominator is a - b with b = (B - P) x (F - P); the crossing lies on the edge only when a and
// b differ in sign. Write L for the largest magnitude of any coordinate involved (vertices, F,
// box positions). Each of a, b and a - b is formed with an error below 4.5e-16 * 8 L^2, so when
// a and b both exceed M = 1e-13 L^2 with the same sign, the computed quotient is either
// negative or beyond 1 + 1e-14, and the edge gives -1. When that holds for all three vertices
// (the whole triangle strictly on one side of the line PF) the count is 0 and the test returns
// 0. For a column x the quantity a_V(y) = (Vx - x)(Fy - y) - (Vy - y)(Fx - x) is linear in y
// with the exact slope Fx - Vx, so the rows where it exceeds M (or is below -M) form a half
// line. Its end is estimated, then confirmed at the end row itself by evaluating a_V there
// (error below M) against 2 M; a row that cannot be confirmed stays a row to test. Every row
// outside the returned range therefore gets 0 from the exact test, and every row inside it is
// still decided by the exact test.
class CConeFilter {
public:
    // False when the coordinates are too large for the margins (every row is then tested).
    bool Init(double X1, double Y1, double X2, double Y2, double X3, double Y3, int xs, int xe,
              int ys, int ye) {
        m_dVx[0] = X1, m_dVy[0] = Y1, m_dVx[1] = X2, m_dVy[1] = Y2, m_dVx[2] = X3, m_dVy[2] = Y3;
        // The far point exactly as the crossing test forms it.
        double dMaxX = X1;
        if (X2 > dMaxX)
            dMaxX = X2;
        if (X3 > dMaxX)
            dMaxX = X3;
        double dMaxY = Y1;
        if (Y2 > dMaxY)
            dMaxY = Y2;
        if (Y3 > dMaxY)
            dMaxY = Y3;
        m_dFx = 2.0 * dMaxX;
        m_dFy = 3.0 * dMaxY;
        if (dMaxX <= 0.0 && dMaxY <= 0.0) {
            m_dFx = 1.0;
            m_dFy = 1.0;
        }
        double dL = 1.0;
        const double values[] = {X1,    Y1,    X2,         Y2,         X3,         Y3,
                                 m_dFx, m_dFy, double(xs), double(xe), double(ys), double(ye)};
        for (double d : values)
            dL = std::max(dL, std::fabs(d));
        if (!(dL <= 1e100))
            return false;
        m_dM = 1e-13 * dL * dL;
        return true;
    }

    // The rows of column x within ys..ye that must go through the exact test: *pLo..*pHi, empty
    // when *pLo > *pHi.
    void Column(int x, int ys, int ye, int* pLo, int* pHi) const {
        // Rows where every a_V > M (plus) and where every a_V < -M (minus).
        int nPlusLo = ys, nPlusHi = ye, nMinusLo = ys, nMinusHi = ye;
        const double px = x;
        for (int i = 0; i < 3; ++i) {
            const double dVx = m_dVx[i], dVy = m_dVy[i];
            const double dSlope = m_dFx - dVx; // its sign is exact
            if (dSlope == 0.0) {
                // a_V does not depend on the row.
                const double a = Eval(i, px, ys);
                if (!(a > 2.0 * m_dM))
                    nPlusLo = ye + 1;
                if (!(a < -2.0 * m_dM))
                    nMinusLo = ye + 1;
                continue;
            }
            // The row where a_V changes sign, and the rows beyond which |a_V| exceeds M.
            const double dRoot = -((dVx - px) * m_dFy - dVy * (m_dFx - px)) / dSlope;
            const double dReach = m_dM / std::fabs(dSlope);
            const int nFrom = FirstRow(i, px, dRoot + dReach + 1.0, ys, ye, dSlope > 0.0);
            const int nTo = LastRow(i, px, dRoot - dReach - 1.0, ys, ye, dSlope < 0.0);
            if (dSlope > 0.0) {
                nPlusLo = std::max(nPlusLo, nFrom);
                nMinusHi = std::min(nMinusHi, nTo);
            } else {
                nPlusHi = std::min(nPlusHi, nTo);
                nMinusLo = std::max(nMinusLo, nFrom);
            }
        }
        auto inPlus = [&](int y) { return y >= nPlusLo && y <= nPlusHi; };
        auto inMinus = [&](int y) { return y >= nMinusLo && y <= nMinusHi; };
        // The two sets are disjoint intervals: skip them from either end.
        int nLo = ys, nHi = ye;
        for (int k = 0; k < 3; ++k) {
            if (inPlus(nLo))
                nLo = nPlusHi + 1;
            if (inMinus(nLo))
                nLo = nMinusHi + 1;
            if (inPlus(nHi))
                nHi = nPlusLo - 1;
            if (inMinus(nHi))
                nHi = nMinusLo - 1;
        }
        *pLo = nLo;
        *pHi = nHi;
    }

private:
    double m_dVx[3] = {}, m_dVy[3] = {};
    double m_dFx = 0.0, m_dFy = 0.0, m_dM = 0.0;

    // a_V at (x, y), formed as the crossing test forms its numerator.
    double Eval(int i, double px, double py) const {
        return (m_dFy - py) * (m_dVx[i] - px) - (m_dVy[i] - py) * (m_dFx - px);
    }
    bool Confirmed(int i, double px, int y, bool bPlus) const {
        const double a = Eval(i, px, y);
        return bPlus ? a > 2.0 * m_dM : a < -2.0 * m_dM;
    }
    // The first row from dEstimate on (a lower end) whose a_V has the wanted sign beyond the
    // margin; ye + 1 when none can be confirmed.
    int FirstRow(int i, double px, double dEstimate, int ys, int ye, bool bPlus) const {
        if (!(dEstimate <= ye)) // also NaN
            return ye + 1;
        int y = dEstimate <= ys ? ys : static_cast<int>(std::ceil(dEstimate));
        for (int nTry = 0; nTry < 4 && y <= ye; ++nTry, ++y)
            if (Confirmed(i, px, y, bPlus))
                return y;
        return ye + 1;
    }
    // The last row up to dEstimate (an upper end) likewise; ys - 1 when none.
    int LastRow(int i, double px, double dEstimate, int ys, int ye, bool bPlus) const {
        if (!(dEstimate >= ys)) // also NaN
            return ys - 1;
        int y = dEstimate >= ye ? ye : static_cast<int>(std::floor(dEstimate));
        for (int nTry = 0; nTry < 4 && y >= ys; ++nTry, --y)
            if (Confirmed(i, px, y, bPlus))
                return y;
        return ys - 1;
    }
};

// The smallest double whose square root is at least 0.5. The square root is correctly rounded
// and monotone, so sqrt(q) < 0.5 exactly when q < this value.
double HalfPixelSquare() {
    double q = 0.25;
    while (std::sqrt(std::nextafter(q, 0.0)) >= 0.5)
        q = std::nextafter(q, 0.0);
    while (std::sqrt(q) < 0.5)
        q = std::nextafter(q, 1.0);
    return q;
}

// IsTriangleLargeEnough without its square roots: the squared side lengths are formed with the
// same operations and compared with HalfPixelSquare (NaN fails both forms alike).
bool IsLargeEnough(double x1, double y1, double x2, double y2, double x3, double y3) {
    static const double dLimit = HalfPixelSquare();
    const double q12 = (x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1);
    const double q13 = (x3 - x1) * (x3 - x1) + (y3 - y1) * (y3 - y1);
    const double q32 = (x2 - x3) * (x2 - x3) + (y2 - y3) * (y2 - y3);
    return !(q12 < dLimit || q13 < dLimit || q32 < dLimit);
}

// Columns of a box with at least this many rows are narrowed with the cone filter first.
constexpr int kMinFilteredRows = 8;

// ceil and floor, exact: for |v| < 2^31 the truncation toward zero is the integer part, and one
// step corrects it; other values (and NaN) take the library routine. Only the value matters
// here (a -0 from ceil of a small negative value becomes the int 0 all the same).
inline double Ceil(double v) {
    if (!(v > -2147483647.0 && v < 2147483647.0))
        return std::ceil(v);
    const double t = static_cast<double>(static_cast<int>(v));
    return t < v ? t + 1.0 : t;
}
inline double Floor(double v) {
    if (!(v > -2147483647.0 && v < 2147483647.0))
        return std::floor(v);
    const double t = static_cast<double>(static_cast<int>(v));
    return t > v ? t - 1.0 : t;
}

// The box of a warped triangle within columns nColLo..nColHi and rows nRowLo..nRowHi (plane
// coordinates, inclusive), for a triangle that can write there: false when the box misses that
// range or a mapped side is shorter than half a pixel (the triangle is dropped).
//
// The box of the step-by-step form runs from trunc(min - 0.5) to trunc(max + 1.0) and is
// clipped to the window. Its positions below the smallest or beyond the largest vertex
// coordinate are refused by the quick rejection of PointInTriangle (strict comparisons), so
// only ceil(min) .. floor(max) can be stored; that range lies inside the box. The limits are
// clamped as doubles before they become ints, so every conversion is in range.
bool TriangleBox(double X1, double Y1, double X2, double Y2, double X3, double Y3, int nColLo,
                 int nColHi, int nRowLo, int nRowHi, int* pXs, int* pXe, int* pYs, int* pYe) {
    double minX, maxX, minY, maxY;
    {
        const double dMinX = X1 < X2 ? X1 : X2;
        const double dMaxX = X1 > X2 ? X1 : X2;
        const double dMinY = Y1 < Y2 ? Y1 : Y2;
        const double dMaxY = Y1 > Y2 ? Y1 : Y2;
        minX = dMinX < X3 ? dMinX : X3;
        maxX = dMaxX > X3 ? dMaxX : X3;
        minY = dMinY < Y3 ? dMinY : Y3;
        maxY = dMaxY > Y3 ? dMaxY : Y3;
    }
    double dYs = Ceil(minY), dYe = Floor(maxY);
    if (dYs < nRowLo)
        dYs = nRowLo;
    if (dYe > nRowHi)
        dYe = nRowHi;
    if (!(dYs <= dYe))
        return false;
    double dXs = Ceil(minX), dXe = Floor(maxX);
    if (dXs < nColLo)
        dXs = nColLo;
    if (dXe > nColHi)
        dXe = nColHi;
    if (!(dXs <= dXe))
        return false;
    // A mapped side shorter than half a pixel drops the triangle.
    if (!IsLargeEnough(X1, Y1, X2, Y2, X3, Y3))
        return false;
    *pXs = static_cast<int>(dXs);
    *pXe = static_cast<int>(dXe);
    *pYs = static_cast<int>(dYs);
    *pYe = static_cast<int>(dYe);
    return true;
}

// The rasteriser of one warped triangle over the rows nRowLo..nRowHi of the target window
// (plane rows, inclusive). Writes only red, green and blue of samples in those rows.
struct CTriangleRaster {
    PixelSample* m_pGrid;
    int m_nWidth, m_nHeight;
    int m_nXOff, m_nYOff;
    int m_nRowLo, m_nRowHi;
    // Null: "Too TINY" is shown at once; otherwise its occurrences are added here.
    long* m_pTinyCount;

    void Draw(double X1, double Y1, double X2, double Y2, double X3, double Y3,
              const PixelSample& s1, const PixelSample& s2, const PixelSample& s3) const {
        int xs, xe, ys, ye;
        if (TriangleBox(X1, Y1, X2, Y2, X3, Y3, m_nXOff, m_nXOff + m_nWidth - 1, m_nRowLo, m_nRowHi,
                        &xs, &xe, &ys, &ye))
            Fill(X1, Y1, X2, Y2, X3, Y3, s1, s2, s3, xs, xe, ys, ye);
    }
    // Every position of the box xs..xe, ys..ye (within the window and rows nRowLo..nRowHi)
    // that the crossing count accepts gets the interpolated colour.
    //
    // pFinal (or null) marks the samples of rows nRowLo..nRowHi (column by column: the marks of
    // column x - xOff start at (x - xOff) * (nRowHi - nRowLo + 1), one per row) that
    // a later triangle of the traversal has already stored: when the triangles are drawn from
    // the last to the first, such a sample keeps that value whatever this triangle would
    // write, so it is not written again, and it is marked once this triangle stores into it.
    // A marked position still goes through the crossing count whenever its interpolation
    // would show "Too TINY", so that every message of the forward order is counted.
    void Fill(double X1, double Y1, double X2, double Y2, double X3, double Y3,
              const PixelSample& s1, const PixelSample& s2, const PixelSample& s3, int xs, int xe,
              int ys, int ye, unsigned char* pFinal = nullptr) const;
};

// The rows ys..ye of column px where the interpolation denominator
// (Y3 - Y2) * (X1 - px) - (Y1 - py) * (X3 - X2) is below 1e-20 in magnitude: *pLo..*pHi,
// empty when *pLo > *pHi. Rounding is monotone, so for finite terms the computed denominator
// is monotone in py (rising when X3 > X2, falling when X3 < X2, constant when equal) and those
// rows are one run, found by bisection with the exact expression. With terms that are not
// finite every row is returned, to be tested one by one.
void TinyRows(double X1, double Y1, double X2, double Y2, double X3, double Y3, double px, int ys,
              int ye, int* pLo, int* pHi) {
    auto den = [&](int y) { return (Y3 - Y2) * (X1 - px) - (Y1 - double(y)) * (X3 - X2); };
    auto tiny = [](double d) { return std::fabs(d) < 1e-20; };
    *pLo = ys;
    *pHi = ye;
    if (ys > ye)
        return;
    const double dK = X3 - X2;
    const double dLow = den(ys), dHigh = den(ye);
    if (!std::isfinite((Y3 - Y2) * (X1 - px)) || !std::isfinite((Y1 - double(ys)) * dK) ||
        !std::isfinite((Y1 - double(ye)) * dK) || !std::isfinite(dLow) || !std::isfinite(dHigh))
        return;
    if (dK == 0.0) {
        if (!tiny(dLow))
            *pLo = ye + 1;
        return;
    }
    // Rising: the run starts at the first row above -1e-20 and ends before the first row at
    // or above 1e-20; falling: the other way round.
    const bool bRising = dK > 0.0;
    auto firstRow = [&](auto pred) { // first row in ys..ye where pred holds (pred monotone)
        int lo = ys, hi = ye + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (pred(den(mid)))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    if (bRising) {
        *pLo = firstRow([](double d) { return d > -1e-20; });
        *pHi = firstRow([](double d) { return d >= 1e-20; }) - 1;
    } else {
        *pLo = firstRow([](double d) { return d < 1e-20; });
        *pHi = firstRow([](double d) { return d <= -1e-20; }) - 1;
    }
}

void CTriangleRaster::Fill(double X1, double Y1, double X2, double Y2, double X3, double Y3,
                           const PixelSample& s1, const PixelSample& s2, const PixelSample& s3,
                           int xs, int xe, int ys, int ye, unsigned char* pFinal) const {
    CMatrix matrix;
    CConeFilter cone;
    const bool bFilter =
        ye - ys + 1 >= kMinFilteredRows && cone.Init(X1, Y1, X2, Y2, X3, Y3, xs, xe, ys, ye);
    const long nBandRows = static_cast<long>(m_nRowHi) - m_nRowLo + 1;
    for (int x = xs; x <= xe; ++x) {
        int yLo = ys, yHi = ye;
        if (bFilter)
            cone.Column(x, ys, ye, &yLo, &yHi);
        const double px = x;
        unsigned char* pColumn =
            pFinal ? pFinal + static_cast<long>(x - m_nXOff) * nBandRows - m_nRowLo : nullptr;
        // The rows of this column whose interpolation denominator is below 1e-20: only there
        // can a marked position still count "Too TINY".
        int nTinyLo = yLo, nTinyHi = yHi;
        bool bTinyKnown = false;
        for (int y = yLo; y <= yHi; ++y) {
            const double py = y;
            if (pColumn && pColumn[y]) {
                // A run of marked positions: skipped at once, but for those of its rows where
                // the interpolation would show "Too TINY".
                const void* pUnmarked = std::memchr(pColumn + y, 0, static_cast<size_t>(yHi - y) + 1);
                const int nRunEnd =
                    pUnmarked ? static_cast<int>(static_cast<const unsigned char*>(pUnmarked) -
                                                 pColumn) -
                                    1
                              : yHi;
                if (!bTinyKnown) {
                    TinyRows(X1, Y1, X2, Y2, X3, Y3, px, yLo, yHi, &nTinyLo, &nTinyHi);
                    bTinyKnown = true;
                }
                for (int t = std::max(y, nTinyLo); t <= std::min(nRunEnd, nTinyHi); ++t) {
                    const double pt = t;
                    const double dDen = (Y3 - Y2) * (X1 - px) - (Y1 - pt) * (X3 - X2);
                    if (std::fabs(dDen) < 1e-20 &&
                        matrix.PointInTriangle(px, pt, X1, Y1, X2, Y2, X3, Y3) != 0)
                        *m_pTinyCount += 3;
                }
                y = nRunEnd;
                continue;
            }
            unsigned char* pMark = pColumn ? pColumn + y : nullptr;
            // InterpolateInTriangle for the three channels at once: its geometry (the
            // denominator, s, Q, the two distances and w) depends on the positions alone, so it
            // is formed once with the same operations, and only the values differ per channel.
            // A denominator that is too small shows "Too TINY" once per channel.
            const double dDen = (Y3 - Y2) * (X1 - px) - (Y1 - py) * (X3 - X2);
            if (matrix.PointInTriangle(px, py, X1, Y1, X2, Y2, X3, Y3) == 0)
                continue;
            double red, green, blue;
            if (std::fabs(dDen) < 1e-20) {
                if (m_pTinyCount) {
                    *m_pTinyCount += 3;
                } else {
                    ShowMessageBox("Too TINY");
                    ShowMessageBox("Too TINY");
                    ShowMessageBox("Too TINY");
                }
                red = -s1.red;
                green = -s1.green;
                blue = -s1.blue;
            } else {
                const double dS = ((Y1 - py) * (X2 - px) - (Y2 - py) * (X1 - px)) / dDen;
                if (!(dS >= 0.0 && dS <= 1.0)) {
                    red = -s1.red;
                    green = -s1.green;
                    blue = -s1.blue;
                } else {
                    const double dQx = (X3 - X2) * dS + X2;
                    const double dQy = (Y3 - Y2) * dS + Y2;
                    const double dA = std::sqrt((X1 - px) * (X1 - px) + (Y1 - py) * (Y1 - py));
                    const double dQ = std::sqrt((px - dQx) * (px - dQx) + (py - dQy) * (py - dQy));
                    const double w = dQ / (dQ + dA);
                    red = (1.0 - w) * ((1.0 - dS) * s2.red + dS * s3.red) + w * s1.red;
                    green = (1.0 - w) * ((1.0 - dS) * s2.green + dS * s3.green) + w * s1.green;
                    blue = (1.0 - w) * ((1.0 - dS) * s2.blue + dS * s3.blue) + w * s1.blue;
                }
            }
            // A negative value is the interpolation's failure signal (all channels fail
            // together); a black vertex 1 fails to -0 and is stored.
            if (!(red >= 0 && green >= 0 && blue >= 0))
                continue;
            PixelSample& target =
                m_pGrid[static_cast<long>(y - m_nYOff) * m_nWidth + (x - m_nXOff)];
            target.red = red;
            target.green = green;
            target.blue = blue;
            if (pMark)
                *pMark = 1;
        }
    }
}

// The four sheet sweeps: loops and vertex orders of the traversals, for any triangle sink.
// Only the steps nStepLo .. nStepHi - 1 of the outer (column) loop are run, counted from its
// first column, 0 <= nStepLo <= nStepHi <= x1 - x0.
template <class Emit>
void SweepXIncYInc(int x0, int y0, int x1, int y1, int nStepLo, int nStepHi, const Emit& emit) {
    (void)x1;
    for (int x = x0 + nStepLo; x < x0 + nStepHi; ++x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            emit(x, y, x + 1, y, x, y + 1);
            emit(x, y + 1, x + 1, y, x + 1, y + 1);
        }
    }
}

template <class Emit>
void SweepXDecYInc(int x0, int y0, int x1, int y1, int nStepLo, int nStepHi, const Emit& emit) {
    (void)x0;
    for (int x = x1 - nStepLo; x > x1 - nStepHi; --x) {
        for (int y = y0; y <= y1 - 1; ++y) {
            emit(x, y, x - 1, y, x, y + 1);
            emit(x - 1, y, x, y + 1, x - 1, y + 1);
        }
    }
}

template <class Emit>
void SweepXDecYDec(int x0, int y0, int x1, int y1, int nStepLo, int nStepHi, const Emit& emit) {
    (void)x0;
    for (int x = x1 - nStepLo; x > x1 - nStepHi; --x) {
        for (int y = y1; y >= y0 + 1; --y) {
            emit(x, y, x - 1, y, x, y - 1);
            emit(x - 1, y, x, y - 1, x - 1, y - 1);
        }
    }
}

template <class Emit>
void SweepXIncYDec(int x0, int y0, int x1, int y1, int nStepLo, int nStepHi, const Emit& emit) {
    (void)x1;
    for (int x = x0 + nStepLo; x < x0 + nStepHi; ++x) {
        for (int y = y1; y >= y0 + 1; --y) {
            emit(x, y, x, y - 1, x + 1, y);
            emit(x, y - 1, x + 1, y, x + 1, y - 1);
        }
    }
}

// The number of outer-loop steps of a sheet; 0 for a sheet without cells.
int SheetSteps(const WarpSheet& sheet) {
    return sheet.x0 < sheet.x1 && sheet.y0 < sheet.y1 ? sheet.x1 - sheet.x0 : 0;
}

// The steps nStepLo .. nStepHi - 1 of a sheet (clipped to its steps).
template <class Emit>
void RunSheetSteps(const WarpSheet& sheet, int nStepLo, int nStepHi, const Emit& emit) {
    const int nSteps = SheetSteps(sheet);
    nStepLo = std::max(nStepLo, 0);
    nStepHi = std::min(nStepHi, nSteps);
    if (nStepLo >= nStepHi)
        return;
    switch (sheet.eSweep) {
    case ESweep::XIncYInc:
        SweepXIncYInc(sheet.x0, sheet.y0, sheet.x1, sheet.y1, nStepLo, nStepHi, emit);
        break;
    case ESweep::XDecYInc:
        SweepXDecYInc(sheet.x0, sheet.y0, sheet.x1, sheet.y1, nStepLo, nStepHi, emit);
        break;
    case ESweep::XDecYDec:
        SweepXDecYDec(sheet.x0, sheet.y0, sheet.x1, sheet.y1, nStepLo, nStepHi, emit);
        break;
    case ESweep::XIncYDec:
        SweepXIncYDec(sheet.x0, sheet.y0, sheet.x1, sheet.y1, nStepLo, nStepHi, emit);
        break;
    }
}

template <class Emit> void RunSheet(const WarpSheet& sheet, const Emit& emit) {
    RunSheetSteps(sheet, 0, SheetSteps(sheet), emit);
}

// The sheets of one zone row in the order they are drawn; 0 for an id outside the table.
int ZoneSheets(int nZone, int ex, int ey, WarpSheet sheets[4]) {
    // A zone from ClassifyEpipole has its split column and row on the grid; an id paired with
    // a foreign ex or ey must still not reach outside it.
    ex = std::min(std::max(ex, 0), kSourceLast);
    ey = std::min(std::max(ey, 0), kSourceLast);
    const int L = kSourceLast;
    const ESweep II = ESweep::XIncYInc, DI = ESweep::XDecYInc, DD = ESweep::XDecYDec,
                 ID = ESweep::XIncYDec;
    int n = 0;
    auto add = [&](ESweep e, int x0, int y0, int x1, int y1) { sheets[n++] = {e, x0, y0, x1, y1}; };
    switch (nZone) {
    case 1:
        add(DI, 0, 0, L, L);
        break;
    case 2:
        add(II, 0, 0, ex, L);
        add(DI, ex, 0, L, L);
        break;
    case 3:
        add(II, 0, 0, L, L);
        break;
    case 4:
        add(DD, 0, ey, L, L);
        add(DI, 0, 0, L, ey);
        break;
    case 5:
        add(II, 0, 0, ex, ey);
        add(DI, ex, 0, L, ey);
        add(DD, ex, ey, L, L);
        add(ID, 0, ey, ex, L);
        break;
    case 6:
        add(ID, 0, ey, L, L);
        add(II, 0, 0, L, ey);
        break;
    case 7:
        add(DD, 0, 0, L, L);
        break;
    case 8:
        add(DD, ex, 0, L, L);
        add(ID, 0, 0, ex, L);
        break;
    case 9:
        add(ID, 0, 0, L, L);
        break;
    case -1:
        add(ID, 0, 0, L, L);
        break;
    case -2:
        add(DD, 0, 0, ex, L);
        add(ID, ex, 0, L, L);
        break;
    case -3:
        add(DD, 0, 0, L, L);
        break;
    case -4:
        add(II, 0, ey, L, L);
        add(ID, 0, 0, L, ey);
        break;
    case -5:
        add(DD, 0, 0, ex, ey);
        add(ID, ex, 0, L, ey);
        add(II, ex, ey, L, L);
        add(DI, 0, ey, ex, L);
        break;
    case -6:
        add(DI, 0, ey, L, L);
        add(DD, 0, 0, L, ey);
        break;
    case -7:
        add(II, 0, 0, L, L);
        break;
    case -8:
        add(II, ex, 0, L, L);
        add(DI, 0, 0, ex, L);
        break;
    case -9:
        add(DI, 0, 0, L, L);
        break;
    default:
        break;
    }
    return n;
}

// A triangle that can write into the window: its source pixels (elements y * 200 + x) and
// its box clipped to the window, in plane coordinates.
struct TriangleRecord {
    int nXs, nXe, nYs, nYe;
    unsigned short n1, n2, n3;
};

// The working memory of one warp: the warped source pixels, the prepared triangles and row work
// of every thread's run, and the stored-sample marks of every band.
struct CWarpScratch {
    std::vector<WarpedPixel> warped;
    std::vector<std::vector<TriangleRecord>> records;
    std::vector<std::vector<double>> rowDeltas;
    std::vector<std::vector<unsigned char>> finals;
};

// Lets the threads of one warp wait for each other between its phases.
class CPhaseBarrier {
public:
    explicit CPhaseBarrier(unsigned nThreads) : m_nThreads(nThreads) {}
    void Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        const unsigned nGeneration = m_nGeneration;
        if (++m_nWaiting == m_nThreads) {
            m_nWaiting = 0;
            ++m_nGeneration;
            m_cv.notify_all();
            return;
        }
        m_cv.wait(lock, [&] { return m_nGeneration != nGeneration; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    unsigned m_nThreads, m_nWaiting = 0, m_nGeneration = 0;
};

// Splits the window's rows into at most nBands bands of about equal work, from the summed
// per-row work differences (+w at the first row of a box, -w after its last; w its width).
// firstRows receives the first plane row of every band and one past the last row.
int SplitRows(const std::vector<std::vector<double>>& rowDeltas, int nYOff, int nHeight,
              unsigned nBands, std::vector<int>& firstRows) {
    firstRows.assign(1, nYOff);
    if (nBands > 1 && nHeight >= 2 * kMinBandRows) {
        std::vector<double> rowWork(static_cast<size_t>(nHeight), 0.0);
        double dRow = 0.0, dTotal = 0.0;
        for (int r = 0; r < nHeight; ++r) {
            for (const std::vector<double>& delta : rowDeltas)
                dRow += delta[static_cast<size_t>(r)];
            rowWork[static_cast<size_t>(r)] = dRow;
            dTotal += dRow;
        }
        double dSeen = 0.0;
        unsigned nNext = 1;
        for (int r = 0; r < nHeight && nNext < nBands; ++r) {
            dSeen += rowWork[static_cast<size_t>(r)];
            const int nBandRows = r + 1 - (firstRows.back() - nYOff);
            if (dSeen * nBands >= dTotal * nNext && nBandRows >= kMinBandRows &&
                nHeight - (r + 1) >= kMinBandRows) {
                firstRows.push_back(nYOff + r + 1);
                ++nNext;
            }
        }
    }
    firstRows.push_back(nYOff + nHeight);
    return static_cast<int>(firstRows.size()) - 1;
}

// Draws the sheets into the grid of the target on as many threads as the machine has cores,
// in three phases with a barrier between them: every source pixel warped once (rows split
// among the threads); the triangles prepared (usable vertices, box in the window, size test),
// each thread taking a contiguous run of the traversal and keeping its records in traversal
// order; and the rows split into bands, each thread walking all records in reverse traversal
// order and filling only the rows of its band, every sample once. Every target sample thus
// ends with the value of the last write of the single-threaded order.
void WarpSheets(const WarpSheet* pSheets, int nSheets, const CViewImage& source,
                const CViewImage& target, int xOff, int yOff) {
    const int nWidth = target.GetWidth(), nHeight = target.GetHeight();
    const PixelSample* pSource = source.GetSamples();
    PixelSample* pGrid = target.GetSamples();
    // The working memory of a warp is kept by the calling thread for its next warp: freed and
    // allocated afresh, its pages (and those of the grid below it) went back to the system and
    // were faulted in again on every warp, which cost about as much as a small warp itself.
    static thread_local CWarpScratch scratch;
    std::vector<WarpedPixel>& warped = scratch.warped;
    warped.resize(kSourcePixels);
    const WarpConstants k =
        ComputeWarpConstants(source.GetP(), target.GetP(), source.GetCOP(), target.GetCOP());

    unsigned nThreads = std::thread::hardware_concurrency();
    nThreads = std::max(1u, std::min(nThreads, kMaxBands));

    // The helper threads are started first and wait until the work is laid out for the number
    // that could actually be started: a thread the system refuses leaves its share to the
    // others instead of ending the program.
    std::mutex gateMutex;
    std::condition_variable gateCv;
    bool bGo = false;
    std::function<void(unsigned)> work;
    std::vector<std::thread> threads;
    for (unsigned nThread = 1; nThread < nThreads; ++nThread) {
        try {
            threads.emplace_back([&, nThread] {
                {
                    std::unique_lock<std::mutex> lock(gateMutex);
                    gateCv.wait(lock, [&] { return bGo; });
                }
                work(nThread);
            });
        } catch (const std::system_error&) {
            break;
        }
    }
    nThreads = static_cast<unsigned>(threads.size()) + 1;

    int nTotalSteps = 0;
    for (int i = 0; i < nSheets; ++i)
        nTotalSteps += SheetSteps(pSheets[i]);

    std::vector<std::vector<TriangleRecord>>& records = scratch.records;
    std::vector<std::vector<double>>& rowDeltas = scratch.rowDeltas;
    std::vector<std::vector<unsigned char>>& finals = scratch.finals;
    records.resize(nThreads);
    rowDeltas.resize(nThreads);
    finals.resize(nThreads);
    for (unsigned i = 0; i < nThreads; ++i)
        records[i].clear();
    std::vector<long> tinyCounts(nThreads, 0);
    CPhaseBarrier barrier(nThreads);

    auto run = [&](unsigned nThread) {
        // Phase 1: this thread's rows of source pixels.
        const int nRowLo = kSourceSide * static_cast<int>(nThread) / static_cast<int>(nThreads);
        const int nRowHi = kSourceSide * static_cast<int>(nThread + 1) / static_cast<int>(nThreads);
        for (int y = nRowLo; y < nRowHi; ++y)
            for (int x = 0; x < kSourceSide; ++x) {
                WarpedPixel& w = warped[y * kSourceSide + x];
                w.bUsable =
                    ApplyWarp(k, x, y, pSource[y * kSourceSide + x].disparity, &w.dX, &w.dY);
            }
        barrier.Wait();

        // Phase 2: this thread's run of the traversal, in order.
        const long nStepLo = static_cast<long>(nTotalSteps) * nThread / nThreads;
        const long nStepHi = static_cast<long>(nTotalSteps) * (nThread + 1) / nThreads;
        std::vector<TriangleRecord>& mine = records[nThread];
        std::vector<double>& delta = rowDeltas[nThread];
        delta.assign(static_cast<size_t>(nHeight) + 1, 0.0);
        mine.reserve(static_cast<size_t>(nStepHi - nStepLo) * 2 * kSourceLast);
        const int nColHi = xOff + nWidth - 1, nRowEnd = yOff + nHeight - 1;
        auto prepare = [&](int x1, int y1, int x2, int y2, int x3, int y3) {
            const int i1 = y1 * kSourceSide + x1, i2 = y2 * kSourceSide + x2,
                      i3 = y3 * kSourceSide + x3;
            const WarpedPixel& w1 = warped[i1];
            const WarpedPixel& w2 = warped[i2];
            const WarpedPixel& w3 = warped[i3];
            // A vertex without a position (in the plane of the new centre of projection, or
            // behind the new camera) would spread the triangle across the whole window.
            if (!w1.bUsable || !w2.bUsable || !w3.bUsable)
                return;
            TriangleRecord r;
            if (!TriangleBox(w1.dX, w1.dY, w2.dX, w2.dY, w3.dX, w3.dY, xOff, nColHi, yOff, nRowEnd,
                             &r.nXs, &r.nXe, &r.nYs, &r.nYe))
                return;
            r.n1 = static_cast<unsigned short>(i1);
            r.n2 = static_cast<unsigned short>(i2);
            r.n3 = static_cast<unsigned short>(i3);
            mine.push_back(r);
            const double dWork = r.nXe - r.nXs + 1;
            delta[static_cast<size_t>(r.nYs - yOff)] += dWork;
            delta[static_cast<size_t>(r.nYe - yOff) + 1] -= dWork;
        };
        long nStart = 0;
        for (int i = 0; i < nSheets; ++i) {
            const int nSteps = SheetSteps(pSheets[i]);
            if (nStart + nSteps > nStepLo && nStart < nStepHi)
                RunSheetSteps(pSheets[i], static_cast<int>(std::max(nStepLo - nStart, 0L)),
                              static_cast<int>(std::min(nStepHi - nStart, long(nSteps))), prepare);
            nStart += nSteps;
        }
        barrier.Wait();

        // Phase 3: every thread splits the rows the same way and fills its band, if any.
        std::vector<int> firstRows;
        const int nBands = SplitRows(rowDeltas, yOff, nHeight, nThreads, firstRows);
        if (static_cast<int>(nThread) >= nBands)
            return;
        const int nBandLo = firstRows[nThread], nBandHi = firstRows[nThread + 1] - 1;
        const CTriangleRaster raster{pGrid, nWidth,  nHeight, xOff,
                                     yOff,  nBandLo, nBandHi, &tinyCounts[nThread]};
        // From the last triangle to the first: the first store into a sample is the last of
        // the forward order, and it is final.
        std::vector<unsigned char>& final = finals[nThread];
        final.assign(static_cast<size_t>(nBandHi - nBandLo + 1) * static_cast<size_t>(nWidth), 0);
        for (auto run = records.rbegin(); run != records.rend(); ++run)
            for (auto rec = run->rbegin(); rec != run->rend(); ++rec) {
                const TriangleRecord& r = *rec;
                if (r.nYe < nBandLo || r.nYs > nBandHi)
                    continue;
                const WarpedPixel& w1 = warped[r.n1];
                const WarpedPixel& w2 = warped[r.n2];
                const WarpedPixel& w3 = warped[r.n3];
                raster.Fill(w1.dX, w1.dY, w2.dX, w2.dY, w3.dX, w3.dY, pSource[r.n1], pSource[r.n2],
                            pSource[r.n3], r.nXs, r.nXe, std::max(r.nYs, nBandLo),
                            std::min(r.nYe, nBandHi), final.data());
            }
    };
    work = run;
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        bGo = true;
    }
    gateCv.notify_all();
    run(0);
    for (std::thread& thread : threads)
        thread.join();

    for (long nTiny : tinyCounts)
        for (long i = 0; i < nTiny; ++i)
            ShowMessageBox("Too TINY");
}

} // namespace

bool CViewImage::WarpPixel(double u, double v, const double refP[3][3], const double desP[3][3],
                           const double refCOP[3], const double desCOP[3], double disparity,
                           double* outX, double* outY) const {
    return ApplyWarp(ComputeWarpConstants(refP, desP, refCOP, desCOP), u, v, disparity, outX, outY);
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
    const CTriangleRaster raster{m_pSamples,           m_nWidth, m_nHeight, xOff, yOff, yOff,
                                 yOff + m_nHeight - 1, nullptr};
    raster.Draw(X1, Y1, X2, Y2, X3, Y3, s1, s2, s3);
}

namespace {

// A sheet draws nothing when its rectangle has no cell, and reaches outside the source grid
// when a corner lies beyond 0..199.
bool IsSheetEmpty(const WarpSheet& sheet) {
    return sheet.x0 >= sheet.x1 || sheet.y0 >= sheet.y1;
}

bool IsSheetOnGrid(const WarpSheet& sheet) {
    return sheet.x0 >= 0 && sheet.x1 <= kSourceLast && sheet.y0 >= 0 && sheet.y1 <= kSourceLast;
}

} // namespace

void CViewImage::DrawSheets(const CViewImage& source, const WarpSheet* pSheets, int nSheets,
                            int xOff, int yOff) {
    if (m_pTriangleRecorder) {
        auto record = [this](int x1, int y1, int x2, int y2, int x3, int y3) {
            m_pTriangleRecorder->push_back({x1, y1, x2, y2, x3, y3});
        };
        for (int i = 0; i < nSheets; ++i)
            RunSheet(pSheets[i], record);
        return;
    }
    bool bAnyCell = false, bOnGrid = true;
    for (int i = 0; i < nSheets; ++i) {
        if (IsSheetEmpty(pSheets[i]))
            continue;
        bAnyCell = true;
        bOnGrid = bOnGrid && IsSheetOnGrid(pSheets[i]);
    }
    if (!bAnyCell)
        return;
    if (!bOnGrid || !IsSourceUsable(source) || m_pSamples == nullptr) {
        // Only a direct call can get here; every triangle checks its own vertices.
        auto draw = [&](int x1, int y1, int x2, int y2, int x3, int y3) {
            WarpTriangle(x1, y1, x2, y2, x3, y3, xOff, yOff, source);
        };
        for (int i = 0; i < nSheets; ++i)
            RunSheet(pSheets[i], draw);
        return;
    }
    WarpSheets(pSheets, nSheets, source, *this, xOff, yOff);
}

void CViewImage::TraverseXIncYInc(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    const WarpSheet sheet{ESweep::XIncYInc, x0, y0, x1, y1};
    DrawSheets(source, &sheet, 1, xOff, yOff);
}

void CViewImage::TraverseXDecYInc(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    const WarpSheet sheet{ESweep::XDecYInc, x0, y0, x1, y1};
    DrawSheets(source, &sheet, 1, xOff, yOff);
}

void CViewImage::TraverseXDecYDec(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    const WarpSheet sheet{ESweep::XDecYDec, x0, y0, x1, y1};
    DrawSheets(source, &sheet, 1, xOff, yOff);
}

void CViewImage::TraverseXIncYDec(const CViewImage& source, int x0, int y0, int x1, int y1,
                                  int xOff, int yOff) {
    const WarpSheet sheet{ESweep::XIncYDec, x0, y0, x1, y1};
    DrawSheets(source, &sheet, 1, xOff, yOff);
}

void CViewImage::TraverseZone(const CViewImage& source, int nZone, int ex, int ey, int xOff,
                              int yOff) {
    WarpSheet sheets[4];
    const int nSheets = ZoneSheets(nZone, ex, ey, sheets);
    if (nSheets == 0) {
        ShowMessageBox("Wrong Zone id");
        return;
    }
    // All sheets of the zone in one pass: the pixels are warped once for the whole warp.
    DrawSheets(source, sheets, nSheets, xOff, yOff);
}

void CViewImage::ComputeWarpBounds(const double srcP[3][3], const double newP[3][3],
                                   const double srcCOP[3], const double newCOP[3],
                                   const PixelSample* pSource, double* minX, double* maxX,
                                   double* minY, double* maxY) const {
    double dMinX = 0.0, dMaxX = 0.0, dMinY = 0.0, dMaxY = 0.0;
    const WarpConstants k = ComputeWarpConstants(srcP, newP, srcCOP, newCOP);
    // Row 0, column 0, row 199, column 199; the corners are warped twice.
    auto warpBorder = [&](int x, int y) {
        double X, Y;
        // A border pixel without a usable position says nothing about the extent.
        if (!ApplyWarp(k, x, y, pSource[y * kSourceSide + x].disparity, &X, &Y))
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

    if (bCut) {
        char szText[160];
        std::snprintf(szText, sizeof szText,
                      "The warped image is too large and has been cut to %d x %d pixels.", m_nWidth,
                      m_nHeight);
        ShowMessageBox(szText);
    }
    long nCount = static_cast<long>(m_nWidth) * m_nHeight;
    PixelSample* pGrid = new (std::nothrow) PixelSample[nCount];
    const bool bNoMemory = pGrid == nullptr;
    if (bNoMemory) {
        // Tell the user and leave the cleared 3 x 3 grid of an empty border instead of ending
        // the program: nothing is drawn.
        char szText[160];
        std::snprintf(szText, sizeof szText,
                      "There is not enough memory for a warped image of %d x %d pixels.", m_nWidth,
                      m_nHeight);
        ShowMessageBox(szText);
        xOff = yOff = -1;
        m_nWidth = m_nHeight = 3;
        nCount = 9;
        pGrid = new PixelSample[nCount];
    }
    for (long i = 0; i < nCount; ++i)
        pGrid[i] = PixelSample{0.0, 0.0, 0.0, 1.0};
    SetSamples(pGrid);

    m_WarpReport.nZone = nZone;
    m_WarpReport.nEx = ex;
    m_WarpReport.nEy = ey;
    m_WarpReport.nXOff = xOff;
    m_WarpReport.nYOff = yOff;
    m_WarpReport.bCut = bCut;

    if (!bSourceUsable) {
        TraceLine("no 200 x 200 source grid to warp: the warped image stays black\n");
        return;
    }
    if (bNoMemory)
        return;
    TraverseZone(source, nZone, ex, ey, xOff, yOff);
}
