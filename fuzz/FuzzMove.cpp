// Fuzz target: a whole camera move. The bytes become a source camera, scene bounds, a source
// grid of 2 to 80 samples each way filled with a small tile of samples repeated over it (so depth
// edges, NaN, infinities and huge or negative disparities recur everywhere) and a free or a focus
// move, which then runs through the real move constructor. Whatever the numbers, the move must
// finish with a usable image, in the window that the camera alone predicts. Moves whose window is
// large are only predicted, not warped (see kMaxFuzzWindow and kMaxFuzzFill), and the bits 1 and 2
// of the first byte choose the number of warp threads (1 to 3). The bytes after the move choose a
// window of up to 64 x 64 around the warped one, which the windowed pose move of the same camera
// must fill with the whole warp's very colours (NaN only where the whole warp kept its black).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "image/ViewImage.h"
#include "warp/Warp.h"
#include "warp/WarpEquation.h"

namespace {

// Source camera of the defaults: centre at the origin, looking along +z, the 200 x 200 image
// plane at distance 200, so a plane at depth z has generalized disparity 200 / z.
const double kDefaultCOP[3] = {0.0, 0.0, 0.0};
const double kDefaultP[3][3] = {{1.0, 0.0, -100.0}, {0.0, 1.0, -100.0}, {0.0, 0.0, 200.0}};
const double kDefaultBounds[6] = {-100.0, 100.0, -100.0, 100.0, 300.0, 500.0};

// Largest window that is warped. The cost of a warp grows with its window (a magnified move
// fills up to 2048 x 2048 samples and takes a second or more under the sanitizers), and such
// inputs held the fuzzer to a few runs a second, far below ten thousand in three minutes; the
// moves with large windows are timed by measure-worst-cases.sh and the hostile-move tests.
constexpr long kMaxFuzzWindow = 256L * 256;
// Largest estimated fill that is warped. Within a small window the raster still visits every
// position of each triangle's box, and depth edges make boxes as large as the window: one such
// move took two seconds under the sanitizers. The seeds' ordinary moves estimate 0.37 million.
constexpr double kMaxFuzzFill = 6.0e5;

// An upper bound of the positions the raster visits: for every cell of the source, the box of
// its warped corners (those with a position) within the window.
double EstimateFill(const CViewImage& source, const double newCOP[3], const double newP[3][3],
                    int nXOff, int nYOff, int nWidth, int nHeight) {
    const int nSrcW = source.GetWidth(), nSrcH = source.GetHeight();
    const size_t nPixels = static_cast<size_t>(nSrcW) * nSrcH;
    std::vector<double> xs(nPixels), ys(nPixels);
    std::vector<unsigned char> usable(nPixels);
    const WarpConstants k = ComputeWarpConstants(source.GetP(), newP, source.GetCOP(), newCOP);
    for (int y = 0; y < nSrcH; ++y)
        for (int x = 0; x < nSrcW; ++x) {
            const size_t i = static_cast<size_t>(y * nSrcW + x);
            usable[i] = ApplyWarp(k, x, y, source.GetSamples()[i].disparity, &xs[i], &ys[i]);
        }
    const double dXLo = nXOff, dXHi = nXOff + nWidth - 1.0;
    const double dYLo = nYOff, dYHi = nYOff + nHeight - 1.0;
    double dFill = 0.0;
    for (int y = 0; y < nSrcH - 1; ++y)
        for (int x = 0; x < nSrcW - 1; ++x) {
            double dMinX = HUGE_VAL, dMaxX = -HUGE_VAL, dMinY = HUGE_VAL, dMaxY = -HUGE_VAL;
            int nUsable = 0;
            for (int nCorner = 0; nCorner < 4; ++nCorner) {
                const size_t i = static_cast<size_t>((y + nCorner / 2) * nSrcW + x + nCorner % 2);
                if (!usable[i])
                    continue;
                ++nUsable;
                dMinX = std::min(dMinX, xs[i]);
                dMaxX = std::max(dMaxX, xs[i]);
                dMinY = std::min(dMinY, ys[i]);
                dMaxY = std::max(dMaxY, ys[i]);
            }
            if (nUsable < 3)
                continue;
            const double dW = std::min(dMaxX, dXHi) - std::max(dMinX, dXLo) + 2.0;
            const double dH = std::min(dMaxY, dYHi) - std::max(dMinY, dYLo) + 2.0;
            if (dW > 0.0 && dH > 0.0)
                dFill += dW * dH;
        }
    return dFill;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    SilenceReports();
    CFuzzInput in(pData, nSize);

    const uint8_t nFlags = in.NextByte();
    const bool bFocus = (nFlags & 1) != 0;

    double cop[3], P[3][3], bounds[6], extra[8] = {};
    for (int i = 0; i < 3; ++i)
        cop[i] = in.NextDouble(kDefaultCOP[i]);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            P[r][c] = in.NextDouble(kDefaultP[r][c]);
    for (int i = 0; i < 6; ++i)
        bounds[i] = in.NextDouble(kDefaultBounds[i]);

    // A small source keeps every run cheap (the warp's cost grows with the source's cells); the
    // engine takes any size, so the sizes are fuzzed too (a byte 0 gives 48).
    const int nSrcW = 2 + (in.NextByte() + 46) % 79;
    const int nSrcH = 2 + (in.NextByte() + 46) % 79;
    const int nTileW = 1 + in.NextByte() % 8;
    const int nTileH = 1 + in.NextByte() % 8;
    std::vector<PixelSample> tile(static_cast<size_t>(nTileW) * nTileH);
    for (PixelSample& s : tile) {
        s.disparity = in.NextDouble(0.5);
        s.red = in.NextDouble(200.0);
        s.green = in.NextDouble(100.0);
        s.blue = in.NextDouble(50.0);
    }

    double angles[3];
    for (double& a : angles)
        a = in.NextDouble(0.0);
    double position[3] = {in.NextDouble(10.0), in.NextDouble(-5.0), in.NextDouble(20.0)};
    const double dZoom = in.NextDouble(0.9);

    if (std::getenv("MORROW_FUZZ_DESCRIBE")) {
        // What an input means, for reading a saved crash or timeout.
        std::fprintf(stderr, "%s move\nCOP %.17g %.17g %.17g\n", bFocus ? "focus" : "free", cop[0],
                     cop[1], cop[2]);
        for (int r = 0; r < 3; ++r)
            std::fprintf(stderr, "P row %d: %.17g %.17g %.17g\n", r, P[r][0], P[r][1], P[r][2]);
        std::fprintf(stderr, "bounds %.17g %.17g %.17g %.17g %.17g %.17g\n", bounds[0], bounds[1],
                     bounds[2], bounds[3], bounds[4], bounds[5]);
        std::fprintf(stderr, "tile %d x %d (disparity red green blue):\n", nTileW, nTileH);
        for (const PixelSample& s : tile)
            std::fprintf(stderr, "  %.17g %.17g %.17g %.17g\n", s.disparity, s.red, s.green,
                         s.blue);
        std::fprintf(stderr, "angles %.17g %.17g %.17g\n", angles[0], angles[1], angles[2]);
        if (bFocus)
            std::fprintf(stderr, "zoom %.17g\n", dZoom);
        else
            std::fprintf(stderr, "position %.17g %.17g %.17g\n", position[0], position[1],
                         position[2]);
    }

    CViewImage source;
    source.SetCamera(cop, P);
    source.SetSceneValues(bounds, extra);
    source.SetWidth(nSrcW);
    source.SetHeight(nSrcH);
    PixelSample* pGrid = new PixelSample[static_cast<size_t>(nSrcW) * nSrcH];
    for (int y = 0; y < nSrcH; ++y)
        for (int x = 0; x < nSrcW; ++x)
            pGrid[y * nSrcW + x] = tile[static_cast<size_t>((y % nTileH) * nTileW + x % nTileW)];
    source.SetSamples(pGrid);

    // The camera and window of the move, as the move constructor makes them.
    double newCOP[3], newP[3][3];
    if (bFocus)
        BuildFocusMoveCamera(angles[0], angles[1], angles[2], dZoom, source, newCOP, newP);
    else
        BuildFreeMoveCamera(angles[0], angles[1], angles[2], position, source, newCOP, newP);
    int nXOff = 0, nYOff = 0, nWidth = 0, nHeight = 0;
    const bool bCut = ComputeMoveWindow(source, newCOP, newP, &nXOff, &nYOff, &nWidth, &nHeight);
    FUZZ_CHECK(nWidth >= 3 && nWidth <= CViewImage::kMaxWarpSide);
    FUZZ_CHECK(nHeight >= 3 && nHeight <= CViewImage::kMaxWarpSide);
    if (std::getenv("MORROW_FUZZ_DESCRIBE"))
        std::fprintf(stderr, "window %d x %d from (%d, %d)%s\n", nWidth, nHeight, nXOff, nYOff,
                     static_cast<long>(nWidth) * nHeight > kMaxFuzzWindow ? ", not warped" : "");
    if (static_cast<long>(nWidth) * nHeight > kMaxFuzzWindow)
        return 0;
    const double dFill = EstimateFill(source, newCOP, newP, nXOff, nYOff, nWidth, nHeight);
    if (std::getenv("MORROW_FUZZ_DESCRIBE"))
        std::fprintf(stderr, "estimated fill %.0f%s\n", dFill,
                     dFill > kMaxFuzzFill ? ", not warped" : "");
    if (dFill > kMaxFuzzFill)
        return 0;

    // Mostly one thread: the fuzzer runs beside other work, where waiting threads cost the most.
    const unsigned kThreads[4] = {1, 1, 2, 3};
    SetWarpThreads(kThreads[(nFlags >> 1) & 3u]);
    CViewImage* pMoved = bFocus ? new CViewImage(angles[0], angles[1], angles[2], dZoom, source)
                                : new CViewImage(angles[0], angles[1], angles[2], position, source);
    SetWarpThreads(0);

    FUZZ_CHECK(pMoved->GetWidth() == nWidth && pMoved->GetHeight() == nHeight);
    FUZZ_CHECK(pMoved->GetWarpReport().nXOff == nXOff && pMoved->GetWarpReport().nYOff == nYOff);
    FUZZ_CHECK(pMoved->GetWarpReport().bCut == bCut);
    FUZZ_CHECK(pMoved->GetSamples() != nullptr);
    const int nZone = pMoved->GetWarpReport().nZone;
    FUZZ_CHECK(nZone != 0 && nZone >= -9 && nZone <= 9);
    // The warp writes colours only; every disparity keeps the cleared value.
    const PixelSample* pSamples = pMoved->GetSamples();
    const long nCount = static_cast<long>(nWidth) * nHeight;
    for (long i = 0; i < nCount; ++i)
        FUZZ_CHECK(pSamples[i].disparity == 1.0);
    std::vector<unsigned char> bytes;
    FUZZ_CHECK(pMoved->EncodeBmp(bytes));

    // A window reaching up to 8 positions beyond the warped one on every side.
    const int nX0 = nXOff - 8 + in.NextByte() % (nWidth + 16);
    const int nY0 = nYOff - 8 + in.NextByte() % (nHeight + 16);
    const int nWinW = 1 + in.NextByte() % 64, nWinH = 1 + in.NextByte() % 64;
    SetWarpThreads(kThreads[(nFlags >> 3) & 3u]);
    const CViewImage window(newCOP, newP, source, nX0, nY0, nWinW, nWinH);
    SetWarpThreads(0);
    FUZZ_CHECK(window.GetWidth() == nWinW && window.GetHeight() == nWinH);
    FUZZ_CHECK(window.GetWarpReport().nXOff == nX0 && window.GetWarpReport().nYOff == nY0);
    FUZZ_CHECK(window.GetWarpReport().nZone == nZone && window.GetWarpReport().bCut == bCut);
    FUZZ_CHECK(window.GetWarpReport().bTooCostly == pMoved->GetWarpReport().bTooCostly);
    auto sameBits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (int r = 0; r < nWinH; ++r)
        for (int i = 0; i < nWinW; ++i) {
            const PixelSample& w = window.GetSamples()[r * nWinW + i];
            FUZZ_CHECK(w.disparity == 1.0);
            const int X = nX0 + i - nXOff, Y = nY0 + r - nYOff;
            if (X < 0 || X >= nWidth || Y < 0 || Y >= nHeight) {
                FUZZ_CHECK(sameBits(w.red, 0.0) && sameBits(w.green, 0.0) && sameBits(w.blue, 0.0));
                continue;
            }
            const PixelSample& f = pSamples[static_cast<long>(Y) * nWidth + X];
            if (std::isnan(w.red) && std::isnan(w.green) && std::isnan(w.blue))
                FUZZ_CHECK(sameBits(f.red, 0.0) && sameBits(f.green, 0.0) && sameBits(f.blue, 0.0));
            else
                FUZZ_CHECK(sameBits(w.red, f.red) && sameBits(w.green, f.green) &&
                           sameBits(w.blue, f.blue));
        }
    delete pMoved;
    return 0;
}
