// The two camera moves of CViewImage and the helpers they share with the dialogs' hints:
// the rotation of a move, the centre of projection of a focus move and the classification of
// the epipole into the zone that fixes the occlusion-compatible order.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "math/Matrix.h"
#include "warp/Warp.h"

namespace {

// A 3 x 3 matrix in the row-pointer form of CMatrix, backed by local storage.
struct CRowMatrix {
    double m_Rows[3][3];
    double* m_pRows[3];
    CRowMatrix() {
        std::memset(m_Rows, 0, sizeof m_Rows);
        for (int i = 0; i < 3; ++i)
            m_pRows[i] = m_Rows[i];
    }
    explicit CRowMatrix(const double a[3][3]) : CRowMatrix() {
        std::memcpy(m_Rows, a, sizeof m_Rows);
    }
    double** Get() { return m_pRows; }
};

// x + 0.5 truncated toward zero, clamped to the int range first: a tiny W gives an enormous
// coordinate, and converting it unchecked would be undefined. NaN gives 0.
int RoundEpipole(double dValue) {
    const double dShifted = dValue + 0.5;
    if (std::isnan(dShifted))
        return 0;
    if (dShifted >= 2147483647.0)
        return INT_MAX;
    if (dShifted <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(dShifted);
}

// Rounded coordinate of an epipole at infinity in the direction of the sign of dComponent.
int EpipoleAtInfinity(double dComponent) {
    if (dComponent > 0.0)
        return INT_MAX;
    if (dComponent < 0.0)
        return INT_MIN;
    return 0;
}

double DirectionAtInfinity(double dComponent) {
    if (dComponent > 0.0)
        return std::numeric_limits<double>::infinity();
    if (dComponent < 0.0)
        return -std::numeric_limits<double>::infinity();
    return 0.0;
}

} // namespace

void BuildRotation(double angleX, double angleY, double angleZ, double R[3][3]) {
    const double tx = (angleX + angleX) * 3.1415926 / 360.0;
    const double ty = (angleY + angleY) * 3.1415926 / 360.0;
    const double tz = (angleZ + angleZ) * 3.1415926 / 360.0;

    CRowMatrix rx, ry, rz, rxy, r;
    rx.m_Rows[0][0] = 1.0;
    rx.m_Rows[1][1] = std::cos(tx);
    rx.m_Rows[1][2] = -std::sin(tx);
    rx.m_Rows[2][1] = std::sin(tx);
    rx.m_Rows[2][2] = std::cos(tx);

    ry.m_Rows[0][0] = std::cos(ty);
    ry.m_Rows[0][2] = std::sin(ty);
    ry.m_Rows[1][1] = 1.0;
    ry.m_Rows[2][0] = -std::sin(ty);
    ry.m_Rows[2][2] = std::cos(ty);

    rz.m_Rows[0][0] = std::cos(tz);
    rz.m_Rows[0][1] = -std::sin(tz);
    rz.m_Rows[1][0] = std::sin(tz);
    rz.m_Rows[1][1] = std::cos(tz);
    rz.m_Rows[2][2] = 1.0;

    CMatrix matrix;
    matrix.Multiply(rx.Get(), ry.Get(), rxy.Get(), 3, 3, 3);
    matrix.Multiply(rxy.Get(), rz.Get(), r.Get(), 3, 3, 3);
    std::memcpy(R, r.m_Rows, sizeof r.m_Rows);
}

void ComputeFocusCOP(double rotX, double rotY, double rotZ, double zoom, const CViewImage& source,
                     double newCOP[3]) {
    double R[3][3];
    BuildRotation(rotX, rotY, rotZ, R);
    const double* pBounds = source.GetSceneBounds();
    const double* pCOP = source.GetCOP();
    const double f[3] = {(pBounds[1] + pBounds[0]) / 2, (pBounds[3] + pBounds[2]) / 2,
                         (pBounds[5] + pBounds[4]) / 2};
    const double v[3] = {pCOP[0] - f[0], pCOP[1] - f[1], pCOP[2] - f[2]};
    double q[3];
    CRowMatrix r(R);
    CMatrix matrix;
    matrix.MultiplyVector(r.Get(), v, q, 3, 3);
    for (int i = 0; i < 3; ++i) {
        q[i] = q[i] * zoom;
        newCOP[i] = q[i] + f[i];
    }
}

int ZoneOf(int ex, int ey, int nLastX, int nLastY) {
    const bool bLeft = ex < 0, bRight = ex >= nLastX, bBelow = ey < 0, bAbove = ey >= nLastY;
    if (bAbove)
        return bLeft ? 1 : bRight ? 3 : 2;
    if (!bBelow)
        return bLeft ? 4 : bRight ? 6 : 5;
    return bLeft ? 7 : bRight ? 9 : 8;
}

bool IsWarpableSource(const CViewImage& source) {
    return source.GetSamples() != nullptr && source.GetWidth() >= 2 &&
           source.GetWidth() <= CViewImage::kMaxSourceSide && source.GetHeight() >= 2 &&
           source.GetHeight() <= CViewImage::kMaxSourceSide;
}

int MaxWarpSide(const CViewImage& source) {
    const int nLarger = std::max(source.GetWidth(), source.GetHeight());
    return std::max(CViewImage::kMaxWarpSide, 2 * std::min(nLarger, CViewImage::kMaxSourceSide));
}

void WarpRangeCentre(const CViewImage& source, int* pnX, int* pnY) {
    // The largest bound of the range about the origin, as WarpWindow forms it.
    const int nHalf = (MaxWarpSide(source) / 2 - 2) / 2;
    auto centre = [&](int nSide) {
        const int nLast = std::min(nSide, CViewImage::kMaxSourceSide) - 1;
        return nLast <= nHalf ? 0 : nLast / 2;
    };
    *pnX = centre(source.GetWidth());
    *pnY = centre(source.GetHeight());
}

EpipoleInfo ClassifyEpipole(const double srcP[3][3], const double srcCOP[3], const double newCOP[3],
                            int nLastX, int nLastY) {
    EpipoleInfo info;
    const double d[3] = {newCOP[0] - srcCOP[0], newCOP[1] - srcCOP[1], newCOP[2] - srcCOP[2]};
    CRowMatrix p(srcP), inverse;
    CMatrix matrix;
    matrix.Invert(p.Get(), inverse.Get(), 3);
    matrix.MultiplyVector(inverse.Get(), d, info.e, 3, 3);
    info.dW = info.e[2];
    // NaN fails this test as well: no zone can be read from it either.
    info.bDegenerate = !(std::fabs(info.dW) > 1e-20);
    if (info.bDegenerate) {
        // The epipole lies at infinity in the direction (e0, e1) of the source image plane. A
        // sweep towards that direction is occlusion-compatible, so the zone is taken as if W
        // were +0 and the rounded epipole lay infinitely far that way. A pure rotation (e = 0)
        // gets zone 5 with ex = ey = 0: one sheet over the whole grid.
        info.dX = DirectionAtInfinity(info.e[0]);
        info.dY = DirectionAtInfinity(info.e[1]);
        info.nEx = EpipoleAtInfinity(info.e[0]);
        info.nEy = EpipoleAtInfinity(info.e[1]);
        info.nZone = ZoneOf(info.nEx, info.nEy, nLastX, nLastY);
        return info;
    }
    info.dX = info.e[0] / info.dW;
    info.dY = info.e[1] / info.dW;
    info.nEx = RoundEpipole(info.dX);
    info.nEy = RoundEpipole(info.dY);
    info.nZone = ZoneOf(info.nEx, info.nEy, nLastX, nLastY);
    if (info.dW < 0.0)
        info.nZone = -info.nZone;
    return info;
}

void CViewImage::FinishMove(const CViewImage& source, const EpipoleInfo& info, const int* pWindow,
                            EWarpGrid eGrid, ByteColour unwritten) {
    std::memcpy(m_SceneBounds, source.m_SceneBounds, sizeof m_SceneBounds);
    std::memcpy(m_SceneExtra, source.m_SceneExtra, sizeof m_SceneExtra);
    m_WarpReport.dW = info.dW;
    m_WarpReport.bDegenerate = info.bDegenerate;
    if (pWindow)
        SetupWindowWarp(source, info.nZone, info.nEx, info.nEy, pWindow[0], pWindow[1], pWindow[2],
                        pWindow[3], eGrid, unwritten);
    else
        SetupWarp(source, info.nZone, info.nEx, info.nEy, eGrid);
}

EpipoleInfo CViewImage::StartPoseMove(const double cop[3], const double P[3][3],
                                      const CViewImage& source) {
    std::memcpy(m_COP, cop, sizeof m_COP);
    std::memcpy(m_P, P, sizeof m_P);
    const EpipoleInfo info =
        ClassifyEpipole(source.m_P, source.m_COP, m_COP, source.m_nWidth - 1, source.m_nHeight - 1);
    MORROW_ASSERT(std::fabs(info.dW) > 1e-20);
    return info;
}

void BuildFreeMoveCamera(double rotX, double rotY, double rotZ, const double position[3],
                         const CViewImage& source, double newCOP[3], double newP[3][3]) {
    double R[3][3];
    BuildRotation(rotX, rotY, rotZ, R);
    CRowMatrix r(R), srcP(source.GetP()), product;
    CMatrix matrix;
    matrix.Multiply(r.Get(), srcP.Get(), product.Get(), 3, 3, 3);
    std::memcpy(newCOP, position, 3 * sizeof(double));
    std::memcpy(newP, product.m_Rows, sizeof product.m_Rows);
}

void BuildFocusMoveCamera(double rotX, double rotY, double rotZ, double zoom,
                          const CViewImage& source, double newCOP[3], double newP[3][3]) {
    ComputeFocusCOP(rotX, rotY, rotZ, zoom, source, newCOP);
    // The viewing directions turn the other way: R^-1 with the general inverse, not by
    // transposing, so that the result is the same bit for bit everywhere.
    double R[3][3];
    BuildRotation(rotX, rotY, rotZ, R);
    CRowMatrix r(R), inverse, srcP(source.GetP()), product;
    CMatrix matrix;
    matrix.Invert(r.Get(), inverse.Get(), 3);
    matrix.Multiply(inverse.Get(), srcP.Get(), product.Get(), 3, 3, 3);
    std::memcpy(newP, product.m_Rows, sizeof product.m_Rows);
}

bool ComputeMoveWindow(const CViewImage& source, const double newCOP[3], const double newP[3][3],
                       int* xOff, int* yOff, int* nWidth, int* nHeight) {
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    if (IsWarpableSource(source))
        source.ComputeWarpBounds(source.GetP(), newP, source.GetCOP(), newCOP, source.GetSamples(),
                                 &minX, &maxX, &minY, &maxY, source.GetWidth(), source.GetHeight());
    int nCentreX, nCentreY;
    WarpRangeCentre(source, &nCentreX, &nCentreY);
    return CViewImage::WarpWindow(minX, maxX, minY, maxY, xOff, yOff, nWidth, nHeight,
                                  MaxWarpSide(source), nCentreX, nCentreY);
}

CViewImage::CViewImage(double rotX, double rotY, double rotZ, const double position[3],
                       const CViewImage& source) {
    InitFields();
    // One move is one warp: each distinct message is shown once and counted.
    CMessageScope scope;
    BuildFreeMoveCamera(rotX, rotY, rotZ, position, source, m_COP, m_P);
    const EpipoleInfo info =
        ClassifyEpipole(source.m_P, source.m_COP, m_COP, source.m_nWidth - 1, source.m_nHeight - 1);
    MORROW_ASSERT(std::fabs(info.dW) > 1e-20);
    FinishMove(source, info);
    for (const CMessageScope::Entry& entry : scope.GetEntries())
        m_WarpReport.messages.push_back({entry.strText, entry.nCount});
}

CViewImage::CViewImage(double rotX, double rotY, double rotZ, double zoom,
                       const CViewImage& source) {
    InitFields();
    CMessageScope scope;
    // Classified before R is inverted, so that messages come in the order of the computation.
    double newCOP[3];
    ComputeFocusCOP(rotX, rotY, rotZ, zoom, source, newCOP);
    const EpipoleInfo info = ClassifyEpipole(source.m_P, source.m_COP, newCOP, source.m_nWidth - 1,
                                             source.m_nHeight - 1);
    MORROW_ASSERT(std::fabs(info.dW) > 1e-20);
    BuildFocusMoveCamera(rotX, rotY, rotZ, zoom, source, m_COP, m_P);
    FinishMove(source, info);
    for (const CMessageScope::Entry& entry : scope.GetEntries())
        m_WarpReport.messages.push_back({entry.strText, entry.nCount});
}

CViewImage::CViewImage(const double cop[3], const double P[3][3], const CViewImage& source,
                       EWarpGrid eGrid) {
    InitFields();
    CMessageScope scope;
    FinishMove(source, StartPoseMove(cop, P, source), nullptr, eGrid);
    for (const CMessageScope::Entry& entry : scope.GetEntries())
        m_WarpReport.messages.push_back({entry.strText, entry.nCount});
}

CViewImage::CViewImage(const double cop[3], const double P[3][3], const CViewImage& source, int nX0,
                       int nY0, int nWidth, int nHeight, EWarpGrid eGrid, ByteColour unwritten) {
    InitFields();
    CMessageScope scope;
    const int window[4] = {nX0, nY0, nWidth, nHeight};
    FinishMove(source, StartPoseMove(cop, P, source), window, eGrid, unwritten);
    for (const CMessageScope::Entry& entry : scope.GetEntries())
        m_WarpReport.messages.push_back({entry.strText, entry.nCount});
}
