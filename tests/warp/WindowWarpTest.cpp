// The pose moves: the camera given in full, warped whole or into a window of the new image
// plane. A window holds exactly the whole warp's colours where both windows meet (NaN where no
// triangle wrote), for every thread count, and costs only what it shows.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Scene.h"
#include "TestSupport.h"
#include "WarpFixture.h"
#include "framework/Services.h"
#include "warp/Warp.h"

namespace {

// Bitwise equality of the grids, sizes and reports (messages included) of two warps.
::testing::AssertionResult SameWarp(const CViewImage& a, const CViewImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return ::testing::AssertionFailure() << "size " << a.GetWidth() << "x" << a.GetHeight()
                                             << " vs " << b.GetWidth() << "x" << b.GetHeight();
    if (std::memcmp(a.GetCOP(), b.GetCOP(), 3 * sizeof(double)) != 0 ||
        std::memcmp(a.GetP(), b.GetP(), 9 * sizeof(double)) != 0)
        return ::testing::AssertionFailure() << "camera differs";
    const WarpReport &ra = a.GetWarpReport(), &rb = b.GetWarpReport();
    if (ra.nZone != rb.nZone || ra.nEx != rb.nEx || ra.nEy != rb.nEy ||
        std::memcmp(&ra.dW, &rb.dW, sizeof ra.dW) != 0 || ra.bDegenerate != rb.bDegenerate ||
        ra.nXOff != rb.nXOff || ra.nYOff != rb.nYOff || ra.bCut != rb.bCut ||
        ra.bTooCostly != rb.bTooCostly)
        return ::testing::AssertionFailure() << "report differs";
    if (ra.messages.size() != rb.messages.size())
        return ::testing::AssertionFailure() << "message lists differ";
    for (size_t i = 0; i < ra.messages.size(); ++i)
        if (ra.messages[i].strText != rb.messages[i].strText ||
            ra.messages[i].nCount != rb.messages[i].nCount)
            return ::testing::AssertionFailure() << "message " << i << " differs";
    if (std::memcmp(a.GetSamples(), b.GetSamples(),
                    sizeof(PixelSample) * size_t(a.GetWidth()) * size_t(a.GetHeight())) != 0)
        return ::testing::AssertionFailure() << "grids differ";
    return ::testing::AssertionSuccess();
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
bool IsClearBlack(const PixelSample& s) {
    return SameBits(s.red, 0.0) && SameBits(s.green, 0.0) && SameBits(s.blue, 0.0);
}
bool IsUnwritten(const PixelSample& s) {
    return std::isnan(s.red) && std::isnan(s.green) && std::isnan(s.blue);
}
long CountWritten(const CViewImage& window) {
    long nCount = 0;
    for (long i = 0; i < long(window.GetWidth()) * window.GetHeight(); ++i)
        nCount += !IsUnwritten(window.GetSamples()[i]) && !IsClearBlack(window.GetSamples()[i]);
    return nCount;
}

// The window of a warp against the whole warp of the same pose: its size and report; at every
// position inside the whole window the whole warp's colours, NaN exactly where the whole warp
// kept its clear black (these scenes have no black colour, so that black is "never written");
// outside it the clear black; disparity 1.0 everywhere.
::testing::AssertionResult MatchesTheWholeWarp(const CViewImage& window, const CViewImage& whole,
                                               int nX0, int nY0, int nWidth, int nHeight) {
    if (window.GetWidth() != nWidth || window.GetHeight() != nHeight || !window.GetSamples())
        return ::testing::AssertionFailure()
               << "grid " << window.GetWidth() << "x" << window.GetHeight();
    const WarpReport &rw = window.GetWarpReport(), &rf = whole.GetWarpReport();
    if (rw.nXOff != nX0 || rw.nYOff != nY0)
        return ::testing::AssertionFailure() << "offsets " << rw.nXOff << "," << rw.nYOff;
    if (rw.nZone != rf.nZone || rw.nEx != rf.nEx || rw.nEy != rf.nEy || !SameBits(rw.dW, rf.dW) ||
        rw.bDegenerate != rf.bDegenerate || rw.bCut != rf.bCut || rw.bTooCostly != rf.bTooCostly)
        return ::testing::AssertionFailure() << "report differs";
    long nWrong = 0, nFirst = -1, nUnwritten = 0;
    for (int r = 0; r < nHeight; ++r)
        for (int i = 0; i < nWidth; ++i) {
            const PixelSample& s = window.GetSamples()[long(r) * nWidth + i];
            const long long X = (long long)nX0 + i - rf.nXOff, Y = (long long)nY0 + r - rf.nYOff;
            bool bRight = s.disparity == 1.0;
            if (X < 0 || X >= whole.GetWidth() || Y < 0 || Y >= whole.GetHeight()) {
                bRight = bRight && IsClearBlack(s);
            } else {
                const PixelSample& f = whole.GetSamples()[Y * whole.GetWidth() + X];
                if (IsUnwritten(s)) {
                    bRight = bRight && IsClearBlack(f);
                    ++nUnwritten;
                } else {
                    bRight = bRight && !IsClearBlack(f) && SameBits(s.red, f.red) &&
                             SameBits(s.green, f.green) && SameBits(s.blue, f.blue);
                }
            }
            if (!bRight && nWrong++ == 0)
                nFirst = long(r) * nWidth + i;
        }
    if (nWrong)
        return ::testing::AssertionFailure() << nWrong << " positions differ, first at column "
                                             << nFirst % nWidth << ", row " << nFirst / nWidth;
    return ::testing::AssertionSuccess() << nUnwritten << " unwritten";
}

std::unique_ptr<CViewImage> SceneSource(int nWidth, int nHeight) {
    auto pImage = std::make_unique<CViewImage>();
    EXPECT_TRUE(BuildSceneImage(ScenePresetNames().front(), nWidth, nHeight, *pImage));
    return pImage;
}

// A pose: free (angles, offset of the centre from the source's) or focus (angles, zoom).
struct Pose {
    const char* pszName;
    bool bFocus;
    double rx, ry, rz;
    double values[3]; // offset of the new centre, or the zoom in values[0]
};

void BuildPose(const Pose& pose, const CViewImage& source, double cop[3], double P[3][3]) {
    if (pose.bFocus) {
        BuildFocusMoveCamera(pose.rx, pose.ry, pose.rz, pose.values[0], source, cop, P);
        return;
    }
    const double* c = source.GetCOP();
    const double position[3] = {c[0] + pose.values[0], c[1] + pose.values[1],
                                c[2] + pose.values[2]};
    BuildFreeMoveCamera(pose.rx, pose.ry, pose.rz, position, source, cop, P);
}

const Pose kScenePoses[] = {
    {"free small step", false, 1.0, -2.0, 0.0, {0.15, 0.05, 0.1}},
    {"focus 0.8 turned", true, 3.0, -4.0, 2.0, {0.8, 0, 0}},
    {"focus 0.3 magnifying", true, 0.0, 2.0, 0.0, {0.3, 0, 0}},
    {"pure turn (W = 0)", false, 0.0, 5.0, 0.0, {0.0, 0.0, 0.0}},
    {"looking along the plane (cut)", false, 0.0, 89.9, 0.0, {0.0, 0.0, 0.5}},
};

TEST(PoseMove, PoseOfAFreeOrFocusMoveGivesThatMoveByteForByte) {
    CRecordingSinks sinks;
    auto pFixture = MakeSourceImage();
    auto pScene = SceneSource(200, 200);
    for (const CViewImage* pSource : {pFixture.get(), pScene.get()})
        for (const Pose& pose : kScenePoses) {
            SCOPED_TRACE(pose.pszName);
            double cop[3], P[3][3];
            BuildPose(pose, *pSource, cop, P);
            std::unique_ptr<CViewImage> pMove;
            if (pose.bFocus) {
                pMove = std::make_unique<CViewImage>(pose.rx, pose.ry, pose.rz, pose.values[0],
                                                     *pSource);
            } else {
                const double* c = pSource->GetCOP();
                const double position[3] = {c[0] + pose.values[0], c[1] + pose.values[1],
                                            c[2] + pose.values[2]};
                pMove = std::make_unique<CViewImage>(pose.rx, pose.ry, pose.rz, position, *pSource);
            }
            const CViewImage posed(cop, P, *pSource);
            EXPECT_TRUE(SameWarp(posed, *pMove));
            for (int i = 0; i < 6; ++i)
                EXPECT_EQ(posed.GetSceneBounds()[i], pSource->GetSceneBounds()[i]);
        }
    // The exact source's same camera: thousands of "Too TINY", the same count either way.
    auto pExact = MakeIdentitySource(0.5);
    const CViewImage free(0.0, 0.0, 0.0, pExact->GetCOP(), *pExact);
    const CViewImage posed(pExact->GetCOP(), pExact->GetP(), *pExact);
    EXPECT_TRUE(SameWarp(posed, free));
    ASSERT_EQ(posed.GetWarpReport().messages.size(), 1u);
    EXPECT_GT(posed.GetWarpReport().messages[0].nCount, 1000);
}

// Windows of one whole window W x H at xOff, yOff, as offsets and sizes.
struct WindowCase {
    const char* pszName;
    int nX0, nY0, nWidth, nHeight;
};

std::vector<WindowCase> WindowsOf(int xOff, int yOff, int W, int H) {
    return {
        {"middle part, cutting triangles", xOff + W / 3, yOff + H / 4, W / 3 + 1, H / 2 + 3},
        {"thin column", xOff + W / 2, yOff, 2, H},
        {"partly beyond left and below", xOff - 50, yOff - 20, W / 2 + 50, H / 3 + 20},
        {"partly beyond right and above", xOff + W - 30, yOff + H / 2, 90, H},
        {"wholly beyond right", xOff + W + 10, yOff, 100, 100},
        {"wholly beyond left and below", xOff - 300, yOff - 300, 100, 120},
        {"1 x 1 in the middle", xOff + W / 2, yOff + H / 2, 1, 1},
        {"the whole window", xOff, yOff, W, H},
        {"larger, holding the whole window", xOff - 20, yOff - 30, W + 50, H + 70},
        {"a live view at the plane origin", 0, 0, 800, 600},
        {"far along the plane", INT_MAX - 50, INT_MIN, 100, 40},
    };
}

// Whether the window holds the whole warp's window: then every message count is the whole's.
bool Holds(const WindowCase& w, int xOff, int yOff, int W, int H) {
    return w.nX0 <= xOff && w.nY0 <= yOff && (long long)w.nX0 + w.nWidth >= (long long)xOff + W &&
           (long long)w.nY0 + w.nHeight >= (long long)yOff + H;
}

void CheckWindows(const CViewImage& source, const double cop[3], const double P[3][3]) {
    for (unsigned nThreads : {1u, 2u}) {
        SetWarpThreads(nThreads);
        SCOPED_TRACE(std::to_string(nThreads) + " threads");
        const CViewImage whole(cop, P, source);
        const WarpReport& rf = whole.GetWarpReport();
        long nCovered = 0;
        for (const WindowCase& w :
             WindowsOf(rf.nXOff, rf.nYOff, whole.GetWidth(), whole.GetHeight())) {
            SCOPED_TRACE(w.pszName);
            const CViewImage window(cop, P, source, w.nX0, w.nY0, w.nWidth, w.nHeight);
            const ::testing::AssertionResult match =
                MatchesTheWholeWarp(window, whole, w.nX0, w.nY0, w.nWidth, w.nHeight);
            EXPECT_TRUE(match);
            if (std::string(w.pszName) == "the whole window")
                nCovered = CountWritten(window);
            const std::vector<WarpReport::Message>& mw = window.GetWarpReport().messages;
            if (Holds(w, rf.nXOff, rf.nYOff, whole.GetWidth(), whole.GetHeight())) {
                ASSERT_EQ(mw.size(), rf.messages.size());
                for (size_t i = 0; i < mw.size(); ++i) {
                    EXPECT_EQ(mw[i].strText, rf.messages[i].strText);
                    EXPECT_EQ(mw[i].nCount, rf.messages[i].nCount) << mw[i].strText;
                }
            } else {
                // Fewer positions, never more occurrences.
                for (const WarpReport::Message& m : mw) {
                    bool bKnown = false;
                    for (const WarpReport::Message& f : rf.messages)
                        if (f.strText == m.strText) {
                            bKnown = true;
                            EXPECT_LE(m.nCount, f.nCount) << m.strText;
                        }
                    EXPECT_TRUE(bKnown) << m.strText;
                }
            }
        }
        // The whole window is the whole warp itself (NaN where it is black).
        EXPECT_EQ(nCovered, CountColoured(whole));
    }
    SetWarpThreads(0);
}

TEST(WindowWarp, WindowsOfTheSampleSceneHoldTheWholeWarpsColours) {
    CRecordingSinks sinks;
    auto pSource = SceneSource(200, 200);
    for (const Pose& pose : kScenePoses) {
        SCOPED_TRACE(pose.pszName);
        double cop[3], P[3][3];
        BuildPose(pose, *pSource, cop, P);
        CheckWindows(*pSource, cop, P);
    }
}

TEST(WindowWarp, WindowsOfALargerSourceAndOfTinyCountsHoldTheWholeWarps) {
    CRecordingSinks sinks;
    auto pLarge = SceneSource(640, 480);
    const Pose poses[] = {
        {"free small step", false, 1.0, -2.0, 0.0, {0.15, 0.05, 0.1}},
        {"focus 0.5 magnifying", true, 2.0, -1.0, 0.0, {0.5, 0, 0}},
    };
    for (const Pose& pose : poses) {
        SCOPED_TRACE(std::string("640 x 480, ") + pose.pszName);
        double cop[3], P[3][3];
        BuildPose(pose, *pLarge, cop, P);
        CheckWindows(*pLarge, cop, P);
    }
    // The exact source under its own camera: "Too TINY" at every vertex, counted only where a
    // window shows it.
    SCOPED_TRACE("exact source, same camera");
    auto pExact = MakeIdentitySource(0.5);
    CheckWindows(*pExact, pExact->GetCOP(), pExact->GetP());
}

TEST(WindowWarp, WindowsOutOfRangeAreRefusedWithAnEmptyGrid) {
    auto pSource = MakeSourceImage();
    const WindowCase cases[] = {
        {"no width", 0, 0, 0, 10},
        {"no height", 0, 0, 10, 0},
        {"negative width", 0, 0, -5, 10},
        {"negative height", 0, 0, 5, INT_MIN},
        {"too wide", 0, 0, CViewImage::kMaxWindowSide + 1, 1},
        {"too high", 0, 0, 1, CViewImage::kMaxWindowSide + 1},
        {"too large an area", 0, 0, 5000, 5000},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CRecordingSinks sinks;
        const CViewImage window(pSource->GetCOP(), pSource->GetP(), *pSource, c.nX0, c.nY0,
                                c.nWidth, c.nHeight);
        EXPECT_EQ(window.GetSamples(), nullptr);
        EXPECT_EQ(window.GetWidth(), 0);
        EXPECT_EQ(window.GetHeight(), 0);
        ASSERT_EQ(sinks.messages.size(), 1u);
        EXPECT_EQ(sinks.messages[0].rfind("A window of ", 0), 0u) << sinks.messages[0];
        EXPECT_NE(sinks.messages[0].find("cannot be warped"), std::string::npos);
        ASSERT_EQ(window.GetWarpReport().messages.size(), 1u);
    }
    // The largest window still taken: one side at the limit.
    CRecordingSinks sinks;
    const CViewImage wide(pSource->GetCOP(), pSource->GetP(), *pSource, -4000, 0,
                          CViewImage::kMaxWindowSide, 2);
    EXPECT_EQ(wide.GetWidth(), CViewImage::kMaxWindowSide);
    for (const std::string& strMessage : sinks.messages)
        EXPECT_EQ(strMessage.find("cannot be warped"), std::string::npos);
}

// The budget is that of the positions shown: a window of a few positions is drawn where the
// whole warp is refused.
TEST(WindowWarp, BudgetCountsOnlyTheWindowsPositions) {
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage();
    double cop[3], P[3][3];
    BuildPose(kScenePoses[0], *pSource, cop, P);
    SetWarpBudget(1000);
    const CViewImage whole(cop, P, *pSource);
    const CViewImage small(cop, P, *pSource, 10, 10, 3, 3);
    const CViewImage large(cop, P, *pSource, -100, -100, 200, 200);
    SetWarpBudget(0);
    EXPECT_TRUE(whole.GetWarpReport().bTooCostly);
    EXPECT_FALSE(small.GetWarpReport().bTooCostly);
    EXPECT_TRUE(large.GetWarpReport().bTooCostly);
    EXPECT_EQ(CountColoured(small), 9);
}

// A warp on a worker thread inside a quiet scope reaches neither the sink nor the main thread's
// scope, whatever thread of the warp meets a message; two such warps at once give what each
// gives alone.
TEST(WindowWarp, QuietWarpsOnWorkerThreadsRunSideBySide) {
    CRecordingSinks sinks;
    CMessageScope mainScope;
    SetWarpThreads(2);
    auto pExact = MakeIdentitySource(0.5);
    auto pScene = SceneSource(200, 200);
    double cop[3], P[3][3];
    BuildPose(kScenePoses[2], *pScene, cop, P);
    const CViewImage exactAlone(pExact->GetCOP(), pExact->GetP(), *pExact, -10, -10, 150, 120);
    const CViewImage sceneAlone(cop, P, *pScene, 0, 0, 800, 600);
    const size_t nShown = sinks.messages.size();

    std::unique_ptr<CViewImage> pExactQuiet, pSceneQuiet;
    std::int64_t nQuietTiny = -1;
    std::thread first([&] {
        CQuietScope quiet;
        for (int i = 0; i < 3; ++i)
            pExactQuiet = std::make_unique<CViewImage>(pExact->GetCOP(), pExact->GetP(), *pExact,
                                                       -10, -10, 150, 120);
        nQuietTiny = quiet.GetCount("Too TINY");
    });
    std::thread second([&] {
        CQuietScope quiet;
        for (int i = 0; i < 3; ++i)
            pSceneQuiet = std::make_unique<CViewImage>(cop, P, *pScene, 0, 0, 800, 600);
    });
    first.join();
    second.join();
    SetWarpThreads(0);
    EXPECT_EQ(sinks.messages.size(), nShown);
    ASSERT_EQ(exactAlone.GetWarpReport().messages.size(), 1u);
    const std::int64_t nTiny = exactAlone.GetWarpReport().messages[0].nCount;
    EXPECT_GT(nTiny, 1000);
    EXPECT_EQ(nQuietTiny, 3 * nTiny);
    // The main thread's own warps counted in their own scopes; the quiet ones nowhere here.
    EXPECT_TRUE(mainScope.GetEntries().empty());
    EXPECT_TRUE(SameWarp(*pExactQuiet, exactAlone));
    EXPECT_TRUE(SameWarp(*pSceneQuiet, sceneAlone));
}

} // namespace
