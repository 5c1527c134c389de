// Classification of a move (epipole, W, rounded epipole, zone), the rotation of a move and the
// centre of projection of a focus move.
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WarpFixture.h"
#include "warp/Warp.h"

namespace {

const double kIdentityP[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
const double kOrigin[3] = {0.0, 0.0, 0.0};

struct ClassifyCase {
    double e0, e1, w; // the epipole (with the identity camera it is C_new itself)
    int nEx, nEy, nZone;
    bool bDegenerate;
};

TEST(ClassifyEpipole, RoundsAndPicksTheZone) {
    const ClassifyCase cases[] = {
        // Rounding adds 0.5 and truncates toward zero: not a floor.
        {-1.4, 100.0, 1.0, 0, 100, 5, false},
        {-1.5, 100.0, 1.0, -1, 100, 4, false},
        {198.4, 100.0, 1.0, 198, 100, 5, false},
        {198.5, 100.0, 1.0, 199, 100, 6, false},
        {-0.7, -1.2, 1.0, 0, 0, 5, false},
        {-1.6, 100.0, 1.0, -1, 100, 4, false},
        {100.0, -1.4, 1.0, 100, 0, 5, false},
        {100.0, -1.5, 1.0, 100, -1, 8, false},
        {100.0, 198.4, 1.0, 100, 198, 5, false},
        {100.0, 198.5, 1.0, 100, 199, 2, false},
        // All nine zones, positive W.
        {-10.0, 300.0, 1.0, -9, 300, 1, false},
        {0.0, 199.0, 1.0, 0, 199, 2, false},
        {199.0, 199.0, 1.0, 199, 199, 3, false},
        {-2.0, 0.0, 1.0, -1, 0, 4, false},
        {198.0, 198.0, 1.0, 198, 198, 5, false},
        {500.0, 0.0, 1.0, 500, 0, 6, false},
        {-5.0, -5.0, 1.0, -4, -4, 7, false},
        {198.0, -2.0, 1.0, 198, -1, 8, false},
        {199.0, -1.5, 1.0, 199, -1, 9, false},
        // Negative W negates the zone; e0 / W flips the side of the epipole.
        {-100.0, -100.0, -1.0, 100, 100, -5, false},
        {10.0, -300.0, -1.0, -9, 300, -1, false},
        {-199.0, 2.0, -1.0, 199, -1, -9, false},
        {-10.0 * 1e-10, -10.0 * 1e-10, -1e-10, 10, 10, -5, false},
        // A tiny W gives an enormous coordinate: clamped to the int range, the zone stays right.
        {1.0, 1.0, 1e-19, INT_MAX, INT_MAX, 3, false},
        {-1.0, 50e-19, 1e-19, INT_MIN, 50, 4, false},
        // |W| <= 1e-20: the epipole at infinity in the direction (e0, e1), W taken as +0.
        {0.0, 0.0, 0.0, 0, 0, 5, true},
        {1.0, 0.0, 0.0, INT_MAX, 0, 6, true},
        {-1.0, 0.0, 0.0, INT_MIN, 0, 4, true},
        {0.0, 2.0, 0.0, 0, INT_MAX, 2, true},
        {0.0, -2.0, 1e-30, 0, INT_MIN, 8, true},
        {3.0, 4.0, -1e-21, INT_MAX, INT_MAX, 3, true},
        {-3.0, 4.0, 1e-20, INT_MIN, INT_MAX, 1, true},
        {-3.0, -4.0, 0.0, INT_MIN, INT_MIN, 7, true},
        {3.0, -4.0, -0.0, INT_MAX, INT_MIN, 9, true},
    };
    for (const ClassifyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "e = (" << c.e0 << ", " << c.e1 << ", " << c.w << ")");
        const double newCOP[3] = {c.e0, c.e1, c.w};
        const EpipoleInfo info = ClassifyEpipole(kIdentityP, kOrigin, newCOP);
        EXPECT_EQ(info.dW, c.w);
        EXPECT_EQ(info.nEx, c.nEx);
        EXPECT_EQ(info.nEy, c.nEy);
        EXPECT_EQ(info.nZone, c.nZone);
        EXPECT_EQ(info.bDegenerate, c.bDegenerate);
    }
}

TEST(ClassifyEpipole, UsesTheInverseOfTheSourceCamera) {
    // The camera of the fixture: C_new - C_src = e0 a + e1 b + e2 c.
    auto pSource = MakeSourceImage();
    const double e[3] = {30.0, 250.0, 0.5};
    const double newCOP[3] = {e[0] * 1.0 + e[2] * -100.0, e[1] * 1.0 + e[2] * -100.0, e[2] * 200.0};
    const EpipoleInfo info = ClassifyEpipole(pSource->GetP(), pSource->GetCOP(), newCOP);
    EXPECT_NEAR(info.e[0], 30.0, 1e-12);
    EXPECT_NEAR(info.e[1], 250.0, 1e-12);
    EXPECT_NEAR(info.dW, 0.5, 1e-15);
    EXPECT_EQ(info.nEx, 60);
    EXPECT_EQ(info.nEy, 500);
    EXPECT_EQ(info.nZone, 2);
}

TEST(ZoneOf, CoversEveryPairOnce) {
    const int values[] = {INT_MIN, -1, 0, 198, 199, INT_MAX};
    for (int ex : values) {
        for (int ey : values) {
            const int nColumn = ex < 0 ? 0 : (ex < 199 ? 1 : 2);
            const int nRow = ey >= 199 ? 0 : (ey >= 0 ? 1 : 2);
            EXPECT_EQ(ZoneOf(ex, ey), nRow * 3 + nColumn + 1) << ex << ", " << ey;
        }
    }
}

TEST(BuildRotation, UsesTheShortPiConstant) {
    double R[3][3];
    BuildRotation(0.0, 0.0, 0.0, R);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(R[i][j], i == j ? 1.0 : 0.0);

    // 90 degrees: cos t is 2.68e-8, never an exact zero.
    BuildRotation(90.0, 0.0, 0.0, R);
    const double t90 = (90.0 + 90.0) * 3.1415926 / 360.0;
    EXPECT_EQ(R[1][1], std::cos(t90));
    EXPECT_NEAR(R[1][1], 2.68e-8, 0.01e-8);
    EXPECT_EQ(R[1][2], -std::sin(t90));
    EXPECT_EQ(R[2][1], std::sin(t90));
    EXPECT_EQ(R[0][0], 1.0);

    // 180 degrees about z: x and y negated up to 5.36e-8, z kept.
    BuildRotation(0.0, 0.0, 180.0, R);
    EXPECT_NEAR(R[0][0], -1.0, 1e-14);
    EXPECT_NEAR(R[1][1], -1.0, 1e-14);
    EXPECT_NEAR(R[1][0], 5.36e-8, 0.01e-8);
    EXPECT_NEAR(R[0][1], -5.36e-8, 0.01e-8);
    EXPECT_EQ(R[2][2], 1.0);

    // R = Rx * Ry: turning about x after y differs from the other order.
    BuildRotation(30.0, 40.0, 0.0, R);
    const double tx = 60.0 * 3.1415926 / 360.0, ty = 80.0 * 3.1415926 / 360.0;
    EXPECT_NEAR(R[0][2], std::sin(ty), 1e-15);                // Rx Ry: row 0 is Ry's row 0
    EXPECT_NEAR(R[1][0], std::sin(tx) * std::sin(ty), 1e-15); // Ry Rx would give 0 here
    EXPECT_NEAR(R[2][0], -std::cos(tx) * std::sin(ty), 1e-15);
}

TEST(ComputeFocusCOP, ScalesAndTurnsAboutTheSceneCentre) {
    auto pSource = MakeSourceImage(); // focus point (0, 0, 600), centre of projection at 0
    struct Case {
        double rx, ry, rz, zoom;
        double cop[3];
    } cases[] = {
        {0, 0, 0, 1.0, {0, 0, 0}},       {0, 0, 0, 0.5, {0, 0, 300}},
        {10, 20, 30, 0.0, {0, 0, 600}}, // the focus point itself, whatever the angles
        {0, 0, 0, -1.0, {0, 0, 1200}},  // mirrored through the focus point
        {0, 90, 0, 1.0, {-600, 0, 600}},
    };
    for (const Case& c : cases) {
        double cop[3];
        ComputeFocusCOP(c.rx, c.ry, c.rz, c.zoom, *pSource, cop);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(cop[i], c.cop[i], 1e-4) << c.zoom << " " << i;
    }
}

} // namespace
