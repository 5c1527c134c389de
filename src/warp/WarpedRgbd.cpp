// The warped image as RGB-D: the camera frame of a view, the depth warps and the writer.
//
// Why the depth warps give exactly the depth of what the colour warp drew: at each position the
// colour warp keeps the value of the last triangle (in the traversal order) that stored there,
// and a triangle stores when its interpolation succeeds (with non-negative colours the result
// is never negative) or when it fails with a black vertex 1 (the failure value -s1 is then -0,
// not negative). A copy whose channels are all non-negative and finite, green 1, never stores
// on a failure and always on a success: the last triangle to store in it is the colour warp's
// last one wherever that one succeeded. Where the colour warp's last store was a failure, two
// further warps tell it and give vertex 1's value: a marker copy, +0 at black samples and 1
// elsewhere, stores where the colour warp stores, and its value is -0 exactly there (from
// +0 and 1 no interpolation gives -0); and a copy with negated values at the black samples
// stores their inverse depth on a failure, while no later triangle stores there (it would
// have stored in the colour warp too).
#include "warp/WarpedRgbd.h"

#include "framework/Services.h"
#include "image/ImageFiles.h"
#include "image/SafeFile.h"
#include "image/ViewImage.h"
#include "warp/Warp.h"

#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace {

double Dot(const double a[3], const double b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void Column(const double P[3][3], int nCol, double v[3]) {
    for (int k = 0; k < 3; ++k)
        v[k] = P[k][nCol];
}

bool Fail(std::string* pstrError, const std::string& strText) {
    if (pstrError)
        *pstrError = strText;
    return false;
}

// The colour warp stores the failure value -s1 exactly when no channel of s1 is above 0.
bool IsBlack(const PixelSample& s) {
    return s.red <= 0 && s.green <= 0 && s.blue <= 0;
}

bool HasNaN(const PixelSample& s) {
    return std::isnan(s.red) || std::isnan(s.green) || std::isnan(s.blue);
}

// The inverse depth in the new camera (optical axis axis, centre newCOP) of each source sample:
// the point cop + (1/d) (x a + y b + c) has depth (d axis.(cop - newCOP) + axis.ray) / d, so
// the inverse is d / (d axis.(cop - newCOP) + axis.ray), which is 0 for a point at infinity
// (d = 0). A point not in front of the new camera gets 0: the warp never draws it.
std::vector<double> InverseDepths(const CViewImage& source, const double axis[3],
                                  const double newCOP[3]) {
    const int nWidth = source.GetWidth(), nHeight = source.GetHeight();
    const double(*P)[3] = source.GetP();
    const double* pCOP = source.GetCOP();
    const double toSource[3] = {pCOP[0] - newCOP[0], pCOP[1] - newCOP[1], pCOP[2] - newCOP[2]};
    const double dOffset = Dot(axis, toSource);
    std::vector<double> inverse(static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight));
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            const size_t nAt = static_cast<size_t>(y) * nWidth + x;
            double ray[3];
            for (int k = 0; k < 3; ++k)
                ray[k] = x * P[k][0] + y * P[k][1] + P[k][2];
            const double d = source.GetSamples()[nAt].disparity;
            const double dInverse = d / (d * dOffset + Dot(axis, ray));
            inverse[nAt] = dInverse > 0.0 && std::isfinite(dInverse) ? dInverse : 0.0;
        }
    return inverse;
}

// The optical axis of a camera: the unit normal of the picture plane on the side the rays run.
bool OpticalAxis(const double P[3][3], double axis[3]) {
    double a[3], b[3], c[3];
    Column(P, 0, a);
    Column(P, 1, b);
    Column(P, 2, c);
    const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                         a[0] * b[1] - a[1] * b[0]};
    const double dLength = std::sqrt(Dot(n, n));
    const double dSide = Dot(c, n);
    if (!(dLength > 0.0) || !std::isfinite(dLength) || !(std::fabs(dSide) > 0.0) ||
        !std::isfinite(dSide))
        return false;
    const double dScale = (dSide > 0.0 ? 1.0 : -1.0) / dLength;
    for (int k = 0; k < 3; ++k)
        axis[k] = n[k] * dScale;
    return true;
}

