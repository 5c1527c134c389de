// Camera-move helpers shared by the move constructors, the dialogs' hints and the tools.
#pragma once

class CViewImage;

// R = (Rx * Ry) * Rz from three angles in degrees, each converted as
// (angle + angle) * 3.1415926 / 360.0.
void BuildRotation(double angleX, double angleY, double angleZ, double R[3][3]);

// Centre of projection of a focus move: f + zoom * (R * (C_src - f)), f the centre of the
// source's scene bounds.
void ComputeFocusCOP(double rotX, double rotY, double rotZ, double zoom, const CViewImage& source,
                     double newCOP[3]);

// The new camera of a free move: the position as given, R * P_src.
void BuildFreeMoveCamera(double rotX, double rotY, double rotZ, const double position[3],
                         const CViewImage& source, double newCOP[3], double newP[3][3]);
// The new camera of a focus move: ComputeFocusCOP, R^-1 * P_src (general inverse).
void BuildFocusMoveCamera(double rotX, double rotY, double rotZ, double zoom,
                          const CViewImage& source, double newCOP[3], double newP[3][3]);
// The window a warp to this camera allocates (from the 800 border warps, without warping the
// grid); true when it had to be cut to the largest size.
bool ComputeMoveWindow(const CViewImage& source, const double newCOP[3], const double newP[3][3],
                       int* xOff, int* yOff, int* nWidth, int* nHeight);

// Where a new centre of projection lies as seen from the source camera.
struct EpipoleInfo {
    double e[3];      // P_src^-1 * (C_new - C_src)
    double dW;        // e[2]
    double dX, dY;    // e0 / W, e1 / W (meaningless when bDegenerate)
    int nEx, nEy;     // rounded epipole (x + 0.5 truncated toward zero, clamped to int)
    int nZone;        // 1..9, negated when W < 0
    bool bDegenerate; // |W| <= 1e-20: the zone and ex, ey are those of the epipole at
                      // infinity in the direction (e0, e1), W taken as +0
};

// Classifies a move of a source whose last column is nLastX and last row nLastY (199 for a data
// file). The caller asserts |W| > 1e-20 in its own source file.
EpipoleInfo ClassifyEpipole(const double srcP[3][3], const double srcCOP[3], const double newCOP[3],
                            int nLastX = 199, int nLastY = 199);

// Zone 1..9 of a rounded epipole (not negated) for a source whose last column is nLastX and last
// row nLastY.
int ZoneOf(int ex, int ey, int nLastX = 199, int nLastY = 199);

// A source the warp takes: a grid of 2 to CViewImage::kMaxSourceSide samples each way.
bool IsWarpableSource(const CViewImage& source);

// The largest warped grid side for a source: the larger of CViewImage::kMaxWarpSide and twice
// the source's larger side.
int MaxWarpSide(const CViewImage& source);

// The plane position the range of the warped grid is centred on, per axis: the origin while the
// source's last column (row) lies within the first half of the range's positive side, as it does
// for every source up to about 500 a side and so for a data file; otherwise the source's centre,
// so that a large source seen from its own camera is not cut at its far edges.
void WarpRangeCentre(const CViewImage& source, int* pnX, int* pnY);

// The estimated cost the fill of a warp may take (about one unit per position tested, so the
// default is some seconds of work on one core); 0 or less restores the default. A warp over it
// draws nothing, shows "The move is too costly to render: ..." and sets bTooCostly in its report.
// The estimate is formed from the triangles before any is filled, so it does not depend on the
// number of threads.
constexpr long long kDefaultWarpBudget = 300000000;
void SetWarpBudget(long long nBudget);
long long GetWarpBudget();

// The number of threads a warp runs on. 0 (the default) is automatic: the value of the
// environment variable MORROW_THREADS when that is a positive integer, else the processor count
// capped at 8. An explicit count or MORROW_THREADS above kMaxWarpThreads is clamped to it. The
// warped image and its message counts are the same for every count; only the time differs.
constexpr unsigned kMaxWarpThreads = 64;
void SetWarpThreads(unsigned nThreads);
// The count the next warp asks for (1..kMaxWarpThreads); it may get fewer when the system
// refuses to start a thread.
unsigned GetWarpThreads();
// The count a value of MORROW_THREADS asks for: a decimal positive integer (surrounding blanks
// allowed), clamped to kMaxWarpThreads; 0 for anything else (empty, 0, negative, not a number,
// trailing characters), which the warp ignores with a trace line.
unsigned ParseWarpThreads(const char* pszValue);
