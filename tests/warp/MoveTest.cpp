// The free-move and focus-move constructors: the new camera, the copied scene values, the warp
// report, and every degenerate move (no crash, no hang, a defined image, the right messages).
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WarpFixture.h"
#include "warp/Warp.h"

namespace {

// A warped image is always complete: a grid of its size, disparity 1.0 everywhere.
void ExpectDefinedImage(const CViewImage& image) {
    ASSERT_NE(image.GetSamples(), nullptr);
    ASSERT_GE(image.GetWidth(), 3);
    ASSERT_GE(image.GetHeight(), 3);
    ASSERT_LE(image.GetWidth(), CViewImage::kMaxWarpSide);
    ASSERT_LE(image.GetHeight(), CViewImage::kMaxWarpSide);
    bool bDisparityOne = true, bFinite = true;
    for (long i = 0; i < long(image.GetWidth()) * image.GetHeight(); ++i) {
        const PixelSample& s = image.GetSamples()[i];
        bDisparityOne = bDisparityOne && s.disparity == 1.0;
        bFinite =
            bFinite && std::isfinite(s.red) && std::isfinite(s.green) && std::isfinite(s.blue);
    }
    EXPECT_TRUE(bDisparityOne);
    EXPECT_TRUE(bFinite);
    EXPECT_TRUE(image.GetFileName().empty());
}

void ExpectSceneValuesCopied(const CViewImage& image, const CViewImage& source) {
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image.GetSceneBounds()[i], source.GetSceneBounds()[i]);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(image.GetSceneExtra()[i], source.GetSceneExtra()[i]);
}

TEST(FreeMove, BuildsTheCameraAndReportsTheClassification) {
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage();
    const double position[3] = {12.0, -7.0, 30.0};
    CViewImage image(0.0, 0.0, 0.0, position, *pSource);
    ExpectDefinedImage(image);
    ExpectSceneValuesCopied(image, *pSource);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(image.GetCOP()[i], position[i]);
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(image.GetP()[i][j], pSource->GetP()[i][j]); // R = identity exactly
    }
    // By hand: C_new - C_src = (12, -7, 30) = e0 a + e1 b + W c with a = (1, 0, 0),
    // b = (0, 1, 0), c = (-100, -100, 200): W = 30 / 200 = 0.15, e0 = 12 + 100 W = 27,
    // e1 = -7 + 100 W = 8; the epipole (27 / 0.15, 8 / 0.15) = (180, 53.3) rounds to (180, 53),
    // over the grid: zone 5.
    const WarpReport& report = image.GetWarpReport();
    EXPECT_EQ(report.nZone, 5);
    EXPECT_EQ(report.nEx, 180);
    EXPECT_EQ(report.nEy, 53);
    EXPECT_DOUBLE_EQ(report.dW, 0.15);
    EXPECT_FALSE(report.bDegenerate);
    EXPECT_FALSE(report.bCut);
    EXPECT_LE(report.nXOff, -1);
    EXPECT_LE(report.nYOff, -1);
    EXPECT_GT(CountColoured(image), 30000);
    EXPECT_EQ(sinks.AssertionCount(), 0);

    // The angles play no part in the classification.
    CViewImage turned(10.0, -20.0, 30.0, position, *pSource);
    EXPECT_EQ(turned.GetWarpReport().nZone, report.nZone);
    EXPECT_EQ(turned.GetWarpReport().dW, report.dW);
    EXPECT_EQ(turned.GetWarpReport().nEx, report.nEx);
}

TEST(FreeMove, TurnsTheColumnsAboutTheWorldAxes) {
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage();
    const double* pCOP = pSource->GetCOP();
    // 180 degrees about z: x and y of every column negated (up to 5.4e-8 terms), z kept. The
    // picture turns upside down and stays on the new image plane's negative side.
    CViewImage image(0.0, 0.0, 180.0, pCOP, *pSource);
    for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(image.GetP()[0][j], -pSource->GetP()[0][j], 1e-5);
        EXPECT_NEAR(image.GetP()[1][j], -pSource->GetP()[1][j], 1e-5);
        EXPECT_EQ(image.GetP()[2][j], pSource->GetP()[2][j]);
    }
    ExpectDefinedImage(image);
}

