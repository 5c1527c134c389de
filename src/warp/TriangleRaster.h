// The rasteriser of one warped triangle: its box in the target window, the size test that
// drops slivers, and the fill that gives every position the crossing-count test accepts the
// colour interpolated from the three vertices.
//
// It leaves exactly the samples and the "Too TINY" messages of the step-by-step form (the whole
// box through PointInTriangle, InterpolateInTriangle per channel; the plain warp in
// tests/warp_oracle), only with less work: positions outside the vertices' extent, or in rows
// that the cone filter proves outside, never reach the crossing test, the three channels share
// one interpolation geometry, and a fill can skip samples that a later triangle has stored.
#pragma once

#include <cmath>
#include <cstdint>

#include "image/ViewImage.h"
#include "math/Matrix.h"

class CRegionTest;

// The smallest and largest x and y of three points, each a pairwise extreme: first of points 1
// and 2, then with point 3.
void TriangleExtent(double x1, double y1, double x2, double y2, double x3, double y3, double* minX,
                    double* maxX, double* minY, double* maxY);

// The box of a warped triangle within columns nColLo..nColHi and rows nRowLo..nRowHi (plane
// coordinates, inclusive), for a triangle that can write there: false when the box misses that
// range or a mapped side is shorter than half a pixel (the triangle is dropped).
bool TriangleBox(double X1, double Y1, double X2, double Y2, double X3, double Y3, int nColLo,
                 int nColHi, int nRowLo, int nRowHi, int* pXs, int* pXe, int* pYs, int* pYe);

// Boxes of at least this many positions (on the band path) are settled region by region.
constexpr long kMinRegionArea = 512;

// One warped triangle: positions and source samples of its three vertices, vertex 1 first.
struct WarpedTriangle {
    double X1, Y1, X2, Y2, X3, Y3;
    const PixelSample* pS1;
    const PixelSample* pS2;
    const PixelSample* pS3;
};

// The grids a raster stores into: Put(i, rgb) gives element i the colour rgb.
// A sample grid keeps the doubles (red, green and blue only).
struct SampleGrid {
    PixelSample* m_pSamples;
    void Put(long i, const double rgb[3]) const {
        PixelSample& target = m_pSamples[i];
        target.red = rgb[0];
        target.green = rgb[1];
        target.blue = rgb[2];
    }
};
// A colour grid keeps ColourToByte of them, three bytes per element. A stored colour is never
// negative and mostly below 256, where the byte is the truncation itself.
struct ColourGrid {
    unsigned char* m_pColours;
    static unsigned char Byte(double dValue) {
        return dValue >= 0.0 && dValue < 256.0
                   ? static_cast<unsigned char>(static_cast<int>(dValue))
                   : ColourToByte(dValue);
    }
    void Put(long i, const double rgb[3]) const {
        unsigned char* p = m_pColours + i * 3;
        p[0] = Byte(rgb[0]);
        p[1] = Byte(rgb[1]);
        p[2] = Byte(rgb[2]);
    }
};

// CMatrix::PointInTriangle for one triangle at many positions: the far point and the edge
// vectors, which do not depend on the position, are formed once, and everything else is formed
// with the very operations, in the very order, of PointInTriangle and SegmentCrossing, so the
// answers are the same bit for bit (RasterTest holds the two against each other).
class CCrossingCount {
public:
    explicit CCrossingCount(const WarpedTriangle& t)
        : m_x{t.X1, t.X2, t.X3}, m_y{t.Y1, t.Y2, t.Y3} {
        CMatrix::FarPoint(t.X1, t.Y1, t.X2, t.Y2, t.X3, t.Y3, &m_dFarX, &m_dFarY);
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3;
            m_dEdgeX[i] = m_x[j] - m_x[i];
            m_dEdgeY[i] = m_y[j] - m_y[i];
        }
    }

    bool Inside(double px, double py) const {
        const double x1 = m_x[0], x2 = m_x[1], x3 = m_x[2];
        const double y1 = m_y[0], y2 = m_y[1], y3 = m_y[2];
        if ((px > x1 && px > x2 && px > x3) || (px < x1 && px < x2 && px < x3) ||
            (py > y1 && py > y2 && py > y3) || (py < y1 && py < y2 && py < y3))
            return false;
        const double dSx = m_dFarX - px, dSy = m_dFarY - py;
        const double t1 = Crossing(px, py, dSx, dSy, 0);
        const double t2 = Crossing(px, py, dSx, dSy, 1);
        const double t3 = Crossing(px, py, dSx, dSy, 2);
        int nCount = 0;
        if (t1 >= 0.0) {
            ++nCount;
            if (t2 >= 0.0 && std::fabs(t1 - t2) > 0.001) {
                ++nCount;
                if (t3 >= 0.0 && std::fabs(t1 - t3) > 0.001 && std::fabs(t2 - t3) > 0.001)
                    ++nCount;
            } else if (t2 >= 0.0) {
                if (t3 >= 0.0 && std::fabs(t3 - t1) > 1e-20)
                    ++nCount;
            } else {
                if (t3 >= 0.0 && std::fabs(t1 - t3) > 0.001)
                    ++nCount;
            }
        } else {
            if (t2 >= 0.0) {
                ++nCount;
                if (t3 >= 0.0 && std::fabs(t2 - t3) > 0.001)
                    ++nCount;
            } else if (t3 >= 0.0) {
                ++nCount;
            }
        }
        return nCount == 1;
    }

