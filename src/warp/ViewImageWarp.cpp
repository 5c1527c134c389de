// The members of CViewImage that make up the warping engine: the public warping equation and
// triangle rasteriser, the sheet traversals with the zone dispatch that fixes the
// occlusion-compatible order, and the setup that sizes, clears and fills the new grid.
//
// A warp leaves exactly the grid and the messages of the step-by-step form (the plain warp in
// tests/warp_oracle: one WarpPixel per vertex of every triangle, the whole box through the
// crossing-count test, one thread), only with less work: see WarpEquation.h (constants formed
// once, every pixel warped once), TriangleRaster.h (box, size test, cone filter, shared
// interpolation geometry) and ParallelWarp.h (threads, reverse-order fill).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "math/Matrix.h"
#include "warp/ParallelWarp.h"
#include "warp/Sheets.h"
#include "warp/TriangleRaster.h"
#include "warp/Warp.h"
#include "warp/WarpEquation.h"

namespace {

// The bounds of the warped border are clamped to these values so that the grid spans at most
// nMaxSide samples each way: for 2048, xOff = trunc(minX - 1) >= -1024 (bound -1023) and
// xHi = trunc(maxX + 1) <= 1023 (bound 1022).
double MinBound(int nMaxSide) {
    return -(nMaxSide / 2) + 1.0;
}
double MaxBound(int nMaxSide) {
    return nMaxSide / 2 - 2.0;
}

// The last column and row of the source grid that the sheets walk: a data file's 199 when the
// source has no grid to warp (only the triangle recorder of the tests walks such sheets).
int LastColumn(const CViewImage& source) {
    return IsWarpableSource(source) ? source.GetWidth() - 1 : 199;
}
int LastRow(const CViewImage& source) {
    return IsWarpableSource(source) ? source.GetHeight() - 1 : 199;
}

// The cleared grid of a window (elements of PixelSample, or ByteColour over a byte grid):
// outside, the positions outside the part nColLo..nColHi, nRowLo..nRowHi of the plane (none
// inside when !bMeets); inside, those in it.
template <class TElement>
void FillWindowOf(TElement* pGrid, int nWidth, int nHeight, int nX0, int nY0, bool bMeets,
                  long long nColLo, long long nColHi, long long nRowLo, long long nRowHi,
                  const TElement& outside, const TElement& inside) {
    for (int r = 0; r < nHeight; ++r) {
        TElement* pRow = pGrid + static_cast<long>(r) * nWidth;
        const long long y = static_cast<long long>(nY0) + r;
        if (!bMeets || y < nRowLo || y > nRowHi) {
            std::fill(pRow, pRow + nWidth, outside);
            continue;
        }
        const int nLo = static_cast<int>(nColLo - nX0), nHi = static_cast<int>(nColHi - nX0);
        std::fill(pRow, pRow + nLo, outside);
        std::fill(pRow + nLo, pRow + nHi + 1, inside);
        std::fill(pRow + nHi + 1, pRow + nWidth, outside);
    }
}

void FillWindow(PixelSample* pGrid, int nWidth, int nHeight, int nX0, int nY0, bool bMeets,
                long long nColLo, long long nColHi, long long nRowLo, long long nRowHi,
                const PixelSample& outside, const PixelSample& inside) {
    FillWindowOf(pGrid, nWidth, nHeight, nX0, nY0, bMeets, nColLo, nColHi, nRowLo, nRowHi, outside,
                 inside);
}

// The byte grid is filled through an array of three-byte colours of its own, copied in (no
// element of it is read through another type).
void FillWindow(unsigned char* pColours, int nWidth, int nHeight, int nX0, int nY0, bool bMeets,
                long long nColLo, long long nColHi, long long nRowLo, long long nRowHi,
                const ByteColour& outside, const ByteColour& inside) {
    static_assert(sizeof(ByteColour) == 3, "three bytes per colour");
    std::vector<ByteColour> row(static_cast<size_t>(nWidth));
    for (int r = 0; r < nHeight; ++r) {
        FillWindowOf(row.data(), nWidth, 1, nX0, nY0 + r, bMeets, nColLo, nColHi, nRowLo, nRowHi,
                     outside, inside);
        std::memcpy(pColours + static_cast<size_t>(r) * nWidth * 3, row.data(),
                    static_cast<size_t>(nWidth) * 3);
    }
}

// "The warped image is too large and has been cut to W x H pixels.", as a whole warp shows it.
void ReportCut(int nWidth, int nHeight) {
    char szText[160];
    std::snprintf(szText, sizeof szText,
                  "The warped image is too large and has been cut to %d x %d pixels.", nWidth,
                  nHeight);
    ShowMessageBox(szText);
}

// One of the two grids of nCount positions, the other left null; both null when there is not
// enough memory.
void AllocateGrid(bool bColours, long nCount, PixelSample** ppGrid, unsigned char** ppColours) {
    if (bColours)
        *ppColours = new (std::nothrow) unsigned char[static_cast<size_t>(nCount) * 3];
    else
        *ppGrid = new (std::nothrow) PixelSample[nCount];
}

} // namespace

