// The rasteriser of one warped triangle.
#include "warp/TriangleRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "framework/Services.h"
#include "math/Matrix.h"
#include "warp/ConeFilter.h"
#include "warp/RegionTest.h"

namespace {

// Columns of a box with at least this many rows are narrowed with the cone filter first.
constexpr int kMinFilteredRows = 8;
// Parts of a box settled region by region with at most kMaxPlainArea positions go position by
// position.
constexpr long kMaxPlainArea = 16;

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

// The denominator of the interpolation at (px, py), formed as InterpolateInTriangle forms it.
inline double InterpolationDenominator(const WarpedTriangle& t, double px, double py) {
    return (t.Y3 - t.Y2) * (t.X1 - px) - (t.Y1 - py) * (t.X3 - t.X2);
}

// InterpolateInTriangle for the three channels at once, at a position whose denominator dDen
// is at least 1e-20 in magnitude: its geometry (s, Q, the two distances and w) depends on the
// positions alone, so it is formed once with the same operations, and only the values differ
// per channel. A position that cannot be placed gives the negated colour of vertex 1.
void InterpolateColour(const WarpedTriangle& t, double px, double py, double dDen, double rgb[3]) {
    const PixelSample& s1 = *t.pS1;
    const PixelSample& s2 = *t.pS2;
    const PixelSample& s3 = *t.pS3;
    const double dS = ((t.Y1 - py) * (t.X2 - px) - (t.Y2 - py) * (t.X1 - px)) / dDen;
    if (!(dS >= 0.0 && dS <= 1.0)) {
        rgb[0] = -s1.red;
        rgb[1] = -s1.green;
        rgb[2] = -s1.blue;
        return;
    }
    const double dQx = (t.X3 - t.X2) * dS + t.X2;
    const double dQy = (t.Y3 - t.Y2) * dS + t.Y2;
    const double dA = std::sqrt((t.X1 - px) * (t.X1 - px) + (t.Y1 - py) * (t.Y1 - py));
    const double dQ = std::sqrt((px - dQx) * (px - dQx) + (py - dQy) * (py - dQy));
    const double w = dQ / (dQ + dA);
    rgb[0] = (1.0 - w) * ((1.0 - dS) * s2.red + dS * s3.red) + w * s1.red;
    rgb[1] = (1.0 - w) * ((1.0 - dS) * s2.green + dS * s3.green) + w * s1.green;
    rgb[2] = (1.0 - w) * ((1.0 - dS) * s2.blue + dS * s3.blue) + w * s1.blue;
}

} // namespace

void TriangleExtent(double x1, double y1, double x2, double y2, double x3, double y3, double* minX,
                    double* maxX, double* minY, double* maxY) {
    const double dMinX = x1 < x2 ? x1 : x2;
    const double dMaxX = x1 > x2 ? x1 : x2;
    const double dMinY = y1 < y2 ? y1 : y2;
    const double dMaxY = y1 > y2 ? y1 : y2;
    *minX = dMinX < x3 ? dMinX : x3;
    *maxX = dMaxX > x3 ? dMaxX : x3;
    *minY = dMinY < y3 ? dMinY : y3;
    *maxY = dMaxY > y3 ? dMaxY : y3;
}