private:
    double m_x[3], m_y[3];
    double m_dFarX = 0.0, m_dFarY = 0.0;
    double m_dEdgeX[3], m_dEdgeY[3]; // vertex i to vertex i + 1 (3 to 1)

    // SegmentCrossing(px, py, far, vertex i, vertex i + 1), with (dSx, dSy) = far - P.
    double Crossing(double px, double py, double dSx, double dSy, int i) const {
        const double ax = m_x[i], ay = m_y[i];
        const double dNum = dSy * (ax - px) - (ay - py) * dSx;
        const double dDen = m_dEdgeY[i] * dSx - dSy * m_dEdgeX[i];
        if (std::fabs(dDen) < 1e-20)
            return -1.0;
        const double s = dNum / dDen;
        if (!(s >= 0.0 && s <= 1.0))
            return -1.0;
        double t;
        if (std::fabs(dSx) > 1e-20)
            t = ((ax - px) + m_dEdgeX[i] * s) / dSx;
        else if (std::fabs(dSy) > 1e-20)
            t = ((ay - py) + m_dEdgeY[i] * s) / dSy;
        else
            t = -1.0;
        if (!(t >= 0.0 && t <= 1.0))
            return -1.0;
        return t;
    }
};

// The rasteriser over the rows nRowLo..nRowHi of the target window (plane rows, inclusive).
// Writes only the colours of positions in those rows, into a grid of either form (TGrid: the
// store is chosen once per raster, not per position).
template <class TGrid> struct CTriangleRasterOf {
    TGrid m_grid;
    int m_nWidth, m_nHeight;
    int m_nXOff, m_nYOff;
    int m_nRowLo, m_nRowHi;
    // Null: "Too TINY" is shown at once; otherwise its occurrences are added here.
    std::int64_t* m_pTinyCount;
    // Large boxes are settled region by region (see FillRegion); off, every position of the
    // box goes through the plain test, which tests compare against.
    bool m_bRegions = true;

    // The box of the triangle, then Fill.
    void Draw(const WarpedTriangle& tri) const;

    // Every position of the box xs..xe, ys..ye (within the window and rows nRowLo..nRowHi)
    // that the crossing count accepts gets the interpolated colour.
    //
    // pStored (or null) marks the samples of rows nRowLo..nRowHi (column by column: the marks
    // of column x - xOff start at (x - xOff) * (nRowHi - nRowLo + 1), one per row) that a later
    // triangle of the traversal has already stored: when the triangles are drawn from the last
    // to the first, such a sample keeps that value whatever this triangle would write, so it is
    // not written again, and it is marked once this triangle stores into it. A marked position
    // still goes through the crossing count whenever its interpolation would show "Too TINY",
    // so that every message of the forward order is counted.
    void Fill(const WarpedTriangle& tri, int xs, int xe, int ys, int ye,
              unsigned char* pStored = nullptr) const;

private:
    // The box xa..xb, ya..yb of a large triangle, settled part by part: a part that the region
    // test decides as a whole is skipped, counted or filled at once, any other part is split,
    // and small parts go position by position. Needs pStored and m_pTinyCount.
    void FillRegion(const WarpedTriangle& tri, const CRegionTest& test, bool bFailStored, int xa,
                    int xb, int ya, int yb, unsigned char* pStored) const;
    // -s1 (the interpolation's failure value, stored only when it is not negative) into every
    // position of the box not stored yet.
    void StoreFailure(const WarpedTriangle& tri, int xa, int xb, int ya, int yb,
                      unsigned char* pStored) const;
    // The interpolated colour into every position of the box not stored yet (all of them
    // inside, with a usable denominator and s in [0, 1]).
    void StoreInterpolated(const WarpedTriangle& tri, int xa, int xb, int ya, int yb,
                           unsigned char* pStored) const;
    // Whether every position of the box is stored.
    bool IsAllStored(int xa, int xb, int ya, int yb, const unsigned char* pStored) const;
    // The marks of column x (indexed by plane row).
    long StoredOffset(int x) const {
        return static_cast<long>(x - m_nXOff) * (static_cast<long>(m_nRowHi) - m_nRowLo + 1) -
               m_nRowLo;
    }
    unsigned char* StoredColumn(unsigned char* pStored, int x) const {
        return pStored + StoredOffset(x);
    }
    const unsigned char* StoredColumn(const unsigned char* pStored, int x) const {
        return pStored + StoredOffset(x);
    }
    // Stores a colour into the grid element of plane position (x, y).
    void Store(int x, int y, const double rgb[3]) const {
        m_grid.Put(static_cast<long>(y - m_nYOff) * m_nWidth + (x - m_nXOff), rgb);
    }
    // The rows y..yEnd of one column: stored ones skipped (counting their "Too TINY"), the
    // others filled.
    void FillColumn(const WarpedTriangle& tri, int x, int yLo, int yHi,
                    unsigned char* pColumn) const;
    // The "Too TINY" occurrences of the stored run yFrom..yTo of column x whose rows lie in
    // nTinyLo..nTinyHi.
    void CountTinyInStoredRun(const WarpedTriangle& tri, double px, int yFrom, int yTo, int nTinyLo,
                              int nTinyHi) const;
    // Shows or counts the three "Too TINY" of one position.
    void ReportTiny() const;
};

// The rasters of the two grid forms (defined for these two only).
using CTriangleRaster = CTriangleRasterOf<SampleGrid>;
using CColourRaster = CTriangleRasterOf<ColourGrid>;

// The rows ys..ye of column px where the interpolation denominator
// (Y3 - Y2) * (X1 - px) - (Y1 - py) * (X3 - X2) is below 1e-20 in magnitude: *pLo..*pHi,
// empty when *pLo > *pHi. For finite terms the computed denominator is monotone in py, so
// those rows are one run; with terms that are not finite every row is returned.
void TinyRows(const WarpedTriangle& tri, double px, int ys, int ye, int* pLo, int* pHi);