bool CViewImage::WarpPixel(double u, double v, const double refP[3][3], const double desP[3][3],
                           const double refCOP[3], const double desCOP[3], double disparity,
                           double* outX, double* outY) const {
    return ApplyWarp(ComputeWarpConstants(refP, desP, refCOP, desCOP), u, v, disparity, outX, outY);
}

void CViewImage::TriangleBounds(double x1, double y1, double x2, double y2, double x3, double y3,
                                double* minX, double* maxX, double* minY, double* maxY) const {
    TriangleExtent(x1, y1, x2, y2, x3, y3, minX, maxX, minY, maxY);
}

void CViewImage::WarpTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int xOff, int yOff,
                              const CViewImage& reference) {
    const PixelSample* pRef = reference.GetSamples();
    const int nW = reference.GetWidth(), nH = reference.GetHeight();
    auto inside = [&](int x, int y) { return x >= 0 && x < nW && y >= 0 && y < nH; };
    const bool bVerticesInside = inside(x1, y1) && inside(x2, y2) && inside(x3, y3);
    MORROW_ASSERT(bVerticesInside && IsWarpableSource(reference) && m_pSamples != nullptr);
    if (!bVerticesInside || !IsWarpableSource(reference) || m_pSamples == nullptr)
        return;

    const PixelSample& s1 = pRef[y1 * nW + x1];
    const PixelSample& s2 = pRef[y2 * nW + x2];
    const PixelSample& s3 = pRef[y3 * nW + x3];

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
    const CTriangleRaster raster{SampleGrid{m_pSamples}, m_nWidth, m_nHeight, xOff, yOff, yOff,
                                 yOff + m_nHeight - 1,   nullptr};
    raster.Draw(WarpedTriangle{X1, Y1, X2, Y2, X3, Y3, &s1, &s2, &s3});
}

