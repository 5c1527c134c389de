// The camera of live navigation: a full pose (centre of projection and matrix) changed by small
// steps that keep a chosen point where it is on the screen. The dialogs' moves build their
// cameras their own way (Warp.h); these steps only serve interactive exploration, and a pose
// they give is rendered like any other (the pose constructors of CViewImage).
#pragma once

class CViewImage;

// A pinhole camera as the warp takes it: the ray of pixel (x, y) runs from cop along
// x a + y b + c, where a, b, c are the columns of P (P[row][column]).
struct CameraPose {
    double cop[3];
    double P[3][3];
};

// The camera of an image.
CameraPose PoseOf(const CViewImage& image);
// Whether two poses are the same bit for bit.
bool SamePose(const CameraPose& a, const CameraPose& b);

// The centre of an image's scene bounds (xmin, xmax, ymin, ymax, zmin, zmax): the focus point.
void SceneCentre(const CViewImage& image, double f[3]);

// Where a world point lies for the pose: pixel (*pU, *pV) and ray parameter *pT with
// X = cop + t P (u, v, 1). False when the point is not in front (t <= 0) or P is singular; the
// outputs are then undefined.
bool ProjectPoint(const CameraPose& pose, const double X[3], double* pU, double* pV, double* pT);
// The world point cop + t P (u, v, 1).
void PointOnRay(const CameraPose& pose, double u, double v, double t, double X[3]);

// The point on the ray of pixel (u, v) at the depth of pivot (same ray parameter), or pivot
// itself when pivot is not in front of the camera: the point an orbit about "the point under the
// cursor" turns about.
void PointUnderPixel(const CameraPose& pose, double u, double v, const double pivot[3],
                     double X[3]);

// The pose turned about pivot: first by dYaw degrees about the camera's up axis (b, normalised)
// and then by dPitch degrees about its right axis (a, normalised), both through pivot. The whole
// camera turns with it, so pivot keeps its pixel.
CameraPose OrbitPose(const CameraPose& pose, const double pivot[3], double dYaw, double dPitch);
// The pose moved in its own image plane so that points at the depth of pivot move by (dx, dy)
// pixels on the screen (x to the right, y up); the matrix stays.
CameraPose PanPose(const CameraPose& pose, const double pivot[3], double dx, double dy);
// The centre of projection moved the fraction dFraction of the way to pivot (negative: away
// from it); the matrix stays, so pivot keeps its pixel. Fractions are limited to below 0.9 so
// that a step never reaches the pivot.
CameraPose DollyPose(const CameraPose& pose, const double pivot[3], double dFraction);