TEST(FocusMove, MovesAlongTheLineToTheFocusPoint) {
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage(); // focus point (0, 0, 600), centre of projection at 0
    struct Case {
        double zoom;
        double z;
    } cases[] = {{0.5, 300.0}, {0.8, 120.0}, {1.2, -120.0}};
    for (const Case& c : cases) {
        CViewImage image(0.0, 0.0, 0.0, c.zoom, *pSource);
        EXPECT_EQ(image.GetCOP()[0], 0.0);
        EXPECT_EQ(image.GetCOP()[1], 0.0);
        EXPECT_NEAR(image.GetCOP()[2], c.z, 1e-9);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_EQ(image.GetP()[i][j], pSource->GetP()[i][j]);
        ExpectDefinedImage(image);
        ExpectSceneValuesCopied(image, *pSource);
        EXPECT_GT(CountColoured(image), 25000) << c.zoom;
    }
}

TEST(FocusMove, TurnsTheColumnsTheOtherWay) {
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage();
    CViewImage image(0.0, 90.0, 0.0, 1.0, *pSource);
    // The centre turned by +90 degrees about y around the focus point...
    EXPECT_NEAR(image.GetCOP()[0], -600.0, 1e-4);
    EXPECT_NEAR(image.GetCOP()[2], 600.0, 1e-4);
    // ...and the columns by -90 degrees: c = (-100, -100, 200) becomes (-200, -100, -100).
    EXPECT_NEAR(image.GetP()[0][2], -200.0, 1e-4);
    EXPECT_NEAR(image.GetP()[1][2], -100.0, 1e-4);
    EXPECT_NEAR(image.GetP()[2][2], -100.0, 1e-4);
    ExpectDefinedImage(image);
}

// Moves that meet a degenerate case. Each must end with a complete image.
struct DegenerateCase {
    const char* pszName;
    bool bFocus;
    double rx, ry, rz;
    double pos[3]; // free: the position; focus: pos[0] is the zoom
    bool bDegenerate;
    int nZone, nEx, nEy;
    int nAssertions; // failed assertions while the move ran, each place once
    bool bColoured;  // something of the scene is drawn
};

const double kNaN = std::nan("");

const DegenerateCase kDegenerateCases[] = {
    // A pure rotation: no parallax, one sheet over the whole grid.
    {"pure rotation", false, 0, 4, 0, {0, 0, 0}, true, 5, 0, 0, 1, true},
    {"focus without a move", true, 0, 0, 0, {1.0}, true, 5, 0, 0, 1, true},
    // In the plane through the centre spanned by a and b: the epipole at infinity along a.
    {"sideways along a", false, 0, 0, 0, {25, 0, 0}, true, 6, INT_MAX, 0, 1, true},
    {"sideways along -b", false, 0, 0, 0, {0, -25, 0}, true, 8, 0, INT_MIN, 1, true},
    // Camera at the focus point: the square (depth 400) is behind it and not drawn.
    {"focus zoom 0", true, 0, 0, 0, {0.0}, false, 5, 100, 100, 0, true},
    // Mirrored through the focus point, looking away: the whole scene is behind the camera.
    {"focus zoom -1", true, 0, 0, 0, {-1.0}, false, 5, 100, 100, 0, false},
    // Looking almost along the old image plane: the border warps very far.
    {"looking along the plane", false, 0, 89.9, 0, {0, 0, 10}, false, -5, 100, 100, 0, true},
    {"NaN angle", false, kNaN, 0, 0, {1, 2, 3}, false, -5, 100, 100, 0, false},
    {"NaN position", false, 0, 0, 0, {kNaN, 0, 0}, true, 5, 0, 0, 1, false},
};

TEST(Moves, DegenerateMovesEndWithADefinedImage) {
    auto pSource = MakeSourceImage();
    for (const DegenerateCase& c : kDegenerateCases) {
        SCOPED_TRACE(c.pszName);
        CRecordingSinks sinks;
        std::unique_ptr<CViewImage> pImage;
        if (c.bFocus)
            pImage = std::make_unique<CViewImage>(c.rx, c.ry, c.rz, c.pos[0], *pSource);
        else
            pImage = std::make_unique<CViewImage>(c.rx, c.ry, c.rz, c.pos, *pSource);
        ExpectDefinedImage(*pImage);
        const WarpReport& report = pImage->GetWarpReport();
        EXPECT_EQ(report.bDegenerate, c.bDegenerate);
        if (c.bDegenerate || std::string(c.pszName).find("focus") == 0) {
            EXPECT_EQ(report.nZone, c.nZone);
            EXPECT_EQ(report.nEx, c.nEx);
            EXPECT_EQ(report.nEy, c.nEy);
        }
        EXPECT_EQ(sinks.AssertionCount(), c.nAssertions);
        EXPECT_EQ(CountColoured(*pImage) > 0, c.bColoured);
        // Every message reached the user once and is in the report with its count.
        ASSERT_EQ(report.messages.size(), sinks.messages.size());
        for (size_t i = 0; i < sinks.messages.size(); ++i) {
            EXPECT_EQ(report.messages[i].strText, sinks.messages[i]);
            EXPECT_GE(report.messages[i].nCount, 1);
        }
    }
}