// One depth warp: the move of warped, drawn from copy (the source's camera and disparities, the
// channels of the caller). Null when the window differs from warped's: not a move of this source.
std::unique_ptr<CViewImage> DepthWarp(const CViewImage& warped, const CViewImage& copy) {
    const WarpReport& report = warped.GetWarpReport();
    std::unique_ptr<CViewImage> pOut(new (std::nothrow) CViewImage());
    if (!pOut)
        return nullptr;
    pOut->SetCamera(warped.GetCOP(), warped.GetP());
    pOut->SetupWarp(copy, report.nZone, report.nEx, report.nEy);
    const WarpReport& out = pOut->GetWarpReport();
    if (pOut->GetWidth() != warped.GetWidth() || pOut->GetHeight() != warped.GetHeight() ||
        out.nXOff != report.nXOff || out.nYOff != report.nYOff || !pOut->GetSamples())
        return nullptr;
    return pOut;
}

} // namespace

bool ComputeViewFrame(const CViewImage& image, int nXOff, int nYOff, ViewFrame& frame,
                      std::string* pstrError) {
    const double(*P)[3] = image.GetP();
    double a[3], b[3], c[3];
    Column(P, 0, a);
    Column(P, 1, b);
    Column(P, 2, c);
    const double dA = std::sqrt(Dot(a, a)), dB = std::sqrt(Dot(b, b));
    if (!(dA > 0.0) || !(dB > 0.0) || !std::isfinite(dA) || !std::isfinite(dB))
        return Fail(pstrError, "the camera has a pixel axis of no length");
    if (!(std::fabs(Dot(a, b)) <= 1e-9 * dA * dB))
        return Fail(pstrError, "the camera's pixel axes are not perpendicular (skewed pixels "
                               "have no fx, fy, cx, cy)");
    double axis[3];
    if (!OpticalAxis(P, axis))
        return Fail(pstrError, "the camera's rays run along its picture plane");
    ViewFrame result;
    for (int k = 0; k < 3; ++k) {
        result.cop[k] = image.GetCOP()[k];
        result.axes[0][k] = a[k] / dA;
        result.axes[1][k] = b[k] / dB;
        result.axes[2][k] = axis[k];
    }
    const double(*e)[3] = result.axes;
    const double cross[3] = {e[0][1] * e[1][2] - e[0][2] * e[1][1],
                             e[0][2] * e[1][0] - e[0][0] * e[1][2],
                             e[0][0] * e[1][1] - e[0][1] * e[1][0]};
    result.bMirrored = Dot(cross, axis) < 0.0;
    // The ray of grid pixel (x, y) is x a + y b + (c + nXOff a + nYOff b); divided by its
    // length along the axis (the same for every pixel) its z in the frame is 1, as the
    // importer's camera has it.
    double cGrid[3];
    for (int k = 0; k < 3; ++k)
        cGrid[k] = c[k] + nXOff * a[k] + nYOff * b[k];
    const double dAlong = Dot(cGrid, axis);
    result.intrinsics.fx = dAlong / dA;
    result.intrinsics.fy = dAlong / dB;
    result.intrinsics.cx = -Dot(cGrid, e[0]) / dA;
    result.intrinsics.cy = (image.GetHeight() - 1) + Dot(cGrid, e[1]) / dB;
    const PinholeIntrinsics& in = result.intrinsics;
    if (!std::isfinite(in.fx) || !std::isfinite(in.fy) || !std::isfinite(in.cx) ||
        !std::isfinite(in.cy) || !(in.fx > 0.0) || !(in.fy > 0.0))
        return Fail(pstrError, "the camera has no finite intrinsics");
    frame = result;
    return true;
}

