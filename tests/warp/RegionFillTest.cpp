// The rasteriser's region-by-region fill of large triangles against the plain fill of every
// position: the same samples, the same stored marks and the same "Too TINY" count, on triangles
// chosen to stress the interval forms (vertices far beyond the window, coincident and nearly
// coincident coordinates, a black vertex 1, parts already stored).
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "warp/TriangleRaster.h"

namespace {

constexpr int kXOff = -40, kYOff = -30, kWidth = 96, kHeight = 80;

struct CFillState {
    std::vector<PixelSample> grid;
    std::vector<unsigned char> stored; // column by column, as the bands keep them
    std::int64_t nTiny = 0;
};

// Fills one triangle with or without the region path, from the same starting state.
CFillState FillOnce(const WarpedTriangle& tri, const CFillState& start, bool bRegions) {
    CFillState state = start;
    const CTriangleRaster raster{
        SampleGrid{state.grid.data()}, kWidth,       kHeight, kXOff, kYOff, kYOff,
        kYOff + kHeight - 1,           &state.nTiny, bRegions};
    int xs, xe, ys, ye;
    if (TriangleBox(tri.X1, tri.Y1, tri.X2, tri.Y2, tri.X3, tri.Y3, kXOff, kXOff + kWidth - 1,
                    kYOff, kYOff + kHeight - 1, &xs, &xe, &ys, &ye))
        raster.Fill(tri, xs, xe, ys, ye, state.stored.data());
    return state;
}

::testing::AssertionResult SameFill(const CFillState& a, const CFillState& b) {
    if (a.nTiny != b.nTiny)
        return ::testing::AssertionFailure() << "Too TINY " << a.nTiny << " vs " << b.nTiny;
    if (a.stored != b.stored)
        return ::testing::AssertionFailure() << "stored marks differ";
    for (size_t i = 0; i < a.grid.size(); ++i)
        if (std::memcmp(&a.grid[i], &b.grid[i], sizeof(PixelSample)) != 0)
            return ::testing::AssertionFailure()
                   << "sample " << i % kWidth << "," << i / kWidth << " differs";
    return ::testing::AssertionSuccess();
}

// A coordinate from a mix of scales: inside or near the window (fractional or whole), far
// beyond it, astronomically far, or a copy of another coordinate.
double Coordinate(std::mt19937& rng, double dOther) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double u = unit(rng), sign = unit(rng) < 0.5 ? -1.0 : 1.0;
    switch (rng() % 8) {
    case 0:
        return std::floor(-60.0 + 180.0 * u);
    case 1:
        return sign * 1e4 * u;
    case 2:
        return sign * (1e15 + 1e3 * u);
    case 3:
        return sign * 1e101 * (1.0 + u);
    case 4:
        return dOther;
    case 5:
        return dOther + sign * 1e-12;
    default:
        return -60.0 + 180.0 * u;
    }
}

TEST(RegionFill, MatchesThePlainFillOnStressTriangles) {
    std::mt19937 rng(20261211);
    const PixelSample black{0.0, 0.0, 0.0, 0.5}, red{200.0, 10.0, 5.0, 0.5},
        blue{3.0, 40.0, 250.0, 0.5};
    int nLarge = 0, nTinyCases = 0;
    for (int nCase = 0; nCase < 3000; ++nCase) {
        WarpedTriangle tri;
        tri.X1 = Coordinate(rng, 0.0);
        tri.Y1 = Coordinate(rng, tri.X1);
        tri.X2 = Coordinate(rng, tri.X1);
        tri.Y2 = Coordinate(rng, tri.Y1);
        tri.X3 = Coordinate(rng, tri.X2);
        tri.Y3 = Coordinate(rng, tri.Y2);
        tri.pS1 = rng() % 4 == 0 ? &black : &red;
        tri.pS2 = &blue;
        tri.pS3 = &red;

        CFillState start;
        start.grid.assign(static_cast<size_t>(kWidth) * kHeight, PixelSample{0.0, 0.0, 0.0, 1.0});
        start.stored.assign(start.grid.size(), 0);
        // Some cases start with a block that later triangles have stored.
        if (rng() % 2) {
            const int x0 = static_cast<int>(rng() % kWidth), y0 = static_cast<int>(rng() % kHeight);
            const int w = static_cast<int>(rng() % 60), h = static_cast<int>(rng() % 60);
            for (int x = x0; x < std::min(kWidth, x0 + w); ++x)
                for (int y = y0; y < std::min(kHeight, y0 + h); ++y) {
                    start.stored[static_cast<size_t>(x) * kHeight + y] = 1;
                    start.grid[static_cast<size_t>(y) * kWidth + x] = {7.0, 7.0, 7.0, 1.0};
                }
        }
        int xs, xe, ys, ye;
        if (TriangleBox(tri.X1, tri.Y1, tri.X2, tri.Y2, tri.X3, tri.Y3, kXOff, kXOff + kWidth - 1,
                        kYOff, kYOff + kHeight - 1, &xs, &xe, &ys, &ye) &&
            (xe - xs + 1) * (ye - ys + 1) >= 512)
            ++nLarge;
        const CFillState plain = FillOnce(tri, start, false);
        nTinyCases += plain.nTiny > 0;
        ASSERT_TRUE(SameFill(FillOnce(tri, start, true), plain))
            << "case " << nCase << ": (" << tri.X1 << ", " << tri.Y1 << "), (" << tri.X2 << ", "
            << tri.Y2 << "), (" << tri.X3 << ", " << tri.Y3 << ")";
    }
    // The table must reach the region path and "Too TINY" often enough to mean something.
    EXPECT_GT(nLarge, 300);
    EXPECT_GT(nTinyCases, 30);
}

} // namespace
