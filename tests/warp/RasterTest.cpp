// The warping equation for one pixel, the rasteriser of one triangle and the window of the new
// grid, on cameras whose arithmetic is exact.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WarpFixture.h"
#include "math/Matrix.h"
#include "warp/TriangleRaster.h"
#include "warp/Warp.h"

namespace {

const double kIdentityP[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
const double kOrigin[3] = {0.0, 0.0, 0.0};

TEST(WarpPixel, SameCameraMapsEveryPixelOntoItself) {
    auto pSource = MakeSourceImage();
    CViewImage image;
    for (double disparity : {0.0, 0.25, 1.0, 7.5}) {
        for (double u : {0.0, 13.0, 199.0}) {
            double x, y;
            ASSERT_TRUE(image.WarpPixel(u, 42.0, pSource->GetP(), pSource->GetP(),
                                        pSource->GetCOP(), pSource->GetCOP(), disparity, &x, &y));
            EXPECT_NEAR(x, u, 1e-9);
            EXPECT_NEAR(y, 42.0, 1e-9);
        }
    }
}

TEST(WarpPixel, BaselineEntersAsReferenceMinusDesired) {
    CViewImage image;
    double x, y;
    // The desired centre one step a further on: pixel (u, v) lands at (u - 1, v).
    const double desCOP[3] = {1.0, 0.0, 0.0};
    ASSERT_TRUE(image.WarpPixel(5.0, 7.0, kIdentityP, kIdentityP, kOrigin, desCOP, 1.0, &x, &y));
    EXPECT_EQ(x, 4.0);
    EXPECT_EQ(y, 7.0);

    // Disparity 0 maps by the two matrices alone, whatever the centres.
    double R[3][3];
    BuildRotation(3.0, -4.0, 5.0, R);
    const double farCOP[3] = {30.0, -20.0, 10.0};
    double x0, y0, x1, y1;
    ASSERT_TRUE(image.WarpPixel(5.0, 7.0, kIdentityP, R, kOrigin, kOrigin, 0.0, &x0, &y0));
    ASSERT_TRUE(image.WarpPixel(5.0, 7.0, kIdentityP, R, kOrigin, farCOP, 0.0, &x1, &y1));
    EXPECT_EQ(x0, x1);
    EXPECT_EQ(y0, y1);
    // With equal centres the disparity plays no part.
    ASSERT_TRUE(image.WarpPixel(5.0, 7.0, kIdentityP, R, kOrigin, kOrigin, 3.0, &x1, &y1));
    EXPECT_EQ(x0, x1);
    EXPECT_EQ(y0, y1);
}

TEST(WarpPixel, PointsWithoutAPositionAreUnusable) {
    // Desired centre at (0, 0, 1): D = 1 - disparity.
    const double desCOP[3] = {0.0, 0.0, 1.0};
    struct Case {
        double disparity;
        bool bUsable;
        int nAssertions;
    } cases[] = {
        {0.5, true, 0},           {1.0, false, 1}, // in the plane of the new centre: D = 0
        {1.0 - 1e-21, false, 1},                   // |D| <= 1e-20 (rounds to D = 0 as well)
        {2.0, false, 0}, // behind the new camera: would land mirrored at (-u, -v)
        {std::nan(""), false, 0}, {INFINITY, false, 0},
    };
    for (const Case& c : cases) {
        CRecordingSinks sinks;
        CViewImage image;
        double x = 1.0, y = 1.0;
        EXPECT_EQ(
            image.WarpPixel(3.0, 4.0, kIdentityP, kIdentityP, kOrigin, desCOP, c.disparity, &x, &y),
            c.bUsable)
            << c.disparity;
        EXPECT_EQ(std::isnan(x), !c.bUsable);
        EXPECT_EQ(std::isnan(y), !c.bUsable);
        EXPECT_EQ(sinks.AssertionCount(), c.nAssertions) << c.disparity;
    }
}

TEST(TriangleBounds, TakesPairwiseExtremes) {
    CViewImage image;
    double minX, maxX, minY, maxY;
    image.TriangleBounds(3.0, -1.0, -2.0, 5.0, 0.5, 0.0, &minX, &maxX, &minY, &maxY);
    EXPECT_EQ(minX, -2.0);
    EXPECT_EQ(maxX, 3.0);
    EXPECT_EQ(minY, -1.0);
    EXPECT_EQ(maxY, 5.0);
}

// Identity cameras: every vertex lands on its own integer position, colours (x, y, 7).
struct ExactTriangle : ::testing::Test {
    std::unique_ptr<CViewImage> pSource = MakeIdentitySource(0.5);
    std::unique_ptr<CViewImage> pTarget = MakeTarget(kOrigin, kIdentityP, 10, 10);
    const PixelSample& At(int x, int y) const { return pTarget->GetSamples()[y * 10 + x]; }
};

TEST_F(ExactTriangle, StoresCoveredPositionsWithInterpolatedColours) {
    CRecordingSinks sinks;
    pTarget->WarpTriangle(5, 5, 6, 5, 5, 6, 0, 0, *pSource);
    // Vertex 1 is outside by the crossing-count rule; vertices 2 and 3 carry their colours.
    EXPECT_EQ(CountColoured(*pTarget), 2);
    EXPECT_EQ(At(6, 5).red, 6.0);
    EXPECT_EQ(At(6, 5).green, 5.0);
    EXPECT_EQ(At(5, 6).red, 5.0);
    EXPECT_EQ(At(5, 6).green, 6.0);
    EXPECT_EQ(At(5, 6).blue, 7.0);
    EXPECT_TRUE(sinks.messages.empty());

    // The second triangle of the cell: (5, 6) is vertex 1, cannot be placed, and is skipped.
    pTarget->GetSamples()[6 * 10 + 5] = PixelSample{99.0, 99.0, 99.0, 0.3};
    pTarget->WarpTriangle(5, 6, 6, 5, 6, 6, 0, 0, *pSource);
    EXPECT_EQ(sinks.messages, std::vector<std::string>(3, "Too TINY"));
    EXPECT_EQ(At(5, 6).red, 99.0);
    EXPECT_EQ(At(6, 6).red, 6.0);
    EXPECT_EQ(At(6, 6).green, 6.0);
    EXPECT_EQ(At(6, 5).red, 6.0);
}

TEST_F(ExactTriangle, BlackVertexOneIsStoredAndDisparityIsNeverWritten) {
    CRecordingSinks sinks;
    pSource->GetSamples()[6 * 200 + 5] = PixelSample{0.0, 0.0, 0.0, 0.5};
    pTarget->GetSamples()[6 * 10 + 5] = PixelSample{99.0, 99.0, 99.0, 0.3};
    pTarget->WarpTriangle(5, 6, 6, 5, 6, 6, 0, 0, *pSource);
    // The failure value -0 compares equal to 0, so black is stored over the old colour.
    EXPECT_EQ(At(5, 6).red, 0.0);
    EXPECT_EQ(At(5, 6).green, 0.0);
    EXPECT_EQ(At(5, 6).blue, 0.0);
    EXPECT_EQ(At(5, 6).disparity, 0.3);
    EXPECT_EQ(At(6, 6).disparity, 1.0);
}

TEST_F(ExactTriangle, SkipsPositionsOutsideTheWindow) {
    struct Case {
        int xOff, yOff, nWidth, nHeight;
        bool bStored65, bStored56; // positions (6, 5) and (5, 6)
    } cases[] = {
        {0, 0, 6, 10, false, true}, // x - xOff = width
        {0, 6, 10, 4, false, true}, // y - yOff = -1
        {6, 0, 4, 10, true, false}, // x - xOff = -1
        {0, 0, 10, 6, true, false}, // y - yOff = height
        {-3, -4, 20, 20, true, true},
    };
    for (const Case& c : cases) {
        auto pCut = MakeTarget(kOrigin, kIdentityP, c.nWidth, c.nHeight);
        pCut->WarpTriangle(5, 5, 6, 5, 5, 6, c.xOff, c.yOff, *pSource);
        const PixelSample* pGrid = pCut->GetSamples();
        auto stored = [&](int x, int y) {
            const int col = x - c.xOff, row = y - c.yOff;
            return col >= 0 && col < c.nWidth && row >= 0 && row < c.nHeight &&
                   pGrid[row * c.nWidth + col].red != 0.0;
        };
        EXPECT_EQ(stored(6, 5), c.bStored65) << c.xOff << " " << c.yOff;
        EXPECT_EQ(stored(5, 6), c.bStored56) << c.xOff << " " << c.yOff;
        EXPECT_EQ(CountColoured(*pCut), int(c.bStored65) + int(c.bStored56));
    }
}

TEST(CrossingCount, AnswersAsPointInTriangleEverywhere) {
    // Triangles chosen to meet the count's corner cases (vertices on grid positions, edges
    // through them, shared-vertex crossings, the far point of the lower-left quadrant, slivers,
    // degenerate and non-finite ones), then seeded random ones; every grid position of a margin
    // around each gets the same answer from both forms.
    const double dInf = INFINITY, dNaN = NAN;
    std::vector<std::vector<double>> triangles = {
        {0, 0, 4, 0, 0, 4},         {1, 1, 5, 1, 3, 5},       {-3, -3, -1, -3, -2, -1},
        {-4, -1, -1, -4, -1, -1},   {2, 2, 2, 2, 2, 2},       {0, 0, 3, 3, 6, 6},
        {0.5, 0.5, 3.5, 0.5, 2, 3}, {1e-9, 0, 3, 1e-9, 0, 3}, {-2, 0, 2, 0, 0, 1e-12},
        {0, 0, dInf, 0, 0, 3},      {0, 0, 3, dNaN, 0, 3},    {-1, 2, 2, -1, 2, 2},
    };
    std::mt19937 rng(1234u);
    std::uniform_real_distribution<double> coordinate(-8.0, 8.0), jitter(-0.5, 0.5);
    for (int i = 0; i < 300; ++i) {
        std::vector<double> t(6);
        const double dSteps = i % 3 == 0 ? 1.0 : 4.0; // on grid positions, on quarters...
        for (double& v : t)
            v = std::floor(coordinate(rng) * dSteps) / dSteps;
        if (i % 3 == 2) // ... or anywhere
            for (double& v : t)
                v += jitter(rng);
        triangles.push_back(t);
    }
    CMatrix matrix;
    long nDifferent = 0, nInside = 0;
    for (const std::vector<double>& t : triangles) {
        const WarpedTriangle tri{t[0], t[1], t[2], t[3], t[4], t[5], nullptr, nullptr, nullptr};
        const CCrossingCount count(tri);
        for (int y = -10; y <= 10; ++y)
            for (int x = -10; x <= 10; ++x) {
                const bool bPlain =
                    matrix.PointInTriangle(x, y, t[0], t[1], t[2], t[3], t[4], t[5]) != 0;
                nDifferent += bPlain != count.Inside(x, y);
                nInside += bPlain;
            }
    }
    EXPECT_EQ(nDifferent, 0);
    EXPECT_GT(nInside, 1000);
}

TEST(WarpTriangle, FillsExactlyThePositionsInsideTheMappedTriangle) {
    // A camera that maps pixel (u, v) to (4u - 13.2, 4v - 10.4): triangles of the lower-left
    // quadrant, negative bounds (minX = -13.2 truncates to -13), edges across the window.
    auto pSource = MakeIdentitySource(0.5);
    const double desP[3][3] = {{0.25, 0.0, 3.3}, {0.0, 0.25, 2.6}, {0.0, 0.0, 1.0}};
    struct Case {
        int v[6];
        int xOff, yOff, nWidth, nHeight;
    } cases[] = {
        {{0, 0, 1, 0, 0, 1}, -20, -20, 30, 30},
        {{0, 1, 1, 0, 1, 1}, -20, -20, 30, 30},
        {{4, 3, 3, 3, 4, 2}, -20, -20, 30, 30},
        {{2, 2, 5, 2, 2, 6}, -20, -20, 30, 30}, // a large one holding the origin
        {{2, 2, 5, 2, 2, 6}, -3, -1, 4, 3},     // the same, clipped by a small window
        {{5, 5, 4, 5, 5, 4}, -20, -20, 30, 30},
    };
    CMatrix matrix;
    CRecordingSinks sinks; // positions on vertex 1 show "Too TINY"
    for (const Case& c : cases) {
        auto pTarget = MakeTarget(kOrigin, desP, c.nWidth, c.nHeight);
        pTarget->WarpTriangle(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5], c.xOff, c.yOff,
                              *pSource);
        double X[3], Y[3];
        for (int k = 0; k < 3; ++k)
            ASSERT_TRUE(pTarget->WarpPixel(c.v[2 * k], c.v[2 * k + 1], pSource->GetP(), desP,
                                           kOrigin, kOrigin, 0.5, &X[k], &Y[k]));
        int nMismatches = 0, nInside = 0;
        for (int row = 0; row < c.nHeight; ++row) {
            for (int col = 0; col < c.nWidth; ++col) {
                const double px = col + c.xOff, py = row + c.yOff;
                const bool bInside =
                    matrix.PointInTriangle(px, py, X[0], Y[0], X[1], Y[1], X[2], Y[2]) == 1 &&
                    matrix.InterpolateInTriangle(1.0, 1.0, 1.0, px, py, X[0], Y[0], X[1], Y[1],
                                                 X[2], Y[2]) >= 0;
                nInside += bInside;
                const bool bStored = pTarget->GetSamples()[row * c.nWidth + col].blue > 0.0;
                nMismatches += bInside != bStored;
            }
        }
        EXPECT_GT(nInside, 0) << c.v[0] << "," << c.v[1];
        EXPECT_EQ(nMismatches, 0) << c.v[0] << "," << c.v[1];
    }
}

TEST(WarpTriangle, UnusableVertexDropsTheTriangle) {
    CRecordingSinks sinks;
    auto pSource = MakeIdentitySource(0.5);
    // New centre at (0, 0, 1): D = 1 - disparity; a vertex of disparity 1 has no position, one
    // of disparity 3 lies behind the new camera.
    // Only the first fails the assertion on D.
    const double desCOP[3] = {0.0, 0.0, 1.0};
    const struct {
        double disparity;
        int nAssertions;
    } cases[] = {{1.0, 1}, {3.0, 0}};
    for (const auto& c : cases) {
        pSource->GetSamples()[5 * 200 + 6].disparity = c.disparity;
        auto pTarget = MakeTarget(desCOP, kIdentityP, 40, 40);
        const int nBefore = sinks.AssertionCount();
        pTarget->WarpTriangle(5, 5, 6, 5, 5, 6, -20, -20, *pSource);
        EXPECT_EQ(sinks.AssertionCount() - nBefore, c.nAssertions) << c.disparity;
        EXPECT_EQ(CountColoured(*pTarget), 0) << c.disparity;
    }
}

TEST(WarpWindow, SizesTheGridFromTheBorderBox) {
    struct Case {
        double minX, maxX, minY, maxY;
        int xOff, yOff, nWidth, nHeight;
        bool bCut;
    } cases[] = {
        {0.0, 199.0, 0.0, 199.0, -1, -1, 202, 202, false},
        {0.0, 150.0, 0.0, 0.0, -1, -1, 153, 3, false},
        {-10.3, 210.6, -0.5, 0.5, -11, -1, 223, 3, false},
        {-1023.0, 1022.0, -1023.0, 1022.0, -1024, -1024, 2048, 2048, false},
        {-1e300, 1e300, -5.0, 1e9, -1024, -6, 2048, 1030, true},
        {-3.0, 4e12, -2e20, 0.0, -4, -1024, 1028, 1026, true},
        // A box that does not hold the origin, or NaN, is widened to it.
        {5.0, -3.0, NAN, NAN, -1, -1, 3, 3, false},
    };
    for (const Case& c : cases) {
        int xOff, yOff, nWidth, nHeight;
        EXPECT_EQ(
            CViewImage::WarpWindow(c.minX, c.maxX, c.minY, c.maxY, &xOff, &yOff, &nWidth, &nHeight),
            c.bCut);
        EXPECT_EQ(xOff, c.xOff) << c.minX;
        EXPECT_EQ(yOff, c.yOff) << c.minY;
        EXPECT_EQ(nWidth, c.nWidth) << c.maxX;
        EXPECT_EQ(nHeight, c.nHeight) << c.maxY;
    }
}

// SetupWarp on a target whose camera differs from the identity source only in a and b.
std::unique_ptr<CViewImage> SetupScaled(double dScale, CViewImage& source) {
    auto pTarget = std::make_unique<CViewImage>();
    const double desP[3][3] = {{1.0 / dScale, 0.0, 0.0}, {0.0, 1.0 / dScale, 0.0}, {0.0, 0.0, 1.0}};
    pTarget->SetCamera(kOrigin, desP);
    // Both centres at the origin: no parallax, W = 0, and the classification of a pure
    // rotation is zone 5 with the epipole at (0, 0), one sheet over the whole grid.
    pTarget->SetupWarp(source, 5, 0, 0);
    return pTarget;
}

TEST(SetupWarp, SameCameraGivesAOnePixelMargin) {
    CRecordingSinks sinks; // positions on vertex 1 show "Too TINY"
    auto pSource = MakeIdentitySource(0.5);
    auto pTarget = SetupScaled(1.0, *pSource);
    ASSERT_EQ(pTarget->GetWidth(), 202);
    ASSERT_EQ(pTarget->GetHeight(), 202);
    EXPECT_EQ(pTarget->GetWarpReport().nXOff, -1);
    EXPECT_EQ(pTarget->GetWarpReport().nYOff, -1);
    const PixelSample* pGrid = pTarget->GetSamples();
    int nMarginColoured = 0;
    bool bDisparityOne = true;
    for (int row = 0; row < 202; ++row) {
        for (int col = 0; col < 202; ++col) {
            const PixelSample& s = pGrid[row * 202 + col];
            bDisparityOne = bDisparityOne && s.disparity == 1.0;
            if (row == 0 || col == 0 || row == 201 || col == 201)
                nMarginColoured += s.red != 0.0 || s.green != 0.0 || s.blue != 0.0;
            else if (s.blue == 7.0) {
                EXPECT_TRUE(s.red == col - 1 && s.green == row - 1) << col << "," << row;
            }
        }
    }
    EXPECT_EQ(nMarginColoured, 0);
    EXPECT_TRUE(bDisparityOne);
    EXPECT_GT(CountColoured(*pTarget), 199 * 199);
}

TEST(SetupWarp, DropsTrianglesWithSidesUnderHalfAPixel) {
    CRecordingSinks sinks;
    auto pSource = MakeIdentitySource(0.5);
    // Reduced by 3: every side is 1/3 long and every triangle is dropped.
    auto pSmall = SetupScaled(1.0 / 3.0, *pSource);
    EXPECT_EQ(pSmall->GetWidth(), 69);
    EXPECT_EQ(CountColoured(*pSmall), 0);
    // Reduced by exactly 2: sides of 0.5 are kept.
    auto pHalf = SetupScaled(0.5, *pSource);
    EXPECT_EQ(pHalf->GetWidth(), 102);
    EXPECT_GT(CountColoured(*pHalf), 0);
}

TEST(SetupWarp, CutsAHugeWindowAndSaysSoOnce) {
    CRecordingSinks sinks;
    auto pSource = MakeIdentitySource(0.5);
    CMessageScope scope;
    auto pTarget = SetupScaled(1000.0, *pSource);
    EXPECT_EQ(pTarget->GetWidth(), 1025);
    EXPECT_EQ(pTarget->GetHeight(), 1025);
    EXPECT_TRUE(pTarget->GetWarpReport().bCut);
    EXPECT_EQ(sinks.messages, std::vector<std::string>{
                                  "The warped image is too large and has been cut to 1025 x 1025 "
                                  "pixels."});
    EXPECT_GT(CountColoured(*pTarget), 1000 * 1000);
}

TEST(SetupWarp, SourceWithoutAGridGivesAClearedThreeByThreeGrid) {
    CRecordingSinks sinks;
    CViewImage noGrid;
    noGrid.SetCamera(kOrigin, kIdentityP);
    // A grid needs two samples each way for a cell.
    CViewImage wrongSize;
    wrongSize.SetCamera(kOrigin, kIdentityP);
    wrongSize.SetWidth(6);
    wrongSize.SetHeight(1);
    wrongSize.SetSamples(new PixelSample[6]());
    for (CViewImage* pSource : {&noGrid, &wrongSize}) {
        CViewImage target;
        const double cop[3] = {1.0, 0.0, 0.0};
        target.SetCamera(cop, kIdentityP);
        const int nBefore = sinks.AssertionCount();
        target.SetupWarp(*pSource, 6, 500, 0);
        EXPECT_EQ(sinks.AssertionCount() - nBefore, 1); // the source is not usable
        ASSERT_EQ(target.GetWidth(), 3);
        ASSERT_EQ(target.GetHeight(), 3);
        ASSERT_NE(target.GetSamples(), nullptr);
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(target.GetSamples()[i].red, 0.0);
            EXPECT_EQ(target.GetSamples()[i].disparity, 1.0);
        }
    }
    EXPECT_TRUE(sinks.messages.empty());
}

} // namespace