bool ComputeWarpedDepth(const CViewImage& warped, const CViewImage& source,
                        std::vector<double>& depth, WarpedDepthReport* pReport,
                        std::string* pstrError) {
    WarpedDepthReport report;
    const WarpReport& warp = warped.GetWarpReport();
    if (!warped.HasGrid() || warp.nZone == 0 || !IsWarpableSource(source))
        return Fail(pstrError, "not a warped image of this source");
    double axis[3];
    if (!OpticalAxis(warped.GetP(), axis))
        return Fail(pstrError, "the warped camera's rays run along its picture plane");
    const size_t nCount =
        static_cast<size_t>(warped.GetWidth()) * static_cast<size_t>(warped.GetHeight());
    if (warp.bTooCostly) {
        // Nothing was drawn, and the depth warps would be refused alike.
        depth.assign(nCount, 0.0);
        if (pReport)
            *pReport = report;
        return true;
    }

    const std::vector<double> inverse = InverseDepths(source, axis, warped.GetCOP());
    const size_t nSource =
        static_cast<size_t>(source.GetWidth()) * static_cast<size_t>(source.GetHeight());
    const PixelSample* pSource = source.GetSamples();
    bool bAnyBlack = false;
    for (size_t i = 0; i < nSource && !bAnyBlack; ++i)
        bAnyBlack = IsBlack(pSource[i]);

    CViewImage copy;
    copy.SetWidth(source.GetWidth());
    copy.SetHeight(source.GetHeight());
    copy.SetCamera(source.GetCOP(), source.GetP());
    copy.SetSamples(new (std::nothrow) PixelSample[nSource]);
    if (!copy.GetSamples())
        return Fail(pstrError, "not enough memory for the depth of the warp");
    PixelSample* pCopy = copy.GetSamples();
    const double dNaN = std::numeric_limits<double>::quiet_NaN();
    // kind 0: inverse depth, 1; kind 1: the marker; kind 2: inverse depth negated at black samples.
    auto fill = [&](int nKind) {
        for (size_t i = 0; i < nSource; ++i) {
            const PixelSample& s = pSource[i];
            const bool bBlack = IsBlack(s);
            double v[3];
            if (nKind == 0) {
                v[0] = inverse[i];
                v[1] = 1.0;
                v[2] = 0.0;
            } else if (nKind == 1) {
                v[0] = v[1] = v[2] = bBlack ? 0.0 : 1.0;
            } else {
                v[0] = bBlack ? -inverse[i] : inverse[i];
                v[1] = v[2] = bBlack ? -1.0 : 1.0;
            }
            // A NaN colour is never stored (its interpolation is NaN, and so is its failure
            // value's test): neither is its depth.
            if (HasNaN(s))
                v[1] = dNaN;
            pCopy[i] = PixelSample{v[0], v[1], v[2], s.disparity};
        }
    };

    CQuietScope quiet;
    // A depth warp that does not reproduce the window either ran out of memory (it then keeps
    // an empty 3 x 3 grid and says so) or is no move of this source.
    auto noDepthWarp = [&]() {
        for (const CMessageScope::Entry& entry : quiet.GetEntries())
            if (entry.strText.rfind("There is not enough memory", 0) == 0)
                return Fail(pstrError, "not enough memory for the depth of the warp");
        return Fail(pstrError, "not a warped image of this source");
    };
    std::vector<double> inverseDrawn(nCount, 0.0);
    std::vector<unsigned char> known(nCount, 0);
    fill(0);
    {
        const std::unique_ptr<CViewImage> pDepth = DepthWarp(warped, copy);
        if (!pDepth)
            return noDepthWarp();
        ++report.nWarps;
        for (size_t i = 0; i < nCount; ++i) {
            const PixelSample& s = pDepth->GetSamples()[i];
            if (s.green > 0.5) {
                inverseDrawn[i] = s.red;
                known[i] = 1;
            }
        }
    }
    if (bAnyBlack) {
        std::vector<unsigned char> failed(nCount, 0);
        fill(1);
        {
            const std::unique_ptr<CViewImage> pMarker = DepthWarp(warped, copy);
            if (!pMarker)
                return noDepthWarp();
            ++report.nWarps;
            for (size_t i = 0; i < nCount; ++i) {
                const double m = pMarker->GetSamples()[i].red;
                failed[i] = m == 0.0 && std::signbit(m) ? 1 : 0;
            }
        }
        fill(2);
        const std::unique_ptr<CViewImage> pVertex = DepthWarp(warped, copy);
        if (!pVertex)
            return noDepthWarp();
        ++report.nWarps;
        for (size_t i = 0; i < nCount; ++i)
            if (failed[i]) {
                inverseDrawn[i] = pVertex->GetSamples()[i].red;
                known[i] = 1;
                ++report.nVertexDepth;
            }
    }

    depth.assign(nCount, 0.0);
    for (size_t i = 0; i < nCount; ++i) {
        if (!known[i])
            continue;
        const double d = inverseDrawn[i];
        if (d == 0.0) {
            depth[i] = std::numeric_limits<double>::infinity();
            ++report.nAtInfinity;
        } else if (d > 0.0 && std::isfinite(d)) {
            depth[i] = 1.0 / d;
        } else {
            continue;
        }
        ++report.nKnown;
    }
    if (pReport)
        *pReport = report;
    return true;
}