void CViewImage::DrawSheets(const CViewImage& source, const WarpSheet* pSheets, int nSheets,
                            int xOff, int yOff, const WarpClip* pClip) {
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
        bOnGrid = bOnGrid && IsSheetOnGrid(pSheets[i], LastColumn(source), LastRow(source));
    }
    if (!bAnyCell)
        return;
    if (!bOnGrid || !IsWarpableSource(source) || !HasGrid()) {
        // Only a direct call can get here (a windowed warp's sheets always stay on its usable
        // source); every triangle checks its own vertices (and draws into samples only).
        MORROW_ASSERT(pClip == nullptr);
        auto draw = [&](int x1, int y1, int x2, int y2, int x3, int y3) {
            WarpTriangle(x1, y1, x2, y2, x3, y3, xOff, yOff, source);
        };
        for (int i = 0; i < nSheets; ++i)
            RunSheet(pSheets[i], draw);
        return;
    }
    // A windowed warp's grid may lie anywhere on the plane (its far end beyond the int range):
    // its clip is given; the whole grid of a whole warp lies around the origin.
    const WarpClip clip =
        pClip ? *pClip : WarpClip{xOff, xOff + m_nWidth - 1, yOff, yOff + m_nHeight - 1};
    const long long nCost = WarpSheets(pSheets, nSheets, source, *this, xOff, yOff, clip);
    if (nCost > 0) {
        // A move whose triangles would take far longer than any ordinary warp (depth steps
        // stretched across the whole window by the thousand) is refused instead of freezing
        // the caller; the grid stays black.
        m_WarpReport.bTooCostly = true;
        char szText[200];
        std::snprintf(szText, sizeof szText,
                      "The move is too costly to render: about %lld million steps, over the "
                      "limit of %lld million.",
                      nCost / 1000000, GetWarpBudget() / 1000000);
        ShowMessageBox(szText);
    }
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
    const int nSheets = ZoneSheets(nZone, ex, ey, LastColumn(source), LastRow(source), sheets);
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
                                   double* minY, double* maxY, int nSrcWidth,
                                   int nSrcHeight) const {
    double dMinX = 0.0, dMaxX = 0.0, dMinY = 0.0, dMaxY = 0.0;
    const WarpConstants k = ComputeWarpConstants(srcP, newP, srcCOP, newCOP);
    const int nLastX = nSrcWidth - 1, nLastY = nSrcHeight - 1;
    // Row 0, column 0, the last row, the last column; the corners are warped twice.
    auto warpBorder = [&](int x, int y) {
        double X, Y;
        // A border pixel without a usable position says nothing about the extent.
        if (!ApplyWarp(k, x, y, pSource[static_cast<long>(y) * nSrcWidth + x].disparity, &X, &Y))
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
    if (pSource && nSrcWidth > 0 && nSrcHeight > 0) {
        for (int x = 0; x <= nLastX; ++x)
            warpBorder(x, 0);
        for (int y = 0; y <= nLastY; ++y)
            warpBorder(0, y);
        for (int x = 0; x <= nLastX; ++x)
            warpBorder(x, nLastY);
        for (int y = 0; y <= nLastY; ++y)
            warpBorder(nLastX, y);
    }
    *minX = dMinX;
    *maxX = dMaxX;
    *minY = dMinY;
    *maxY = dMaxY;
}

bool CViewImage::WarpWindow(double minX, double maxX, double minY, double maxY, int* xOff,
                            int* yOff, int* nWidth, int* nHeight, int nMaxSide, int nCentreX,
                            int nCentreY) {
    // The range is centred on the origin or, for a large source, on its centre; either way it
    // holds the origin, so the box below stays in it.
    const double kMinBoundX = nCentreX + MinBound(nMaxSide),
                 kMaxBoundX = nCentreX + MaxBound(nMaxSide);
    const double kMinBoundY = nCentreY + MinBound(nMaxSide),
                 kMaxBoundY = nCentreY + MaxBound(nMaxSide);
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
    if (minX < kMinBoundX) {
        minX = kMinBoundX;
        bCut = true;
    }
    if (maxX > kMaxBoundX) {
        maxX = kMaxBoundX;
        bCut = true;
    }
    if (minY < kMinBoundY) {
        minY = kMinBoundY;
        bCut = true;
    }
    if (maxY > kMaxBoundY) {
        maxY = kMaxBoundY;
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

void CViewImage::SetupWarp(const CViewImage& source, int nZone, int ex, int ey, EWarpGrid eGrid) {
    // Without a usable source grid there is nothing to warp: the new image gets the cleared
    // 3 x 3 grid of an empty border (xOff = yOff = -1) and no traversal runs.
    const bool bSourceUsable = IsWarpableSource(source);
    MORROW_ASSERT(bSourceUsable);

    int xOff, yOff;
    const bool bCut = ComputeMoveWindow(source, m_COP, m_P, &xOff, &yOff, &m_nWidth, &m_nHeight);

    if (bCut)
        ReportCut(m_nWidth, m_nHeight);
    const bool bColours = eGrid == EWarpGrid::Colours;
    long nCount = static_cast<long>(m_nWidth) * m_nHeight;
    PixelSample* pGrid = nullptr;
    unsigned char* pColours = nullptr;
    AllocateGrid(bColours, nCount, &pGrid, &pColours);
    const bool bNoMemory = pGrid == nullptr && pColours == nullptr;
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
        if (bColours)
            pColours = new unsigned char[static_cast<size_t>(nCount) * 3];
        else
            pGrid = new PixelSample[nCount];
    }
    if (bColours) {
        std::memset(pColours, 0, static_cast<size_t>(nCount) * 3);
        SetColours(pColours);
    } else {
        for (long i = 0; i < nCount; ++i)
            pGrid[i] = PixelSample{0.0, 0.0, 0.0, 1.0};
        SetSamples(pGrid);
    }

    m_WarpReport.nZone = nZone;
    m_WarpReport.nEx = ex;
    m_WarpReport.nEy = ey;
    m_WarpReport.nXOff = xOff;
    m_WarpReport.nYOff = yOff;
    m_WarpReport.bCut = bCut;

    if (!bSourceUsable) {
        TraceLine("no source grid to warp: the warped image stays black\n");
        return;
    }
    if (bNoMemory)
        return;
    TraverseZone(source, nZone, ex, ey, xOff, yOff);
}

void CViewImage::SetupWindowWarp(const CViewImage& source, int nZone, int ex, int ey, int nX0,
                                 int nY0, int nWidth, int nHeight, EWarpGrid eGrid,
                                 ByteColour unwritten) {
    m_WarpReport.nZone = nZone;
    m_WarpReport.nEx = ex;
    m_WarpReport.nEy = ey;
    m_WarpReport.nXOff = nX0;
    m_WarpReport.nYOff = nY0;
    m_nWidth = m_nHeight = 0;
    SetSamples(nullptr);

    // The whole warp's window, found as SetupWarp finds it: the window draws only what the
    // whole warp would, and says what it would about the cut.
    const bool bSourceUsable = IsWarpableSource(source);
    MORROW_ASSERT(bSourceUsable);
    int xOff, yOff, nFullWidth, nFullHeight;
    const bool bCut =
        ComputeMoveWindow(source, m_COP, m_P, &xOff, &yOff, &nFullWidth, &nFullHeight);
    m_WarpReport.bCut = bCut;
    if (bCut)
        ReportCut(nFullWidth, nFullHeight);

    if (nWidth <= 0 || nHeight <= 0 || nWidth > kMaxWindowSide || nHeight > kMaxWindowSide ||
        static_cast<long>(nWidth) * nHeight > kMaxWindowArea) {
        char szText[200];
        std::snprintf(szText, sizeof szText,
                      "A window of %d x %d pixels cannot be warped: each side must be 1 to %d "
                      "pixels and the area at most %ld pixels.",
                      nWidth, nHeight, kMaxWindowSide, kMaxWindowArea);
        ShowMessageBox(szText);
        return;
    }
    const bool bColours = eGrid == EWarpGrid::Colours;
    const long nCount = static_cast<long>(nWidth) * nHeight;
    PixelSample* pGrid = nullptr;
    unsigned char* pColours = nullptr;
    AllocateGrid(bColours, nCount, &pGrid, &pColours);
    if (!pGrid && !pColours) {
        char szText[160];
        std::snprintf(szText, sizeof szText,
                      "There is not enough memory for a warped image of %d x %d pixels.", nWidth,
                      nHeight);
        ShowMessageBox(szText);
        return;
    }

    // The part of the window that the whole warp's window covers, in plane coordinates (formed
    // in 64 bits: a window may lie anywhere on the plane).
    const long long nColLo = std::max<long long>(nX0, xOff);
    const long long nColHi = std::min<long long>(static_cast<long long>(nX0) + nWidth,
                                                 static_cast<long long>(xOff) + nFullWidth) -
                             1;
    const long long nRowLo = std::max<long long>(nY0, yOff);
    const long long nRowHi = std::min<long long>(static_cast<long long>(nY0) + nHeight,
                                                 static_cast<long long>(yOff) + nFullHeight) -
                             1;
    const bool bMeets = nColLo <= nColHi && nRowLo <= nRowHi;
    const WarpClip clip = bMeets ? WarpClip{static_cast<int>(nColLo), static_cast<int>(nColHi),
                                            static_cast<int>(nRowLo), static_cast<int>(nRowHi)}
                                 : WarpClip{0, -1, 0, -1};

    // Outside the whole warp's window the cleared black of the whole warp; inside it NaN (or
    // the caller's colour of the bytes) until a triangle writes, so that a disocclusion can be
    // told from a black sample.
    if (bColours) {
        FillWindow(pColours, nWidth, nHeight, nX0, nY0, bMeets, nColLo, nColHi, nRowLo, nRowHi,
                   ByteColour{0, 0, 0}, unwritten);
        SetColours(pColours);
    } else {
        const double dNaN = std::numeric_limits<double>::quiet_NaN();
        FillWindow(pGrid, nWidth, nHeight, nX0, nY0, bMeets, nColLo, nColHi, nRowLo, nRowHi,
                   PixelSample{0.0, 0.0, 0.0, 1.0}, PixelSample{dNaN, dNaN, dNaN, 1.0});
        SetSamples(pGrid);
    }
    m_nWidth = nWidth;
    m_nHeight = nHeight;

    if (!bSourceUsable) {
        TraceLine("no source grid to warp: the warped image stays black\n");
        return;
    }
    WarpSheet sheets[4];
    const int nSheets = ZoneSheets(nZone, ex, ey, LastColumn(source), LastRow(source), sheets);
    if (nSheets == 0) {
        ShowMessageBox("Wrong Zone id");
        return;
    }
    if (bMeets)
        DrawSheets(source, sheets, nSheets, nX0, nY0, &clip);
}
