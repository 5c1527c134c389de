// The steps of live navigation keep the point they are about where it is on the screen, for
// cameras of any orientation and skew.
#include <cmath>

#include <gtest/gtest.h>

#include "warp/Navigation.h"

namespace {

// A camera at (1, 2, -300) looking along +z, 200 x 200 pixels of unit size, centre (100, 100);
// then one turned and skewed a little, so that a, b and c are not the world axes.
CameraPose StraightPose() {
    return CameraPose{{1.0, 2.0, -300.0},
                      {{1.0, 0.0, -100.0}, {0.0, 1.0, -100.0}, {0.0, 0.0, 280.0}}};
}
CameraPose TurnedPose() {
    return CameraPose{{40.0, -25.0, -260.0},
                      {{0.96, 0.05, -90.0}, {-0.02, 1.03, -110.0}, {0.28, 0.1, 250.0}}};
}

struct PixelOf {
    double u, v, t;
};
PixelOf Project(const CameraPose& pose, const double X[3]) {
    PixelOf p{0.0, 0.0, 0.0};
    EXPECT_TRUE(ProjectPoint(pose, X, &p.u, &p.v, &p.t));
    return p;
}

} // namespace

TEST(NavigationTest, StepsKeepTheirPointOnTheScreen) {
    const double pivot[3] = {5.0, -3.0, 20.0};
    for (const CameraPose& pose : {StraightPose(), TurnedPose()}) {
        const PixelOf before = Project(pose, pivot);
        struct Step {
            const char* pszName;
            CameraPose moved;
        } steps[] = {
            {"orbit yaw", OrbitPose(pose, pivot, 7.5, 0.0)},
            {"orbit pitch", OrbitPose(pose, pivot, 0.0, -12.0)},
            {"orbit both", OrbitPose(pose, pivot, 33.0, 21.0)},
            {"dolly in", DollyPose(pose, pivot, 0.25)},
            {"dolly out", DollyPose(pose, pivot, -0.5)},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.pszName);
            const PixelOf after = Project(step.moved, pivot);
            EXPECT_NEAR(after.u, before.u, 1e-9);
            EXPECT_NEAR(after.v, before.v, 1e-9);
        }
    }
}

TEST(NavigationTest, PanMovesPointsAtThePivotDepthByTheStep) {
    const double pivot[3] = {5.0, -3.0, 20.0};
    for (const CameraPose& pose : {StraightPose(), TurnedPose()}) {
        double X[3];
        PointUnderPixel(pose, 30.0, 150.0, pivot, X);
        const PixelOf before = Project(pose, X);
        EXPECT_NEAR(before.u, 30.0, 1e-9);
        EXPECT_NEAR(before.v, 150.0, 1e-9);
        EXPECT_NEAR(before.t, Project(pose, pivot).t, 1e-9);
        const PixelOf after = Project(PanPose(pose, pivot, 12.0, -7.0), X);
        EXPECT_NEAR(after.u, 42.0, 1e-9);
        EXPECT_NEAR(after.v, 143.0, 1e-9);
    }
}

TEST(NavigationTest, OrbitTurnsTheCameraRigidly) {
    // A full turn returns the pose; a quarter turn keeps the distance to the pivot.
    const double pivot[3] = {5.0, -3.0, 20.0};
    const CameraPose pose = TurnedPose();
    CameraPose turned = pose;
    for (int i = 0; i < 8; ++i)
        turned = OrbitPose(turned, pivot, 45.0, 0.0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(turned.cop[i], pose.cop[i], 1e-9);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(turned.P[i][j], pose.P[i][j], 1e-9);
    }
    const CameraPose quarter = OrbitPose(pose, pivot, 90.0, 30.0);
    auto distance = [&](const double c[3]) {
        return std::hypot(c[0] - pivot[0], c[1] - pivot[1], c[2] - pivot[2]);
    };
    EXPECT_NEAR(distance(quarter.cop), distance(pose.cop), 1e-9);
}

TEST(NavigationTest, DegenerateInputsLeaveAUsablePose) {
    const double pivot[3] = {0.0, 0.0, -1000.0}; // behind the camera
    const CameraPose pose = StraightPose();
    double X[3];
    PointUnderPixel(pose, 10.0, 10.0, pivot, X);
    EXPECT_EQ(X[2], -1000.0);                                            // the pivot itself
    EXPECT_EQ(PanPose(pose, pivot, 1.0, 0.0).cop[0], pose.cop[0] - 1.0); // unit depth
    const CameraPose dolly = DollyPose(pose, pivot, 5.0);                // limited below the pivot
    EXPECT_GT(dolly.cop[2], pivot[2]);
    CameraPose flat = pose;
    flat.P[0][0] = flat.P[1][0] = flat.P[2][0] = 0.0; // no right axis: the orbit does nothing
    EXPECT_TRUE(SamePose(OrbitPose(flat, pivot, 10.0, 10.0), flat));
}