// The box of the step-by-step form runs from trunc(min - 0.5) to trunc(max + 1.0) and is
// clipped to the window. Its positions below the smallest or beyond the largest vertex
// coordinate are refused by the quick rejection of PointInTriangle (strict comparisons), so
// only ceil(min) .. floor(max) can be stored; that range lies inside the box. The limits are
// clamped as doubles before they become ints, so every conversion is in range.
bool TriangleBox(double X1, double Y1, double X2, double Y2, double X3, double Y3, int nColLo,
                 int nColHi, int nRowLo, int nRowHi, int* pXs, int* pXe, int* pYs, int* pYe) {
    double minX, maxX, minY, maxY;
    TriangleExtent(X1, Y1, X2, Y2, X3, Y3, &minX, &maxX, &minY, &maxY);
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

// Rounding is monotone, so for finite terms the computed denominator is monotone in py (rising
// when X3 > X2, falling when X3 < X2, constant when equal) and the tiny rows are one run, found
// by bisection with the exact expression.
void TinyRows(const WarpedTriangle& tri, double px, int ys, int ye, int* pLo, int* pHi) {
    auto den = [&](int y) { return InterpolationDenominator(tri, px, double(y)); };
    auto tiny = [](double d) { return std::fabs(d) < 1e-20; };
    *pLo = ys;
    *pHi = ye;
    if (ys > ye)
        return;
    const double dK = tri.X3 - tri.X2;
    const double dLow = den(ys), dHigh = den(ye);
    if (!std::isfinite((tri.Y3 - tri.Y2) * (tri.X1 - px)) ||
        !std::isfinite((tri.Y1 - double(ys)) * dK) || !std::isfinite((tri.Y1 - double(ye)) * dK) ||
        !std::isfinite(dLow) || !std::isfinite(dHigh))
        return;
    if (dK == 0.0) {
        if (!tiny(dLow))
            *pLo = ye + 1;
        return;
    }
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
    // Rising: the run starts at the first row above -1e-20 and ends before the first row at
    // or above 1e-20; falling: the other way round.
    if (dK > 0.0) {
        *pLo = firstRow([](double d) { return d > -1e-20; });
        *pHi = firstRow([](double d) { return d >= 1e-20; }) - 1;
    } else {
        *pLo = firstRow([](double d) { return d < 1e-20; });
        *pHi = firstRow([](double d) { return d <= -1e-20; }) - 1;
    }
}

template <class TGrid> void CTriangleRasterOf<TGrid>::Draw(const WarpedTriangle& tri) const {
    int xs, xe, ys, ye;
    if (TriangleBox(tri.X1, tri.Y1, tri.X2, tri.Y2, tri.X3, tri.Y3, m_nXOff, m_nXOff + m_nWidth - 1,
                    m_nRowLo, m_nRowHi, &xs, &xe, &ys, &ye))
        Fill(tri, xs, xe, ys, ye);
}

template <class TGrid>
void CTriangleRasterOf<TGrid>::Fill(const WarpedTriangle& tri, int xs, int xe, int ys, int ye,
                                    unsigned char* pStored) const {
    if (m_bRegions && pStored && m_pTinyCount &&
        static_cast<long>(xe - xs + 1) * (static_cast<long>(ye) - ys + 1) >= kMinRegionArea) {
        double Fx, Fy;
        CMatrix::FarPoint(tri.X1, tri.Y1, tri.X2, tri.Y2, tri.X3, tri.Y3, &Fx, &Fy);
        const bool bFailStored = -tri.pS1->red >= 0 && -tri.pS1->green >= 0 && -tri.pS1->blue >= 0;
        const CRegionTest test(tri.X1, tri.Y1, tri.X2, tri.Y2, tri.X3, tri.Y3, Fx, Fy);
        FillRegion(tri, test, bFailStored, xs, xe, ys, ye, pStored);
        return;
    }
    CConeFilter cone;
    const bool bFilter = ye - ys + 1 >= kMinFilteredRows &&
                         cone.Init(tri.X1, tri.Y1, tri.X2, tri.Y2, tri.X3, tri.Y3, xs, xe, ys, ye);
    for (int x = xs; x <= xe; ++x) {
        int yLo = ys, yHi = ye;
        if (bFilter)
            cone.Column(x, ys, ye, &yLo, &yHi);
        FillColumn(tri, x, yLo, yHi, pStored ? StoredColumn(pStored, x) : nullptr);
    }
}

template <class TGrid>
void CTriangleRasterOf<TGrid>::FillColumn(const WarpedTriangle& tri, int x, int yLo, int yHi,
                                          unsigned char* pColumn) const {
    const CCrossingCount inside(tri);
    const double px = x;
    // The rows of this column whose interpolation denominator is below 1e-20: only there can a
    // stored position still count "Too TINY". Found when the first stored run is met.
    int nTinyLo = yLo, nTinyHi = yHi;
    bool bTinyKnown = false;
    for (int y = yLo; y <= yHi; ++y) {
        if (pColumn && pColumn[y]) {
            const void* pUnstored = std::memchr(pColumn + y, 0, static_cast<size_t>(yHi - y) + 1);
            const int nRunEnd =
                pUnstored
                    ? static_cast<int>(static_cast<const unsigned char*>(pUnstored) - pColumn) - 1
                    : yHi;
            if (!bTinyKnown) {
                TinyRows(tri, px, yLo, yHi, &nTinyLo, &nTinyHi);
                bTinyKnown = true;
            }
            CountTinyInStoredRun(tri, px, y, nRunEnd, nTinyLo, nTinyHi);
            y = nRunEnd;
            continue;
        }
        const double py = y;
        const double dDen = InterpolationDenominator(tri, px, py);
        if (!inside.Inside(px, py))
            continue;
        double rgb[3];
        if (std::fabs(dDen) < 1e-20) {
            ReportTiny();
            rgb[0] = -tri.pS1->red;
            rgb[1] = -tri.pS1->green;
            rgb[2] = -tri.pS1->blue;
        } else {
            InterpolateColour(tri, px, py, dDen, rgb);
        }
        // A negative value is the interpolation's failure signal (all channels fail together);
        // a black vertex 1 fails to -0 and is stored.
        if (!(rgb[0] >= 0 && rgb[1] >= 0 && rgb[2] >= 0))
            continue;
        Store(x, y, rgb);
        if (pColumn)
            pColumn[y] = 1;
    }
}

template <class TGrid>
void CTriangleRasterOf<TGrid>::CountTinyInStoredRun(const WarpedTriangle& tri, double px, int yFrom,
                                                    int yTo, int nTinyLo, int nTinyHi) const {
    const CCrossingCount inside(tri);
    for (int y = std::max(yFrom, nTinyLo); y <= std::min(yTo, nTinyHi); ++y) {
        const double py = y;
        if (std::fabs(InterpolationDenominator(tri, px, py)) < 1e-20 && inside.Inside(px, py))
            ReportTiny();
    }
}

template <class TGrid> void CTriangleRasterOf<TGrid>::ReportTiny() const {
    if (m_pTinyCount) {
        *m_pTinyCount += 3;
        return;
    }
    ShowMessageBox("Too TINY");
    ShowMessageBox("Too TINY");
    ShowMessageBox("Too TINY");
}

template <class TGrid>
void CTriangleRasterOf<TGrid>::FillRegion(const WarpedTriangle& tri, const CRegionTest& test,
                                          bool bFailStored, int xa, int xb, int ya, int yb,
                                          unsigned char* pStored) const {
    const long nArea = static_cast<long>(xb - xa + 1) * (static_cast<long>(yb) - ya + 1);
    if (nArea <= kMaxPlainArea) {
        for (int x = xa; x <= xb; ++x)
            FillColumn(tri, x, ya, yb, StoredColumn(pStored, x));
        return;
    }
    ETri eSpan;
    const ETri eTiny = test.Tiny(xa, xb, ya, yb, &eSpan);
    // Positions that fail the interpolation store nothing unless its failure value is stored.
    const bool bFailsEverywhere = eTiny == ETri::False && eSpan == ETri::False;
    if (bFailsEverywhere && !bFailStored)
        return;
    // Without "Too TINY" to count, a part that later triangles have stored in full is done.
    if (eTiny == ETri::False && IsAllStored(xa, xb, ya, yb, pStored))
        return;
    const ETri eInside = test.Inside(xa, xb, ya, yb);
    if (eInside == ETri::False)
        return;
    if (eInside == ETri::True) {
        if (eTiny == ETri::True) {
            *m_pTinyCount += 3 * nArea;
            if (bFailStored)
                StoreFailure(tri, xa, xb, ya, yb, pStored);
            return;
        }
        if (bFailsEverywhere) {
            StoreFailure(tri, xa, xb, ya, yb, pStored);
            return;
        }
        if (eTiny == ETri::False && eSpan == ETri::True) {
            StoreInterpolated(tri, xa, xb, ya, yb, pStored);
            return;
        }
    }
    if (xb - xa >= yb - ya) {
        const int xm = xa + (xb - xa) / 2;
        FillRegion(tri, test, bFailStored, xa, xm, ya, yb, pStored);
        FillRegion(tri, test, bFailStored, xm + 1, xb, ya, yb, pStored);
    } else {
        const int ym = ya + (yb - ya) / 2;
        FillRegion(tri, test, bFailStored, xa, xb, ya, ym, pStored);
        FillRegion(tri, test, bFailStored, xa, xb, ym + 1, yb, pStored);
    }
}

template <class TGrid>
void CTriangleRasterOf<TGrid>::StoreFailure(const WarpedTriangle& tri, int xa, int xb, int ya,
                                            int yb, unsigned char* pStored) const {
    const double rgb[3] = {-tri.pS1->red, -tri.pS1->green, -tri.pS1->blue};
    for (int x = xa; x <= xb; ++x) {
        unsigned char* pColumn = StoredColumn(pStored, x);
        for (int y = ya; y <= yb; ++y)
            if (!pColumn[y]) {
                Store(x, y, rgb);
                pColumn[y] = 1;
            }
    }
}

template <class TGrid>
void CTriangleRasterOf<TGrid>::StoreInterpolated(const WarpedTriangle& tri, int xa, int xb, int ya,
                                                 int yb, unsigned char* pStored) const {
    for (int x = xa; x <= xb; ++x) {
        unsigned char* pColumn = StoredColumn(pStored, x);
        const double px = x;
        for (int y = ya; y <= yb; ++y) {
            if (pColumn[y])
                continue;
            const double py = y;
            double rgb[3];
            InterpolateColour(tri, px, py, InterpolationDenominator(tri, px, py), rgb);
            if (!(rgb[0] >= 0 && rgb[1] >= 0 && rgb[2] >= 0))
                continue;
            Store(x, y, rgb);
            pColumn[y] = 1;
        }
    }
}

template <class TGrid>
bool CTriangleRasterOf<TGrid>::IsAllStored(int xa, int xb, int ya, int yb,
                                           const unsigned char* pStored) const {
    // Marks are 0 or 1: short columns are read eight marks at a time (all stored is the word of
    // eight ones), long ones searched for an unstored mark.
    constexpr std::uint64_t kAllOnes = 0x0101010101010101ULL;
    const size_t nRows = static_cast<size_t>(yb - ya) + 1;
    for (int x = xa; x <= xb; ++x) {
        const unsigned char* p = StoredColumn(pStored, x) + ya;
        if (nRows >= 64) {
            if (std::memchr(p, 0, nRows))
                return false;
            continue;
        }
        size_t i = 0;
        for (; i + 8 <= nRows; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (word != kAllOnes)
                return false;
        }
        for (; i < nRows; ++i)
            if (!p[i])
                return false;
    }
    return true;
}

template struct CTriangleRasterOf<SampleGrid>;
template struct CTriangleRasterOf<ColourGrid>;
