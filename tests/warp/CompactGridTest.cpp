// Warps into colour bytes (EWarpGrid::Colours): every byte is ColourToByte of the colour the
// samples form of the same warp holds, the caller's unwritten colour stands exactly where the
// samples form has NaN, the report is the same, and every writer gives the same bytes for
// both forms. A colour grid is never a warp source.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Scene.h"
#include "TestSupport.h"
#include "WarpFixture.h"
#include "image/ImageFiles.h"
#include "warp/Warp.h"

namespace {

std::unique_ptr<CViewImage> SceneSource(int nWidth, int nHeight) {
    auto pImage = std::make_unique<CViewImage>();
    EXPECT_TRUE(BuildSceneImage(ScenePresetNames().front(), nWidth, nHeight, *pImage));
    return pImage;
}

// A move as a pose: free (angles, offset of the centre from the source's) or focus (angles,
// zoom in values[0]); nBudget other than 0 makes it too costly to render.
struct Move {
    const char* pszName;
    bool bFocus;
    double rx, ry, rz;
    double values[3];
    long long nBudget;
};

const Move kMoves[] = {
    {"free small step", false, 1.0, -2.0, 0.0, {0.15, 0.05, 0.1}, 0},
    {"focus 0.8 turned", true, 3.0, -4.0, 2.0, {0.8, 0, 0}, 0},
    {"focus 0.3 magnifying", true, 0.0, 2.0, 0.0, {0.3, 0, 0}, 0},
    {"pure turn (W = 0, degenerate)", false, 0.0, 5.0, 0.0, {0.0, 0.0, 0.0}, 0},
    {"looking along the plane (cut)", false, 0.0, 89.9, 0.0, {0.0, 0.0, 0.5}, 0},
    {"too costly", false, 1.0, -2.0, 0.0, {0.15, 0.05, 0.1}, 1000},
};

void BuildMove(const Move& move, const CViewImage& source, double cop[3], double P[3][3]) {
    if (move.bFocus) {
        BuildFocusMoveCamera(move.rx, move.ry, move.rz, move.values[0], source, cop, P);
        return;
    }
    const double* c = source.GetCOP();
    const double position[3] = {c[0] + move.values[0], c[1] + move.values[1],
                                c[2] + move.values[2]};
    BuildFreeMoveCamera(move.rx, move.ry, move.rz, position, source, cop, P);
}

::testing::AssertionResult SameReport(const WarpReport& a, const WarpReport& b) {
    if (a.nZone != b.nZone || a.nEx != b.nEx || a.nEy != b.nEy ||
        std::memcmp(&a.dW, &b.dW, sizeof a.dW) != 0 || a.bDegenerate != b.bDegenerate ||
        a.nXOff != b.nXOff || a.nYOff != b.nYOff || a.bCut != b.bCut ||
        a.bTooCostly != b.bTooCostly)
        return ::testing::AssertionFailure() << "report differs";
    if (a.messages.size() != b.messages.size())
        return ::testing::AssertionFailure() << "message lists differ";
    for (size_t i = 0; i < a.messages.size(); ++i)
        if (a.messages[i].strText != b.messages[i].strText ||
            a.messages[i].nCount != b.messages[i].nCount)
            return ::testing::AssertionFailure() << "message " << i << " differs";
    return ::testing::AssertionSuccess();
}

// The colour grid against the samples form of the same warp: ColourToByte of its colours, and
// the unwritten colour where it has NaN.
::testing::AssertionResult BytesOfTheSamples(const CViewImage& colours, const CViewImage& samples,
                                             ByteColour unwritten) {
    if (colours.GetSamples() != nullptr || colours.GetColours() == nullptr)
        return ::testing::AssertionFailure() << "no colour grid, or samples too";
    if (colours.GetWidth() != samples.GetWidth() || colours.GetHeight() != samples.GetHeight() ||
        !samples.GetSamples())
        return ::testing::AssertionFailure()
               << "size " << colours.GetWidth() << "x" << colours.GetHeight() << " vs "
               << samples.GetWidth() << "x" << samples.GetHeight();
    const long nCount = long(colours.GetWidth()) * colours.GetHeight();
    long nWrong = 0, nFirst = -1, nUnwritten = 0;
    for (long i = 0; i < nCount; ++i) {
        const PixelSample& s = samples.GetSamples()[i];
        const unsigned char* p = colours.GetColours() + i * 3;
        const bool bNaN = std::isnan(s.red);
        nUnwritten += bNaN;
        const unsigned char want[3] = {bNaN ? unwritten.red : ColourToByte(s.red),
                                       bNaN ? unwritten.green : ColourToByte(s.green),
                                       bNaN ? unwritten.blue : ColourToByte(s.blue)};
        if (std::memcmp(p, want, 3) != 0 && nWrong++ == 0)
            nFirst = i;
    }
    if (nWrong)
        return ::testing::AssertionFailure()
               << nWrong << " positions differ, first at column " << nFirst % colours.GetWidth()
               << ", row " << nFirst / colours.GetWidth();
    return ::testing::AssertionSuccess() << nUnwritten << " unwritten";
}

struct Window {
    const char* pszName;
    int nX0, nY0, nWidth, nHeight;
};

std::vector<Window> WindowsOf(int xOff, int yOff, int W, int H) {
    return {
        {"middle part, cutting triangles", xOff + W / 3, yOff + H / 4, W / 3 + 1, H / 2 + 3},
        {"partly beyond left and below", xOff - 50, yOff - 20, W / 2 + 50, H / 3 + 20},
        {"wholly beyond right", xOff + W + 10, yOff, 100, 100},
        {"1 x 1 in the middle", xOff + W / 2, yOff + H / 2, 1, 1},
        {"larger, holding the whole window", xOff - 20, yOff - 30, W + 50, H + 70},
        {"a live view at the plane origin", 0, 0, 800, 600},
        {"far along the plane", INT_MAX - 50, INT_MIN, 100, 40},
    };
}

// Every move of the table, whole and windowed, on one and two threads.
void CheckMoves(const CViewImage& source) {
    const ByteColour kOdd{201, 7, 99}, kBlack{0, 0, 0};
    for (unsigned nThreads : {1u, 2u}) {
        SetWarpThreads(nThreads);
        SCOPED_TRACE(std::to_string(nThreads) + " threads");
        for (const Move& move : kMoves) {
            SCOPED_TRACE(move.pszName);
            double cop[3], P[3][3];
            BuildMove(move, source, cop, P);
            SetWarpBudget(move.nBudget);
            const CViewImage samples(cop, P, source);
            const CViewImage colours(cop, P, source, EWarpGrid::Colours);
            EXPECT_TRUE(BytesOfTheSamples(colours, samples, kBlack));
            EXPECT_TRUE(SameReport(colours.GetWarpReport(), samples.GetWarpReport()));
            EXPECT_EQ(colours.GetWarpReport().bTooCostly, move.nBudget != 0);
            const WarpReport& rf = samples.GetWarpReport();
            for (const Window& w :
                 WindowsOf(rf.nXOff, rf.nYOff, samples.GetWidth(), samples.GetHeight())) {
                SCOPED_TRACE(w.pszName);
                const CViewImage window(cop, P, source, w.nX0, w.nY0, w.nWidth, w.nHeight);
                const CViewImage odd(cop, P, source, w.nX0, w.nY0, w.nWidth, w.nHeight,
                                     EWarpGrid::Colours, kOdd);
                EXPECT_TRUE(BytesOfTheSamples(odd, window, kOdd));
                EXPECT_TRUE(SameReport(odd.GetWarpReport(), window.GetWarpReport()));
                // Black for the unwritten: the whole warp's bytes, black beyond its window
                // (unless the whole warp was too costly to draw, where a small window is not).
                if (rf.bTooCostly && !window.GetWarpReport().bTooCostly)
                    continue;
                const CViewImage black(cop, P, source, w.nX0, w.nY0, w.nWidth, w.nHeight,
                                       EWarpGrid::Colours);
                ASSERT_NE(black.GetColours(), nullptr);
                long nWrong = 0;
                for (int r = 0; r < w.nHeight; ++r)
                    for (int i = 0; i < w.nWidth; ++i) {
                        const long long X = (long long)w.nX0 + i - rf.nXOff;
                        const long long Y = (long long)w.nY0 + r - rf.nYOff;
                        const bool bInside =
                            X >= 0 && X < colours.GetWidth() && Y >= 0 && Y < colours.GetHeight();
                        const unsigned char kZero[3] = {0, 0, 0};
                        const unsigned char* pWant =
                            bInside ? colours.GetColours() + (Y * colours.GetWidth() + X) * 3
                                    : kZero;
                        nWrong += std::memcmp(black.GetColours() + (long(r) * w.nWidth + i) * 3,
                                              pWant, 3) != 0;
                    }
                EXPECT_EQ(nWrong, 0);
            }
            SetWarpBudget(0);
        }
    }
    SetWarpThreads(0);
}

TEST(CompactGrid, BytesAreThoseOfTheSamplesOnTheSampleScene) {
    CRecordingSinks sinks;
    CheckMoves(*SceneSource(200, 200));
}

TEST(CompactGrid, BytesAreThoseOfTheSamplesOnALargerSource) {
    CRecordingSinks sinks;
    CheckMoves(*SceneSource(640, 480));
}

// A window of an odd width (rows with fill bytes in the BMP) and the whole warp: every writer
// gives the same bytes for the two forms.
TEST(CompactGrid, WritersGiveTheSameBytesForBothForms) {
    CRecordingSinks sinks;
    CScratchDir dir;
    auto pSource = SceneSource(200, 200);
    double cop[3], P[3][3];
    BuildMove(kMoves[1], *pSource, cop, P);
    const CViewImage wholeSamples(cop, P, *pSource);
    const CViewImage wholeColours(cop, P, *pSource, EWarpGrid::Colours);
    const int nX0 = wholeSamples.GetWarpReport().nXOff + 40;
    const int nY0 = wholeSamples.GetWarpReport().nYOff + 30;
    const CViewImage partSamples(cop, P, *pSource, nX0, nY0, 37, 23);
    const CViewImage partColours(cop, P, *pSource, nX0, nY0, 37, 23, EWarpGrid::Colours);
    const std::pair<const CViewImage*, const CViewImage*> pairs[] = {{&wholeSamples, &wholeColours},
                                                                     {&partSamples, &partColours}};
    for (const auto& pair : pairs) {
        const CViewImage& s = *pair.first;
        const CViewImage& c = *pair.second;
        SCOPED_TRACE(std::to_string(s.GetWidth()) + " x " + std::to_string(s.GetHeight()));
        ASSERT_NE(c.GetColours(), nullptr);
        std::vector<unsigned char> bmpS, bmpC, pngS, pngC;
        ASSERT_TRUE(s.EncodeBmp(bmpS));
        ASSERT_TRUE(c.EncodeBmp(bmpC));
        EXPECT_TRUE(bmpS == bmpC);
        ASSERT_TRUE(EncodePng(s, pngS));
        ASSERT_TRUE(EncodePng(c, pngC));
        EXPECT_TRUE(pngS == pngC);
        const size_t nBytes = size_t(s.GetWidth()) * size_t(s.GetHeight()) * 3;
        std::vector<unsigned char> shownS(nBytes, 1), shownC(nBytes, 2);
        s.WriteDisplayBytes(shownS.data());
        c.WriteDisplayBytes(shownC.data());
        EXPECT_TRUE(shownS == shownC);
        for (const char* pszName : {"a.bmp", "a.png"}) {
            ASSERT_TRUE(WriteImageFile(s, dir.File(std::string("s") + pszName).c_str()));
            ASSERT_TRUE(WriteImageFile(c, dir.File(std::string("c") + pszName).c_str()));
            EXPECT_EQ(ReadFileBytes(dir.File(std::string("s") + pszName)),
                      ReadFileBytes(dir.File(std::string("c") + pszName)))
                << pszName;
        }
        const std::vector<double> depth(size_t(s.GetWidth()) * size_t(s.GetHeight()), 2.5);
        std::string strError;
        ASSERT_TRUE(
            WriteRgbd(s, depth, dir.File("s.png").c_str(), dir.File("s.pfm").c_str(), &strError))
            << strError;
        ASSERT_TRUE(
            WriteRgbd(c, depth, dir.File("c.png").c_str(), dir.File("c.pfm").c_str(), &strError))
            << strError;
        EXPECT_EQ(ReadFileBytes(dir.File("s.png")), ReadFileBytes(dir.File("c.png")));
        EXPECT_EQ(ReadFileBytes(dir.File("s.pfm")), ReadFileBytes(dir.File("c.pfm")));
    }
}

// A colour grid is shown and written, never warped: every move from it and every step of the
// engine on it is refused safely, as for a source without a grid.
TEST(CompactGrid, ColourGridIsNoWarpSource) {
    CRecordingSinks sinks;
    auto pSource = SceneSource(200, 200);
    double cop[3], P[3][3];
    BuildMove(kMoves[0], *pSource, cop, P);
    const CViewImage colours(cop, P, *pSource, EWarpGrid::Colours);
    ASSERT_NE(colours.GetColours(), nullptr);
    EXPECT_TRUE(colours.HasGrid());
    EXPECT_FALSE(IsWarpableSource(colours));

    int xOff, yOff, nWidth, nHeight;
    EXPECT_FALSE(ComputeMoveWindow(colours, cop, P, &xOff, &yOff, &nWidth, &nHeight));
    EXPECT_EQ(nWidth, 3);
    EXPECT_EQ(nHeight, 3);

    const double position[3] = {0.1, 0.0, 0.0};
    const CViewImage freeMove(0.0, 1.0, 0.0, position, colours);
    const CViewImage focusMove(0.0, 1.0, 0.0, 0.9, colours);
    const CViewImage poseMove(cop, P, colours);
    const CViewImage poseColours(cop, P, colours, EWarpGrid::Colours);
    const CViewImage window(cop, P, colours, -5, -5, 20, 10, EWarpGrid::Colours,
                            ByteColour{255, 0, 255});
    for (const CViewImage* pMoved : {&freeMove, &focusMove, &poseMove}) {
        ASSERT_NE(pMoved->GetSamples(), nullptr);
        ASSERT_EQ(pMoved->GetWidth(), 3);
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(pMoved->GetSamples()[i].red, 0.0);
    }
    ASSERT_NE(poseColours.GetColours(), nullptr);
    ASSERT_EQ(poseColours.GetWidth() * poseColours.GetHeight(), 9);
    for (int i = 0; i < 27; ++i)
        EXPECT_EQ(poseColours.GetColours()[i], 0);
    // The whole warp's window of an unusable source is 3 x 3 around the origin; the rest of
    // the window is black, and nothing is drawn inside it.
    ASSERT_NE(window.GetColours(), nullptr);
    long nMagenta = 0, nBlack = 0;
    for (int i = 0; i < 200; ++i) {
        const unsigned char* p = window.GetColours() + i * 3;
        nMagenta += p[0] == 255 && p[1] == 0 && p[2] == 255;
        nBlack += p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
    EXPECT_EQ(nMagenta, 9);
    EXPECT_EQ(nBlack, 191);
    EXPECT_GT(sinks.AssertionCount(), 0); // the unusable source is asserted, not drawn from

    // The direct triangle seam draws into samples only.
    CViewImage target(cop, P, *pSource, EWarpGrid::Colours);
    std::vector<unsigned char> before(target.GetColours(),
                                      target.GetColours() + size_t(target.GetWidth()) *
                                                                size_t(target.GetHeight()) * 3);
    const int nAsserts = sinks.AssertionCount();
    target.WarpTriangle(10, 10, 11, 10, 10, 11, target.GetWarpReport().nXOff,
                        target.GetWarpReport().nYOff, *pSource);
    EXPECT_EQ(sinks.AssertionCount() - nAsserts, 1);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), target.GetColours()));
}

// An image holds one grid: taking one form frees the other.
TEST(CompactGrid, ImageHoldsOneGridAtATime) {
    CViewImage image;
    EXPECT_FALSE(image.HasGrid());
    image.SetWidth(2);
    image.SetHeight(1);
    image.SetSamples(new PixelSample[2]());
    image.SetColours(new unsigned char[6]());
    EXPECT_EQ(image.GetSamples(), nullptr);
    EXPECT_NE(image.GetColours(), nullptr);
    image.SetSamples(new PixelSample[2]());
    EXPECT_EQ(image.GetColours(), nullptr);
    EXPECT_NE(image.GetSamples(), nullptr);
    image.SetSamples(nullptr);
    EXPECT_FALSE(image.HasGrid());
    std::vector<unsigned char> bytes;
    EXPECT_FALSE(image.EncodeBmp(bytes));
    EXPECT_FALSE(EncodePng(image, bytes));
}

} // namespace