bool WriteWarpedRgbd(const CViewImage& warped, const CViewImage& source,
                     const std::string& strColour, const std::string& strDepth,
                     std::string* pstrError, WarpedDepthReport* pReport) {
    if (!IsPngName(strColour))
        return Fail(pstrError,
                    strColour + ": the colour image of an RGB-D pair is written as .png");
    std::string strDepthPath = strDepth;
    if (strDepthPath.empty()) {
        const std::string strCamera = SidecarPathOf(strColour);
        strDepthPath = strCamera.substr(0, strCamera.size() - 7) + ".pfm";
    }
    const size_t nDot = strDepthPath.rfind('.');
    std::string strExtension = nDot == std::string::npos ? "" : strDepthPath.substr(nDot);
    for (char& ch : strExtension)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    if (strExtension != ".pfm" && strExtension != ".exr")
        return Fail(pstrError, strDepthPath +
                                   ": the depth of a warp is written as .pfm or .exr (floats: "
                                   "a 16-bit PNG holds no infinity)");
    const std::string strCamera = SidecarPathOf(strColour);
    if (strCamera == strDepthPath || strCamera == strColour || strDepthPath == strColour)
        return Fail(pstrError, strColour + ": the colour, depth and camera files need names of "
                                           "their own");
    const WarpReport& warp = warped.GetWarpReport();
    ViewFrame frame;
    std::string strFault;
    if (!ComputeViewFrame(warped, warp.nXOff, warp.nYOff, frame, &strFault))
        return Fail(pstrError, strCamera + ": " + strFault);
    std::vector<double> depth;
    if (!ComputeWarpedDepth(warped, source, depth, pReport, &strFault))
        return Fail(pstrError, strDepthPath + ": " + strFault);
    if (!WriteRgbd(warped, depth, strColour.c_str(), strDepthPath.c_str(), pstrError))
        return false;

    CameraSidecar sidecar;
    sidecar.intrinsics = frame.intrinsics;
    sidecar.strDepth = SidecarDepthName(strCamera, strDepthPath);
    std::string strText = "# a warped view in the frame of its camera; in the world of its source "
                          "the centre of projection\n# and the unit axes (right, up, forward) "
                          "are\n";
    const char* const pszNames[4] = {"centre", "right", "up", "forward"};
    for (int k = 0; k < 4; ++k) {
        const double* v = k == 0 ? frame.cop : frame.axes[k - 1];
        strText += std::string("#   ") + pszNames[k];
        for (int i = 0; i < 3; ++i)
            strText += " " + ExactNumber(v[i]);
        strText += "\n";
    }
    if (frame.bMirrored)
        strText += "# (right, up, forward is a left-handed triple there: the frame is the world "
                   "in a mirror)\n";
    strText += CameraSidecarText(sidecar);
    if (!WriteFileSafely(strCamera, strText.data(), strText.size(), "camerafile"))
        return Fail(pstrError, strCamera + ": cannot write the file");
    return true;
}
