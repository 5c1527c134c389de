#include "warp/Navigation.h"

#include <cmath>
#include <cstring>

#include "image/ViewImage.h"

namespace {

// x = M^-1 y by Cramer's rule; false for a singular (or non-finite) M.
bool Solve(const double M[3][3], const double y[3], double x[3]) {
    const double d = M[0][0] * (M[1][1] * M[2][2] - M[1][2] * M[2][1]) -
                     M[0][1] * (M[1][0] * M[2][2] - M[1][2] * M[2][0]) +
                     M[0][2] * (M[1][0] * M[2][1] - M[1][1] * M[2][0]);
    if (!std::isfinite(d) || d == 0.0)
        return false;
    for (int k = 0; k < 3; ++k) {
        double A[3][3];
        std::memcpy(A, M, sizeof A);
        for (int i = 0; i < 3; ++i)
            A[i][k] = y[i];
        x[k] = (A[0][0] * (A[1][1] * A[2][2] - A[1][2] * A[2][1]) -
                A[0][1] * (A[1][0] * A[2][2] - A[1][2] * A[2][0]) +
                A[0][2] * (A[1][0] * A[2][1] - A[1][1] * A[2][0])) /
               d;
    }
    return true;
}

// Column j of P, normalised; false for a zero or non-finite column.
bool UnitColumn(const double P[3][3], int j, double k[3]) {
    const double n = std::sqrt(P[0][j] * P[0][j] + P[1][j] * P[1][j] + P[2][j] * P[2][j]);
    if (!std::isfinite(n) || n == 0.0)
        return false;
    for (int i = 0; i < 3; ++i)
        k[i] = P[i][j] / n;
    return true;
}

// The rotation by dDegrees about the unit axis k (right-handed).
void AxisRotation(const double k[3], double dDegrees, double R[3][3]) {
    const double t = dDegrees * 3.14159265358979323846 / 180.0;
    const double c = std::cos(t), s = std::sin(t), v = 1.0 - c;
    R[0][0] = c + k[0] * k[0] * v;
    R[0][1] = k[0] * k[1] * v - k[2] * s;
    R[0][2] = k[0] * k[2] * v + k[1] * s;
    R[1][0] = k[1] * k[0] * v + k[2] * s;
    R[1][1] = c + k[1] * k[1] * v;
    R[1][2] = k[1] * k[2] * v - k[0] * s;
    R[2][0] = k[2] * k[0] * v - k[1] * s;
    R[2][1] = k[2] * k[1] * v + k[0] * s;
    R[2][2] = c + k[2] * k[2] * v;
}

// The pose turned by R about pivot: cop' = pivot + R (cop - pivot), P' = R P.
CameraPose Turned(const CameraPose& pose, const double pivot[3], const double R[3][3]) {
    CameraPose turned;
    double d[3];
    for (int i = 0; i < 3; ++i)
        d[i] = pose.cop[i] - pivot[i];
    for (int i = 0; i < 3; ++i) {
        turned.cop[i] = pivot[i] + (R[i][0] * d[0] + R[i][1] * d[1] + R[i][2] * d[2]);
        for (int j = 0; j < 3; ++j)
            turned.P[i][j] =
                R[i][0] * pose.P[0][j] + R[i][1] * pose.P[1][j] + R[i][2] * pose.P[2][j];
    }
    return turned;
}

// The ray parameter of pivot, or 0 when it is not in front of the camera.
double PivotDepth(const CameraPose& pose, const double pivot[3]) {
    double u, v, t;
    return ProjectPoint(pose, pivot, &u, &v, &t) ? t : 0.0;
}

} // namespace

CameraPose PoseOf(const CViewImage& image) {
    CameraPose pose;
    std::memcpy(pose.cop, image.GetCOP(), sizeof pose.cop);
    std::memcpy(pose.P, image.GetP(), sizeof pose.P);
    return pose;
}

bool SamePose(const CameraPose& a, const CameraPose& b) {
    return std::memcmp(a.cop, b.cop, sizeof a.cop) == 0 && std::memcmp(a.P, b.P, sizeof a.P) == 0;
}

void SceneCentre(const CViewImage& image, double f[3]) {
    const double* b = image.GetSceneBounds();
    for (int i = 0; i < 3; ++i)
        f[i] = (b[2 * i] + b[2 * i + 1]) / 2.0;
}

bool ProjectPoint(const CameraPose& pose, const double X[3], double* pU, double* pV, double* pT) {
    const double d[3] = {X[0] - pose.cop[0], X[1] - pose.cop[1], X[2] - pose.cop[2]};
    double h[3];
    if (!Solve(pose.P, d, h) || !(h[2] > 0.0))
        return false;
    *pU = h[0] / h[2];
    *pV = h[1] / h[2];
    *pT = h[2];
    return std::isfinite(*pU) && std::isfinite(*pV);
}

void PointOnRay(const CameraPose& pose, double u, double v, double t, double X[3]) {
    for (int i = 0; i < 3; ++i)
        X[i] = pose.cop[i] + t * (u * pose.P[i][0] + v * pose.P[i][1] + pose.P[i][2]);
}

void PointUnderPixel(const CameraPose& pose, double u, double v, const double pivot[3],
                     double X[3]) {
    const double t = PivotDepth(pose, pivot);
    if (t > 0.0)
        PointOnRay(pose, u, v, t, X);
    else
        std::memcpy(X, pivot, 3 * sizeof(double));
}

CameraPose OrbitPose(const CameraPose& pose, const double pivot[3], double dYaw, double dPitch) {
    double up[3], right[3];
    if (!UnitColumn(pose.P, 1, up) || !UnitColumn(pose.P, 0, right))
        return pose;
    double R[3][3];
    AxisRotation(up, dYaw, R);
    const CameraPose yawed = Turned(pose, pivot, R);
    // The right axis of the turned camera, so that pitch follows what the user sees.
    if (!UnitColumn(yawed.P, 0, right))
        return yawed;
    AxisRotation(right, dPitch, R);
    return Turned(yawed, pivot, R);
}

CameraPose PanPose(const CameraPose& pose, const double pivot[3], double dx, double dy) {
    double t = PivotDepth(pose, pivot);
    if (!(t > 0.0))
        t = 1.0;
    CameraPose panned = pose;
    // A point X = cop + t P (u, v, 1) seen from cop - t (dx a + dy b) lies at (u + dx, v + dy).
    for (int i = 0; i < 3; ++i)
        panned.cop[i] = pose.cop[i] - t * (dx * pose.P[i][0] + dy * pose.P[i][1]);
    return panned;
}

CameraPose DollyPose(const CameraPose& pose, const double pivot[3], double dFraction) {
    if (!(dFraction < 0.9))
        dFraction = 0.9;
    CameraPose moved = pose;
    for (int i = 0; i < 3; ++i)
        moved.cop[i] = pose.cop[i] + dFraction * (pivot[i] - pose.cop[i]);
    return moved;
}