TEST(Moves, BehindTheCameraIsNotMirroredIntoThePicture) {
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage();
    // From the focus point the backdrop is drawn but none of the square's colour (blue 50).
    CViewImage image(0.0, 0.0, 0.0, 0.0, *pSource);
    int nSquare = 0, nBackdrop = 0;
    for (long i = 0; i < long(image.GetWidth()) * image.GetHeight(); ++i) {
        nSquare += image.GetSamples()[i].blue > 0.0 && image.GetSamples()[i].blue < 199.0;
        nBackdrop += image.GetSamples()[i].blue == 200.0;
    }
    EXPECT_EQ(nSquare, 0);
    EXPECT_GT(nBackdrop, 10000);
}

TEST(Moves, RepeatedMessagesAreShownOncePerWarp) {
    CRecordingSinks sinks;
    auto pSource = MakeIdentitySource(0.5);
    // The same camera: every integer position is a vertex, and those on vertex 1 cannot be
    // placed, many times over.
    CViewImage image(0.0, 0.0, 0.0, pSource->GetCOP(), *pSource);
    EXPECT_EQ(sinks.messages, std::vector<std::string>{"Too TINY"});
    ASSERT_EQ(image.GetWarpReport().messages.size(), 1u);
    EXPECT_EQ(image.GetWarpReport().messages[0].strText, "Too TINY");
    EXPECT_GT(image.GetWarpReport().messages[0].nCount, 1000);
    // A second warp shows it again.
    CViewImage again(0.0, 0.0, 0.0, pSource->GetCOP(), *pSource);
    EXPECT_EQ(sinks.messages.size(), 2u);
}

// A move over the warp budget draws nothing and says so once; the budget restored, the same
// move is drawn.
TEST(Moves, MoveOverTheBudgetIsRefusedWithAMessage) {
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage();
    const double position[3] = {-6.0, 9.0, 15.0};
    SetWarpBudget(1000);
    const CViewImage refused(1.0, -2.0, 3.0, position, *pSource);
    SetWarpBudget(0);
    EXPECT_TRUE(refused.GetWarpReport().bTooCostly);
    ASSERT_EQ(sinks.messages.size(), 1u);
    EXPECT_EQ(sinks.messages[0].rfind("The move is too costly to render: about ", 0), 0u)
        << sinks.messages[0];
    ASSERT_NE(refused.GetSamples(), nullptr);
    for (int i = 0; i < refused.GetWidth() * refused.GetHeight(); ++i)
        ASSERT_EQ(refused.GetSamples()[i].red + refused.GetSamples()[i].green, 0.0);

    const CViewImage drawn(1.0, -2.0, 3.0, position, *pSource);
    EXPECT_FALSE(drawn.GetWarpReport().bTooCostly);
    long nColoured = 0;
    for (int i = 0; i < drawn.GetWidth() * drawn.GetHeight(); ++i)
        nColoured += drawn.GetSamples()[i].red + drawn.GetSamples()[i].green > 0.0;
    EXPECT_GT(nColoured, 10000);
}

} // namespace

