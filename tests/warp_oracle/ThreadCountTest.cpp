// The product warp against the plain oracle at several thread counts, and over seeded random
// camera pairs: the bands of the parallel fill must never change a byte or a message count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "OracleCompare.h"
#include "Scene.h"
#include "TestSupport.h"
#include "WarpOracle.h"
#include "framework/Services.h"
#include "image/ViewImage.h"
#include "warp/Warp.h"

namespace {

// Sets the warp's thread count for its lifetime and goes back to automatic afterwards.
class CWarpThreads {
public:
    explicit CWarpThreads(unsigned nThreads) { SetWarpThreads(nThreads); }
    ~CWarpThreads() { SetWarpThreads(0); }
    CWarpThreads(const CWarpThreads&) = delete;
    CWarpThreads& operator=(const CWarpThreads&) = delete;
};

// A source with the identity camera and colours (x, y, 7): exact warps whose vertices land on
// integer positions, where "Too TINY" is met thousands of times. bSteps puts depth steps in
// (blocks of near and far pixels) for long slivers across several bands.
std::unique_ptr<CViewImage> MakeIdentitySource(bool bSteps) {
    auto pImage = std::make_unique<CViewImage>();
    const double cop[3] = {0.0, 0.0, 0.0};
    const double P[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    pImage->SetCamera(cop, P);
    PixelSample* pGrid = new PixelSample[200 * 200];
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            pGrid[y * 200 + x] = {double(x), double(y), 7.0,
                                  bSteps && (x / 13 + y / 7) % 3 == 0 ? 6.0 : 0.5};
    pImage->SetWidth(200);
    pImage->SetHeight(200);
    pImage->SetSamples(pGrid);
    return pImage;
}

std::vector<WarpReport::Message> ScopeMessages(const CMessageScope& scope) {
    std::vector<WarpReport::Message> messages;
    for (const CMessageScope::Entry& e : scope.GetEntries())
        messages.push_back({e.strText, e.nCount});
    return messages;
}

// One camera and zone over one source, warped at 1, 2, 3 and 8 threads. Each meets "Too TINY"
// (vertices on integer positions), in windows tall enough for several bands.
struct ThreadCase {
    const char* pszName;
    bool bSteps;
    double cop[3];
    double P[3][3];
    int nZone;
    int nMinHeight; // rows of the window at least: enough for that many bands of 32
};

const ThreadCase kThreadCases[] = {
    {"same camera", false, {0, 0, 0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 5, 200},
    {"magnified 2", false, {0, 0, 0}, {{0.5, 0, 0}, {0, 0.5, 0}, {0, 0, 1}}, -5, 256},
    {"magnified 2, turned, depth steps",
     true,
     {-0.5, -0.7, 0.0},
     {{0.35, 0.35, 0}, {-0.35, 0.35, 0}, {0, 0, 1}},
     3,
     256},
    {"sideways over depth steps",
     true,
     {1.5, -1.0, 0.0},
     {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
     5,
     200},
};

TEST(Differential, EveryThreadCountGivesTheOraclesBytesAndCounts) {
    CRecordingSinks sinks;
    for (const ThreadCase& c : kThreadCases) {
        auto pSource = MakeIdentitySource(c.bSteps);
        OracleResult oracle;
        std::vector<WarpReport::Message> oracleMessages;
        {
            CMessageScope scope;
            OracleSetupWarp(*pSource, c.P, c.cop, c.nZone, 100, 100, oracle);
            oracleMessages = ScopeMessages(scope);
        }
        ASSERT_GE(oracle.nHeight, c.nMinHeight) << c.pszName;
        EXPECT_FALSE(oracleMessages.empty()) << c.pszName;
        for (unsigned nThreads : {1u, 2u, 3u, 8u}) {
            SCOPED_TRACE(std::string(c.pszName) + ", " + std::to_string(nThreads) + " threads");
            CWarpThreads threads(nThreads);
            CViewImage product;
            product.SetCamera(c.cop, c.P);
            std::vector<WarpReport::Message> productMessages;
            {
                CMessageScope scope;
                product.SetupWarp(*pSource, c.nZone, 100, 100);
                productMessages = ScopeMessages(scope);
            }
            EXPECT_TRUE(SameImage(product, oracle));
            EXPECT_TRUE(SameMessages(productMessages, oracleMessages));
        }
    }
}

// The whole moves of a scene source at every thread count, through the move constructors.
TEST(Differential, EveryThreadCountGivesTheOraclesMoves) {
    CRecordingSinks sinks;
    CViewImage room;
    ASSERT_TRUE(BuildSceneImage("room", room));
    const double* C = room.GetCOP();
    const double forward[3] = {C[0], C[1], C[2] + 0.3};
    OracleResult free, focus;
    OracleFreeMove(2, -3, 1, forward, room, free);
    OracleFocusMove(3, -4, 2, 0.8, room, focus);
    for (unsigned nThreads : {1u, 2u, 3u, 8u}) {
        SCOPED_TRACE(std::to_string(nThreads) + " threads");
        CWarpThreads threads(nThreads);
        const CViewImage freeProduct(2, -3, 1, forward, room);
        EXPECT_TRUE(SameImage(freeProduct, free));
        EXPECT_TRUE(SameMessages(freeProduct.GetWarpReport().messages, free.messages));
        const CViewImage focusProduct(3, -4, 2, 0.8, room);
        EXPECT_TRUE(SameImage(focusProduct, focus));
        EXPECT_TRUE(SameMessages(focusProduct.GetWarpReport().messages, focus.messages));
    }
}

// A number in lo..hi from the generator's next output; mt19937 yields the same sequence
// everywhere, unlike the standard distributions.
double Uniform(std::mt19937& random, double dLo, double dHi) {
    return dLo + (dHi - dLo) * (double(random()) / 4294967296.0);
}

// A random source camera (a and b near the unit steps, c near (-100, -100, 200)), a disparity
// field of random blocks at two or three depths, and the colours (x, y, 7).
std::unique_ptr<CViewImage> RandomSource(std::mt19937& random) {
    auto pImage = std::make_unique<CViewImage>();
    double cop[3], P[3][3];
    for (int i = 0; i < 3; ++i)
        cop[i] = Uniform(random, -10.0, 10.0);
    const double c[3] = {-100.0, -100.0, 200.0};
    for (int i = 0; i < 3; ++i) {
        P[i][0] = (i == 0 ? 1.0 : 0.0) + Uniform(random, -0.1, 0.1);
        P[i][1] = (i == 1 ? 1.0 : 0.0) + Uniform(random, -0.1, 0.1);
        P[i][2] = c[i] + Uniform(random, -20.0, 20.0);
    }
    pImage->SetCamera(cop, P);
    const double bounds[6] = {-300, 300, -300, 300, 100, 900};
    const double extra[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    pImage->SetSceneValues(bounds, extra);
    const int nBlockX = 5 + int(random() % 40), nBlockY = 5 + int(random() % 40);
    const int nLevels = 2 + int(random() % 2);
    double levels[3];
    for (double& d : levels)
        d = Uniform(random, 0.3, 1.5);
    PixelSample* pGrid = new PixelSample[200 * 200];
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            pGrid[y * 200 + x] = {double(x), double(y), 7.0,
                                  levels[(x / nBlockX + 2 * (y / nBlockY)) % nLevels]};
    pImage->SetWidth(200);
    pImage->SetHeight(200);
    pImage->SetSamples(pGrid);
    return pImage;
}

// Seeded random camera pairs: a random source and a moderate free or focus move of it (turns
// of a few degrees, steps of tens of pixels, zooms 0.6 to 1.6), so each oracle warp stays
// cheap. A failure names the seed; the draws are the same on every platform.
TEST(Differential, SeededRandomCameraPairsMatchTheOracle) {
    CRecordingSinks sinks;
    for (unsigned nSeed = 1; nSeed <= 36; ++nSeed) {
        std::mt19937 random(nSeed);
        const auto pSource = RandomSource(random);
        const double rx = Uniform(random, -5, 5), ry = Uniform(random, -5, 5),
                     rz = Uniform(random, -5, 5);
        const bool bFocus = random() % 3 == 0;
        OracleResult oracle;
        std::unique_ptr<CViewImage> pProduct;
        std::string strMove;
        if (bFocus) {
            const double zoom = Uniform(random, 0.6, 1.6);
            strMove = "focus zoom " + std::to_string(zoom);
            OracleFocusMove(rx, ry, rz, zoom, *pSource, oracle);
            pProduct = std::make_unique<CViewImage>(rx, ry, rz, zoom, *pSource);
        } else {
            const double(*P)[3] = pSource->GetP();
            const double* C = pSource->GetCOP();
            const double da = Uniform(random, -40, 40), db = Uniform(random, -40, 40),
                         dc = Uniform(random, -0.2, 0.2);
            double pos[3];
            for (int i = 0; i < 3; ++i)
                pos[i] = C[i] + da * P[i][0] + db * P[i][1] + dc * P[i][2];
            strMove = "free " + std::to_string(da) + ", " + std::to_string(db) + ", " +
                      std::to_string(dc);
            OracleFreeMove(rx, ry, rz, pos, *pSource, oracle);
            pProduct = std::make_unique<CViewImage>(rx, ry, rz, pos, *pSource);
        }
        SCOPED_TRACE("seed " + std::to_string(nSeed) + ": " + strMove);
        EXPECT_TRUE(SameImage(*pProduct, oracle));
        EXPECT_TRUE(SameMessages(pProduct->GetWarpReport().messages, oracle.messages));
        EXPECT_EQ(pProduct->GetWarpReport().dW, oracle.dW);
    }
}

} // namespace
