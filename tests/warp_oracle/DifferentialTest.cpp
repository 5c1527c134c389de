// The fast warp of the product against the plain oracle: every preset, a table of moves and
// every zone row, with byte-identical grids, the same window and report, and the same message
// counts required.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "OracleCompare.h"
#include "Scene.h"
#include "TestSupport.h"
#include "WarpOracle.h"
#include "framework/Services.h"
#include "image/ViewImage.h"
#include "warp/Warp.h"

namespace {

// A source with the identity camera, for which the warping equation is exact: vertices land on
// integer positions and edges run through them, so every boundary rule of the crossing-count
// test is met. Colours (x, y, 7), black wherever x + y is a multiple of 5 (a black vertex 1
// fails its interpolation to -0 and is stored).
std::unique_ptr<CViewImage> MakeExactSource() {
    auto pImage = std::make_unique<CViewImage>();
    const double cop[3] = {0.0, 0.0, 0.0};
    const double P[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    pImage->SetCamera(cop, P);
    PixelSample* pGrid = new PixelSample[200 * 200];
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            pGrid[y * 200 + x] = (x + y) % 5 == 0 ? PixelSample{0.0, 0.0, 0.0, 0.5}
                                                  : PixelSample{double(x), double(y), 7.0, 0.5};
    pImage->SetWidth(200);
    pImage->SetHeight(200);
    pImage->SetSamples(pGrid);
    return pImage;
}

struct Source {
    std::string strName;
    std::unique_ptr<CViewImage> pImage;
};

std::vector<Source> AllSources() {
    std::vector<Source> sources;
    for (const std::string& strPreset : ScenePresetNames()) {
        auto pImage = std::make_unique<CViewImage>();
        EXPECT_TRUE(BuildSceneImage(strPreset, *pImage)) << strPreset;
        sources.push_back({strPreset, std::move(pImage)});
    }
    sources.push_back({"exact", MakeExactSource()});
    return sources;
}

// A move as the user gives it: free (angles, offset of the new centre from the source's, in
// units of the source's a, b and of the source's viewing direction c) or focus (angles, zoom).
struct Move {
    const char* pszName;
    bool bFocus;
    double rx, ry, rz;
    double da, db, dc; // free: new centre = C + da a + db b + dc c (c scaled to unit length)
    double zoom;
    // The moves that magnify a lot cost seconds in the oracle: they run on one source only.
    const char* pszOnlySource = nullptr;
};

const Move kMoves[] = {
    {"free small x", false, 0, 0, 0, 3, 0, 0, 0},
    {"free small -x", false, 0, 0, 0, -3, 0, 0, 0},
    {"free small y", false, 0, 0, 0, 0, 3, 0, 0},
    {"free small -y up", false, 0, 0, 0, 0, -3, 0.05, 0},
    {"free forward", false, 0, 0, 0, 0, 0, 0.3, 0},
    {"free backward", false, 0, 0, 0, 0, 0, -0.3, 0},
    {"free diagonal turned", false, 2, -3, 1, 4, -2, 0.2, 0},
    {"free forward right up", false, 0, 1, 0, 60, 60, 0.2, 0},
    {"free backward left down", false, 0, -1, 0, -60, -60, -0.2, 0},
    {"free far sideways", false, 0, 5, 0, 400, 0, 0.05, 0},
    {"focus zoom 0.8 turned", true, 3, -4, 2, 0, 0, 0, 0.8, "room"},
    {"focus zoom 0.3 magnifying", true, 0, 2, 0, 0, 0, 0, 0.3, "room"},
    {"focus zoom 0.2 magnifying", true, 1, -1, 0, 0, 0, 0, 0.2, "exact"},
    {"focus zoom 1.2", true, -2, 3, 0, 0, 0, 0, 1.2},
    {"focus zoom 2 shrinking", true, 0, 0, 5, 0, 0, 0, 2.0},
    {"focus zoom 0", true, 0, 0, 0, 0, 0, 0, 0.0, "exact"},
    {"focus zoom -1 behind", true, 0, 0, 0, 0, 0, 0, -1.0},
    {"pure rotation", false, 0, 4, 1, 0, 0, 0, 0},
    {"same camera", false, 0, 0, 0, 0, 0, 0, 0},
    {"in the plane of a and b", false, 0, 0, 0, 25, 10, 0, 0},
    {"looking along the plane (grid cap)", false, 0, 89.9, 0, 0, 0, 0.1, 0},
    {"past the scene", false, 0, 0, 0, 0, 0, 40, 0, "room"},
};

// The move of the table with that name (a table row is never picked by its index: rows get
// inserted).
const Move& MoveNamed(const std::string& strName) {
    for (const Move& move : kMoves)
        if (strName == move.pszName)
            return move;
    ADD_FAILURE() << "no move named " << strName;
    return kMoves[0];
}

void NewCentre(const CViewImage& source, const Move& move, double pos[3]) {
    const double(*P)[3] = source.GetP();
    const double* C = source.GetCOP();
    const double dLength = std::sqrt(P[0][2] * P[0][2] + P[1][2] * P[1][2] + P[2][2] * P[2][2]);
    const double dAxis = std::sqrt(P[0][0] * P[0][0] + P[1][0] * P[1][0] + P[2][0] * P[2][0]);
    // c of a scene camera is long (focal length in pixels); the step along it is scaled to the
    // length of a so that one table serves every source.
    for (int i = 0; i < 3; ++i)
        pos[i] = C[i] + move.da * P[i][0] + move.db * P[i][1] +
                 move.dc * dAxis * 200.0 * P[i][2] / dLength;
}

TEST(Differential, EveryMoveOfEverySourceMatchesTheOracle) {
    CRecordingSinks sinks;
    for (const Source& source : AllSources()) {
        for (const Move& move : kMoves) {
            if (move.pszOnlySource && source.strName != move.pszOnlySource)
                continue;
            SCOPED_TRACE(source.strName + ": " + move.pszName);
            OracleResult oracle;
            std::unique_ptr<CViewImage> pProduct;
            if (move.bFocus) {
                OracleFocusMove(move.rx, move.ry, move.rz, move.zoom, *source.pImage, oracle);
                pProduct = std::make_unique<CViewImage>(move.rx, move.ry, move.rz, move.zoom,
                                                        *source.pImage);
            } else {
                double pos[3];
                NewCentre(*source.pImage, move, pos);
                OracleFreeMove(move.rx, move.ry, move.rz, pos, *source.pImage, oracle);
                pProduct =
                    std::make_unique<CViewImage>(move.rx, move.ry, move.rz, pos, *source.pImage);
            }
            EXPECT_TRUE(SameImage(*pProduct, oracle));
            EXPECT_TRUE(SameMessages(pProduct->GetWarpReport().messages, oracle.messages));
            EXPECT_EQ(pProduct->GetWarpReport().dW, oracle.dW);
            EXPECT_EQ(pProduct->GetWarpReport().bDegenerate, oracle.bDegenerate);
        }
    }
}

// Every zone row, with its split column and row at chosen places (the grid's edges among
// them), on real camera pairs; ids outside the table as well.
TEST(Differential, EveryZoneRowMatchesTheOracle) {
    struct ZoneCase {
        int nZone, ex, ey;
    };
    std::vector<ZoneCase> cases;
    for (int nSign : {1, -1}) {
        const ZoneCase positive[] = {
            {1, -40, 260}, {2, 77, 199}, {2, 0, 300},    {3, 199, 500}, {4, -1, 123},
            {4, -9, 0},    {5, 60, 130}, {5, 0, 0},      {5, 198, 198}, {5, 100, 1},
            {6, 250, 40},  {7, -3, -3},  {8, 150, -100}, {8, 198, -1},  {9, 400, -2},
        };
        for (const ZoneCase& c : positive)
            cases.push_back({nSign * c.nZone, c.ex, c.ey});
    }
    cases.push_back({0, 10, 10});
    cases.push_back({10, 10, 10});

    // An ordinary free and focus move, both cheap: the zone rows are many and every source
    // runs them, so the magnifying moves (seconds each in the oracle) stay out. The exact
    // cameras have a test of their own below.
    const Move cameras[] = {MoveNamed("free small x"), MoveNamed("focus zoom 1.2")};
    CRecordingSinks sinks;
    for (const Source& source : AllSources()) {
        if (source.strName == "exact")
            continue;
        for (const Move& move : cameras) {
            // The camera of the move, taken from the product's own constructor.
            double pos[3];
            NewCentre(*source.pImage, move, pos);
            std::unique_ptr<CViewImage> pCamera =
                move.bFocus
                    ? std::make_unique<CViewImage>(move.rx, move.ry, move.rz, move.zoom,
                                                   *source.pImage)
                    : std::make_unique<CViewImage>(move.rx, move.ry, move.rz, pos, *source.pImage);
            for (const ZoneCase& c : cases) {
                SCOPED_TRACE(source.strName + ": " + move.pszName + ", zone " +
                             std::to_string(c.nZone) + " at " + std::to_string(c.ex) + "," +
                             std::to_string(c.ey));
                OracleResult oracle;
                std::vector<WarpReport::Message> oracleMessages, productMessages;
                {
                    CMessageScope scope;
                    OracleSetupWarp(*source.pImage, pCamera->GetP(), pCamera->GetCOP(), c.nZone,
                                    c.ex, c.ey, oracle);
                    for (const CMessageScope::Entry& e : scope.GetEntries())
                        oracleMessages.push_back({e.strText, e.nCount});
                }
                CViewImage product;
                product.SetCamera(pCamera->GetCOP(), pCamera->GetP());
                {
                    CMessageScope scope;
                    product.SetupWarp(*source.pImage, c.nZone, c.ex, c.ey);
                    for (const CMessageScope::Entry& e : scope.GetEntries())
                        productMessages.push_back({e.strText, e.nCount});
                }
                EXPECT_TRUE(SameImage(product, oracle));
                EXPECT_TRUE(SameMessages(productMessages, oracleMessages));
            }
        }
    }
}

// Exact cameras over the exact source: magnifications whose vertices and edges fall on integer
// positions, a shift into the lower-left quadrant (the far point of the crossing count changes
// there) and a reduction that drops every triangle. Messages outside any scope reach the sink
// one by one, so the sink must see the same sequence from both.
TEST(Differential, ExactCamerasMatchTheOracleMessageByMessage) {
    auto pSource = MakeExactSource();
    const double kOrigin[3] = {0.0, 0.0, 0.0};
    const double cameras[][3][3] = {
        {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}},   // the same camera
        {{0.5, 0.0, 0.0}, {0.0, 0.5, 0.0}, {0.0, 0.0, 1.0}},   // magnified by 2
        {{0.25, 0.0, 0.0}, {0.0, 0.5, 0.0}, {0.0, 0.0, 1.0}},  // 4 by 2
        {{0.25, 0.0, 3.3}, {0.0, 0.25, 2.6}, {0.0, 0.0, 1.0}}, // 4u - 13.2, 4v - 10.4
        {{0.5, 0.0, 50.0}, {0.0, 0.5, 50.0}, {0.0, 0.0, 1.0}}, // 2u - 100: across the origin
        {{1.0, 0.0, -0.5}, {0.0, 1.0, 0.5}, {0.0, 0.0, 1.0}},  // half-pixel shifts
        {{2.0, 0.0, 0.0}, {0.0, 2.0, 0.0}, {0.0, 0.0, 1.0}},   // halved: sides of 0.5 kept
        {{3.0, 0.0, 0.0}, {0.0, 3.0, 0.0}, {0.0, 0.0, 1.0}},   // a third: all dropped
        {{0.5, 0.5, 0.0}, {-0.5, 0.5, 0.0}, {0.0, 0.0, 1.0}},  // turned by 45 degrees
    };
    for (const auto& P : cameras) {
        for (int nZone : {5, -5, 3, -7}) {
            SCOPED_TRACE("camera " + std::to_string(&P - cameras) + ", zone " +
                         std::to_string(nZone));
            OracleResult oracle;
            CRecordingSinks oracleSinks;
            OracleSetupWarp(*pSource, P, kOrigin, nZone, 100, 100, oracle);
            const std::vector<std::string> oracleMessages = oracleSinks.messages;
            CRecordingSinks productSinks;
            CViewImage product;
            product.SetCamera(kOrigin, P);
            product.SetupWarp(*pSource, nZone, 100, 100);
            EXPECT_TRUE(SameImage(product, oracle));
            EXPECT_EQ(productSinks.messages, oracleMessages);
        }
    }
}

// Depth steps under the identity camera: blocks of near and far pixels, so a sideways move
// stretches long rubber sheets and thin slivers along the direction of the move. Moves along
// (1, 1.5) put them near the direction of the crossing test's far point; moves that shift the
// image into negative coordinates bring the lower-left quadrant (with its other far point)
// in; a strong magnification brings coordinates far beyond the window.
TEST(Differential, DepthStepsUnderExactCamerasMatchTheOracle) {
    auto pSource = MakeExactSource();
    PixelSample* pGrid = pSource->GetSamples();
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            pGrid[y * 200 + x].disparity = ((x / 13 + y / 7) % 3 == 0) ? 6.0 : 0.25;
    struct Camera {
        const char* pszName;
        double cop[3];
        double P[3][3];
    };
    const Camera cameras[] = {
        {"along the far point", {-1.0, -1.5, 0.0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"along the far point, steep", {-0.3, -3.0, 0.0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"across the far point", {1.5, -1.0, 0.0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"into the lower left", {10.0, 15.0, 0.0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"lower left, magnified", {2.0, 3.0, 0.0}, {{0.25, 0, 30}, {0, 0.25, 30}, {0, 0, 1}}},
        {"magnified 8, turned", {-0.5, -0.7, 0.0}, {{0.1, 0.06, -5}, {-0.06, 0.1, 3}, {0, 0, 1}}},
        {"magnified 40, far beyond the window",
         {-0.2, -0.3, 0.0},
         {{0.025, 0, -2.4}, {0, 0.025, -2.5}, {0, 0, 1}}},
        {"forward and sideways", {-0.4, -0.6, -0.05}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    };
    for (const Camera& camera : cameras) {
        for (int nZone : {5, -5, 3}) {
            SCOPED_TRACE(std::string(camera.pszName) + ", zone " + std::to_string(nZone));
            OracleResult oracle;
            CRecordingSinks oracleSinks;
            OracleSetupWarp(*pSource, camera.P, camera.cop, nZone, 100, 100, oracle);
            const std::vector<std::string> oracleMessages = oracleSinks.messages;
            CRecordingSinks productSinks;
            CViewImage product;
            product.SetCamera(camera.cop, camera.P);
            product.SetupWarp(*pSource, nZone, 100, 100);
            EXPECT_TRUE(SameImage(product, oracle));
            EXPECT_EQ(productSinks.messages, oracleMessages);
        }
    }
}

} // namespace