namespace {

// A source of any size: a 64 x 48 grid seen by the identity camera, every point at disparity
// 0.5, moved two units along x. The warping equation then shifts every pixel by exactly one
// column (X = u - 2 * 0.5, Y = v), so inside the window every position gets the colour of the
// source pixel one column to its right; the window is the border's box widened by one sample.
TEST(Moves, SourceOfAnySizeIsWarped) {
    CRecordingSinks sinks;
    const int nW = 64, nH = 48;
    CViewImage source;
    const double cop[3] = {0.0, 0.0, 0.0};
    const double P[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    source.SetCamera(cop, P);
    const double bounds[6] = {0, 64, 0, 48, 1, 3}, extra[8] = {};
    source.SetSceneValues(bounds, extra);
    source.SetWidth(nW);
    source.SetHeight(nH);
    PixelSample* pGrid = new PixelSample[nW * nH];
    for (int y = 0; y < nH; ++y)
        for (int x = 0; x < nW; ++x)
            pGrid[y * nW + x] = {3.0 * x, 5.0 * y, 7.0, 0.5};
    source.SetSamples(pGrid);

    const double position[3] = {2.0, 0.0, 0.0};
    const CViewImage warped(0.0, 0.0, 0.0, position, source);
    const WarpReport& report = warped.GetWarpReport();
    // The border spans X -1..62 and Y 0..47.
    EXPECT_EQ(report.nXOff, -2);
    EXPECT_EQ(report.nYOff, -1);
    ASSERT_EQ(warped.GetWidth(), 66);
    ASSERT_EQ(warped.GetHeight(), 50);
    int nWrong = 0;
    for (int y = 1; y < nH - 1; ++y)
        for (int x = 0; x < nW - 2; ++x) {
            const PixelSample& s = warped.GetSamples()[(y + 1) * 66 + (x + 2)];
            nWrong += s.red != 3.0 * (x + 1) || s.green != 5.0 * y || s.blue != 7.0;
        }
    EXPECT_EQ(nWrong, 0);
}

} // namespace

namespace {

TEST(Moves, SourceSizesAndTheirLargestWindow) {
    // The range of the warped grid stays centred on the plane origin for the sources that fit it
    // with room around, and moves to the centre of a larger one.
    const struct {
        int nWidth, nHeight;
        bool bWarpable;
        int nMaxSide;
        int nCentreX, nCentreY;
    } cases[] = {{200, 200, true, 2048, 0, 0},       {2, 2, true, 2048, 0, 0},
                 {1, 5, false, 2048, 0, 0},          {500, 512, true, 2048, 0, 0},
                 {1500, 10, true, 3000, 749, 0},     {640, 1100, true, 2200, 319, 549},
                 {1280, 1024, true, 2560, 639, 511}, {4096, 2, true, 8192, 2047, 0},
                 {4097, 2, false, 8192, 2047, 0}};
    for (const auto& c : cases) {
        CViewImage image;
        image.SetWidth(c.nWidth);
        image.SetHeight(c.nHeight);
        EXPECT_FALSE(IsWarpableSource(image)) << "no grid";
        image.SetSamples(new PixelSample[static_cast<size_t>(c.nWidth) * c.nHeight]());
        EXPECT_EQ(IsWarpableSource(image), c.bWarpable) << c.nWidth << " x " << c.nHeight;
        EXPECT_EQ(MaxWarpSide(image), c.nMaxSide) << c.nWidth << " x " << c.nHeight;
        int nCentreX = -1, nCentreY = -1;
        WarpRangeCentre(image, &nCentreX, &nCentreY);
        EXPECT_EQ(nCentreX, c.nCentreX) << c.nWidth << " x " << c.nHeight;
        EXPECT_EQ(nCentreY, c.nCentreY) << c.nWidth << " x " << c.nHeight;
    }
}

TEST(Moves, LargeSourceSeenFromNearItsOwnCameraIsNotCut) {
    // A 1280 x 1024 wall facing the camera: a small step forward widens the picture a little,
    // which a range centred on the plane origin (-1279..1278) cut at its far edge.
    const int nW = 1280, nH = 1024;
    CViewImage source;
    source.SetWidth(nW);
    source.SetHeight(nH);
    PixelSample* pSamples = new PixelSample[static_cast<size_t>(nW) * nH];
    for (long i = 0; i < long(nW) * nH; ++i)
        pSamples[i] = PixelSample{double(i % 251), 90.0, 160.0, 0.5};
    source.SetSamples(pSamples);
    const double cop[3] = {0.0, 0.0, 0.0};
    const double P[3][3] = {{1.0, 0.0, -640.0}, {0.0, 1.0, -512.0}, {0.0, 0.0, 1000.0}};
    const double bounds[6] = {-1.0, 1.0, -1.0, 1.0, 1.0, 3.0}, extra[8] = {};
    source.SetCamera(cop, P);
    source.SetSceneValues(bounds, extra);
    CMessageScope scope;
    const double position[3] = {0.0, 0.0, 0.01};
    const CViewImage moved(0.0, 0.0, 0.0, position, source);
    EXPECT_FALSE(moved.GetWarpReport().bCut);
    EXPECT_TRUE(scope.GetEntries().empty());
    EXPECT_LE(moved.GetWarpReport().nXOff, 0);
    EXPECT_GE(moved.GetWarpReport().nXOff + moved.GetWidth(), nW);
    EXPECT_GE(moved.GetWarpReport().nYOff + moved.GetHeight(), nH);
}

} // namespace
