#include "Scene.h"

#include "image/ImageFiles.h"
#include "image/SafeFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <random>
#include <sys/stat.h>
#include <utility>

namespace {

constexpr int kSide = 200;
constexpr int kMaxTruthSide = 4096;

struct Vec {
    double x, y, z;
};

Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(double s, Vec a) {
    return {s * a.x, s * a.y, s * a.z};
}
double Dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec Cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec Normalize(Vec a) {
    return (1.0 / std::sqrt(Dot(a, a))) * a;
}

struct Colour {
    double r, g, b;
};

// How a surface is painted.
enum class Paint {
    Solid,   // one colour
    Checker, // squares of 1 on a horizontal plane: colour and colour2
    Bricks,  // bricks of 1 x 0.5 with mortar lines (colour2) on a wall facing z
    Panels,  // vertical panels 0.5 wide with dark seams (colour2) on a wall facing x
    Edged,   // solid with darker edges, for boxes
};

// An axis-aligned rectangle (nAxis: the axis of its normal) or box, or a sphere.
struct Shape {
    enum Kind { Rect, Box, Sphere } kind;
    Vec lo, hi;     // Rect: lo[nAxis] == hi[nAxis]; Box: corners; Sphere: lo = centre
    double dRadius; // Sphere
    int nAxis;      // Rect
    double dNormal; // Rect: the sign of its normal along nAxis, the side the light sees
    Paint paint;
    Colour colour, colour2;
};

struct Preset {
    const char* pszName;
    std::vector<Shape> shapes;
    double bounds[6];
    Vec cop, target;
    double dFovDegrees;
    Vec toLight; // unit vector towards the (directional) light
    Colour sky;
    double dAmbient, dDiffuse;
};

double Axis(Vec v, int n) {
    return n == 0 ? v.x : (n == 1 ? v.y : v.z);
}

Shape MakeRect(int nAxis, double dNormal, Vec lo, Vec hi, Paint paint, Colour c1, Colour c2) {
    return {Shape::Rect, lo, hi, 0.0, nAxis, dNormal, paint, c1, c2};
}
Shape MakeBox(Vec lo, Vec hi, Colour c) {
    return {Shape::Box, lo, hi, 0.0, 0, 0.0, Paint::Edged, c, {0, 0, 0}};
}
Shape MakeSphere(Vec centre, double dRadius, Colour c) {
    return {Shape::Sphere, centre, centre, dRadius, 0, 0.0, Paint::Solid, c, {0, 0, 0}};
}

const std::vector<Preset>& Presets() {
    static const std::vector<Preset> presets = [] {
        std::vector<Preset> list;
        // A room corner: a checker floor, a brick back wall and a panelled side wall (on the
        // right of the picture: the world's -x is the camera's right), with
        // boxes and spheres at several depths so that every move shows parallax and occlusion.
        Preset room;
        room.pszName = "room";
        room.shapes = std::vector<Shape>{
            MakeRect(1, 1.0, {-5, 0, -5}, {5, 0, 10}, Paint::Checker, {232, 224, 202},
                     {168, 84, 62}),
            MakeRect(2, -1.0, {-5, 0, 10}, {5, 5.0, 10}, Paint::Bricks, {92, 112, 150},
                     {205, 205, 210}),
            MakeRect(0, 1.0, {-5, 0, -5}, {-5, 3.5, 10}, Paint::Panels, {150, 182, 140},
                     {70, 90, 70}),
            MakeBox({-2.6, 0, 3.0}, {-1.4, 1.2, 4.2}, {205, 45, 40}),
            MakeSphere({1.4, 0.9, 2.6}, 0.9, {60, 175, 75}),
            MakeBox({0.0, 0, 6.0}, {1.0, 2.6, 7.0}, {50, 90, 215}),
            MakeSphere({-0.6, 0.45, 0.8}, 0.45, {240, 200, 40}),
            MakeBox({2.2, 0, -0.2}, {2.8, 0.6, 0.4}, {150, 70, 190}),
        };
        const double roomBounds[6] = {-5, 5, 0, 5, -5, 10};
        std::memcpy(room.bounds, roomBounds, sizeof roomBounds);
        room.cop = {0.6, 2.1, -3.2};
        room.target = {-0.4, 0.9, 5.0};
        room.dFovDegrees = 60.0;
        room.toLight = Normalize({0.4, 0.8, -0.45});
        room.sky = {135, 190, 235};
        room.dAmbient = 0.38;
        room.dDiffuse = 0.62;
        list.push_back(std::move(room));

        // Spheres receding over a wide checker field under a large sky: a big depth range.
        Preset spheres;
        spheres.pszName = "spheres";
        spheres.shapes = std::vector<Shape>{
            MakeRect(1, 1.0, {-20, 0, -5}, {20, 0, 40}, Paint::Checker, {240, 240, 235},
                     {40, 130, 140}),
            MakeSphere({-1.6, 0.7, 1.5}, 0.7, {220, 50, 50}),
            MakeSphere({1.2, 0.8, 3.5}, 0.8, {245, 165, 30}),
            MakeSphere({-2.0, 1.0, 6.5}, 1.0, {230, 220, 60}),
            MakeSphere({2.4, 1.1, 9.5}, 1.1, {70, 190, 80}),
            MakeSphere({-1.0, 1.3, 13.0}, 1.3, {60, 110, 220}),
            MakeSphere({3.5, 2.5, 24.0}, 2.5, {160, 70, 200}),
            MakeBox({-6.0, 0, 18.0}, {-3.0, 4.0, 21.0}, {200, 200, 200}),
        };
        const double sphereBounds[6] = {-20, 20, 0, 5, -5, 40};
        std::memcpy(spheres.bounds, sphereBounds, sizeof sphereBounds);
        spheres.cop = {0.0, 2.0, -4.0};
        spheres.target = {0.0, 0.8, 8.0};
        spheres.dFovDegrees = 55.0;
        spheres.toLight = Normalize({0.5, 0.9, -0.3});
        spheres.sky = {160, 200, 240};
        spheres.dAmbient = 0.35;
        spheres.dDiffuse = 0.65;
        list.push_back(std::move(spheres));
        return list;
    }();
    return presets;
}

const Preset* FindPreset(const std::string& strName) {
    for (const Preset& preset : Presets())
        if (strName == preset.pszName)
            return &preset;
    return nullptr;
}

// The reference camera of a W x H picture: a, b one pixel to the right and up (square pixels,
// the field of view across the width), c from the centre of projection to pixel (0, 0), scaled
// so that c is about one unit long and 1/t is close to 1/depth. *pdStep is the length of a.
void ReferenceCamera(const Preset& preset, int nWidth, int nHeight, double cop[3], double P[3][3],
                     double* pdStep = nullptr) {
    const Vec forward = Normalize(preset.target - preset.cop);
    const Vec right = Normalize(Cross(forward, Vec{0, 1, 0}));
    const Vec up = Cross(right, forward);
    const double dStep =
        2.0 * std::tan(preset.dFovDegrees * 3.14159265358979323846 / 360.0) / nWidth;
    const Vec a = dStep * right;
    const Vec b = dStep * up;
    const Vec c = forward - (nWidth - 1) * 0.5 * a - (nHeight - 1) * 0.5 * b;
    const Vec columns[3] = {a, b, c};
    for (int nCol = 0; nCol < 3; ++nCol) {
        P[0][nCol] = columns[nCol].x;
        P[1][nCol] = columns[nCol].y;
        P[2][nCol] = columns[nCol].z;
    }
    cop[0] = preset.cop.x;
    cop[1] = preset.cop.y;
    cop[2] = preset.cop.z;
    if (pdStep)
        *pdStep = dStep;
}

// Eight values that travel with the view: the light direction, ambient and diffuse weights
// and the sky colour.
void SceneExtra(const Preset& preset, double extra[8]) {
    extra[0] = preset.toLight.x;
    extra[1] = preset.toLight.y;
    extra[2] = preset.toLight.z;
    extra[3] = preset.dAmbient;
    extra[4] = preset.dDiffuse;
    extra[5] = preset.sky.r;
    extra[6] = preset.sky.g;
    extra[7] = preset.sky.b;
}

struct Hit {
    double t;
    const Shape* pShape;
    Vec normal;
};

// Nearest hit with t > dMinT, or pShape null.
Hit Intersect(const Preset& preset, Vec origin, Vec dir, double dMinT) {
    Hit best{INFINITY, nullptr, {0, 0, 0}};
    for (const Shape& shape : preset.shapes) {
        if (shape.kind == Shape::Sphere) {
            const Vec oc = origin - shape.lo;
            const double dA = Dot(dir, dir);
            const double dB = Dot(oc, dir);
            const double dC = Dot(oc, oc) - shape.dRadius * shape.dRadius;
            const double dDisc = dB * dB - dA * dC;
            if (dDisc < 0.0)
                continue;
            const double dRoot = std::sqrt(dDisc);
            for (double t : {(-dB - dRoot) / dA, (-dB + dRoot) / dA}) {
                if (t > dMinT && t < best.t) {
                    const Vec p = origin + t * dir;
                    best = {t, &shape, (1.0 / shape.dRadius) * (p - shape.lo)};
                    break;
                }
            }
        } else if (shape.kind == Shape::Rect) {
            const int n = shape.nAxis;
            const double dDir = Axis(dir, n);
            if (dDir == 0.0)
                continue;
            const double t = (Axis(shape.lo, n) - Axis(origin, n)) / dDir;
            if (!(t > dMinT && t < best.t))
                continue;
            const Vec p = origin + t * dir;
            bool bInside = true;
            for (int k = 0; k < 3; ++k)
                if (k != n && (Axis(p, k) < Axis(shape.lo, k) || Axis(p, k) > Axis(shape.hi, k)))
                    bInside = false;
            if (!bInside)
                continue;
            // A fixed normal, not one facing the viewer, keeps the shading the same for
            // every camera.
            Vec normal{0, 0, 0};
            (n == 0 ? normal.x : (n == 1 ? normal.y : normal.z)) = shape.dNormal;
            best = {t, &shape, normal};
        } else {
            // Slab test for the box.
            double dNear = -INFINITY, dFar = INFINITY;
            int nNearAxis = 0;
            double dNearSign = 1.0;
            bool bMiss = false;
            for (int k = 0; k < 3 && !bMiss; ++k) {
                const double dO = Axis(origin, k), dD = Axis(dir, k);
                const double dLo = Axis(shape.lo, k), dHi = Axis(shape.hi, k);
                if (dD == 0.0) {
                    if (dO < dLo || dO > dHi)
                        bMiss = true;
                    continue;
                }
                double t0 = (dLo - dO) / dD, t1 = (dHi - dO) / dD;
                double dSign = -1.0; // entering through the low face
                if (t0 > t1) {
                    std::swap(t0, t1);
                    dSign = 1.0;
                }
                if (t0 > dNear) {
                    dNear = t0;
                    nNearAxis = k;
                    dNearSign = dSign;
                }
                if (t1 < dFar)
                    dFar = t1;
            }
            if (bMiss || dNear > dFar || !(dNear > dMinT) || !(dNear < best.t))
                continue;
            Vec normal{0, 0, 0};
            (nNearAxis == 0 ? normal.x : (nNearAxis == 1 ? normal.y : normal.z)) = dNearSign;
            best = {dNear, &shape, normal};
        }
    }
    return best;
}

double Frac(double d) {
    return d - std::floor(d);
}

Colour SurfaceColour(const Shape& shape, Vec p) {
    switch (shape.paint) {
    case Paint::Solid:
        return shape.colour;
    case Paint::Checker: {
        const long nParity =
            static_cast<long>(std::floor(p.x)) + static_cast<long>(std::floor(p.z));
        return (nParity & 1) ? shape.colour2 : shape.colour;
    }
    case Paint::Bricks: {
        const double dRow = p.y / 0.5;
        const double dShift = (static_cast<long>(std::floor(dRow)) & 1) ? 0.5 : 0.0;
        const double dU = Frac(p.x + dShift), dV = Frac(dRow);
        const bool bMortar = dU < 0.04 || dV < 0.08;
        return bMortar ? shape.colour2 : shape.colour;
    }
    case Paint::Panels: {
        const double dU = Frac(p.z / 0.5);
        const bool bSeam = dU < 0.06 || std::fabs(p.y - 1.0) < 0.03;
        return bSeam ? shape.colour2 : shape.colour;
    }
    case Paint::Edged: {
        // Darken within 0.04 of an edge: close to the boundary on two axes.
        int nNear = 0;
        for (int k = 0; k < 3; ++k) {
            const double d = Axis(p, k);
            if (d - Axis(shape.lo, k) < 0.04 || Axis(shape.hi, k) - d < 0.04)
                ++nNear;
        }
        if (nNear >= 2)
            return {shape.colour.r * 0.45, shape.colour.g * 0.45, shape.colour.b * 0.45};
        return shape.colour;
    }
    }
    return shape.colour;
}

// Colour and disparity seen along one ray; bHit says whether it met geometry.
PixelSample Trace(const Preset& preset, Vec origin, Vec dir, bool* pbHit) {
    const Hit hit = Intersect(preset, origin, dir, 0.0);
    if (!hit.pShape) {
        *pbHit = false;
        return {preset.sky.r, preset.sky.g, preset.sky.b, 0.0};
    }
    *pbHit = true;
    const Vec p = origin + hit.t * dir;
    const Colour base = SurfaceColour(*hit.pShape, p);
    double dLight = Dot(hit.normal, preset.toLight);
    if (dLight > 0.0) {
        // Hard shadows: they belong to the surface, so every camera sees them alike.
        const Hit blocker = Intersect(preset, p + 1e-7 * hit.normal, preset.toLight, 1e-9);
        if (blocker.pShape)
            dLight = 0.0;
    } else {
        dLight = 0.0;
    }
    const double dShade = preset.dAmbient + preset.dDiffuse * dLight;
    return {base.r * dShade, base.g * dShade, base.b * dShade, 1.0 / hit.t};
}

void CastWindow(const Preset& preset, const double cop[3], const double P[3][3], int nXOff,
                int nYOff, int nWidth, int nHeight, PixelSample* pSamples, unsigned char* pMask) {
    const Vec origin{cop[0], cop[1], cop[2]};
    for (int nRow = 0; nRow < nHeight; ++nRow) {
        const double dY = static_cast<double>(nYOff) + nRow;
        for (int nCol = 0; nCol < nWidth; ++nCol) {
            const double dX = static_cast<double>(nXOff) + nCol;
            // The ray X a + Y b + c, summed in that order.
            const Vec dir{dX * P[0][0] + dY * P[0][1] + P[0][2],
                          dX * P[1][0] + dY * P[1][1] + P[1][2],
                          dX * P[2][0] + dY * P[2][1] + P[2][2]};
            bool bHit = false;
            const size_t nAt = static_cast<size_t>(nRow) * nWidth + nCol;
            pSamples[nAt] = Trace(preset, origin, dir, &bHit);
            if (pMask)
                pMask[nAt] = bHit ? 1 : 0;
        }
    }
}

// Appends numbers as "%.17g" in the C locale, whatever the process locale is.
class CNumberWriter {
public:
    CNumberWriter()
        : m_cLocale(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))),
          m_oldLocale(m_cLocale ? uselocale(m_cLocale) : static_cast<locale_t>(nullptr)) {}
    ~CNumberWriter() {
        if (m_cLocale) {
            uselocale(m_oldLocale);
            freelocale(m_cLocale);
        }
    }
    CNumberWriter(const CNumberWriter&) = delete;
    CNumberWriter& operator=(const CNumberWriter&) = delete;

    bool Ready() const { return m_cLocale != static_cast<locale_t>(nullptr); }
    void Add(std::string& str, double dValue) const {
        char sz[40];
        const int n = std::snprintf(sz, sizeof sz, "%.17g", dValue);
        str.append(sz, n > 0 ? static_cast<size_t>(n) : 0);
    }
    void Add(std::string& str, int nValue) const { str += std::to_string(nValue); }

private:
    locale_t m_cLocale;
    locale_t m_oldLocale;
};

} // namespace

std::vector<std::string> ScenePresetNames() {
    std::vector<std::string> names;
    for (const Preset& preset : Presets())
        names.push_back(preset.pszName);
    return names;
}

bool BuildSceneImage(const std::string& strPreset, CViewImage& image) {
    return BuildSceneImage(strPreset, kSide, kSide, image);
}

bool BuildSceneImage(const std::string& strPreset, int nWidth, int nHeight, CViewImage& image) {
    const Preset* pPreset = FindPreset(strPreset);
    if (!pPreset || nWidth < 2 || nHeight < 2 || nWidth > kMaxTruthSide || nHeight > kMaxTruthSide)
        return false;
    double cop[3], P[3][3], extra[8];
    ReferenceCamera(*pPreset, nWidth, nHeight, cop, P);
    SceneExtra(*pPreset, extra);
    PixelSample* pSamples = new PixelSample[static_cast<size_t>(nWidth) * nHeight];
    CastWindow(*pPreset, cop, P, 0, 0, nWidth, nHeight, pSamples, nullptr);
    image.SetWidth(nWidth);
    image.SetHeight(nHeight);
    image.SetSamples(pSamples);
    image.SetCamera(cop, P);
    image.SetSceneValues(pPreset->bounds, extra);
    return true;
}

bool SceneReferenceFrame(const std::string& strPreset, int nWidth, int nHeight, SceneFrame& frame) {
    const Preset* pPreset = FindPreset(strPreset);
    if (!pPreset || nWidth < 2 || nHeight < 2)
        return false;
    double cop[3], P[3][3], dStep = 0.0;
    ReferenceCamera(*pPreset, nWidth, nHeight, cop, P, &dStep);
    const Vec forward = Normalize(pPreset->target - pPreset->cop);
    const Vec right = Normalize(Cross(forward, Vec{0, 1, 0}));
    const Vec up = Cross(right, forward);
    const Vec axes[3] = {right, up, forward};
    for (int k = 0; k < 3; ++k) {
        frame.axes[k][0] = axes[k].x;
        frame.axes[k][1] = axes[k].y;
        frame.axes[k][2] = axes[k].z;
        frame.cop[k] = cop[k];
    }
    frame.intrinsics.fx = 1.0 / dStep;
    frame.intrinsics.fy = 1.0 / dStep;
    frame.intrinsics.cx = (nWidth - 1) * 0.5;
    frame.intrinsics.cy = (nHeight - 1) * 0.5;
    return true;
}

std::vector<double> SceneDepths(const CViewImage& image) {
    const size_t nCount =
        static_cast<size_t>(image.GetWidth()) * static_cast<size_t>(image.GetHeight());
    std::vector<double> depth(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        const double d = image.GetSamples()[i].disparity;
        depth[i] = d > 0.0 ? 1.0 / d : INFINITY;
    }
    return depth;
}

bool WriteSceneRgbd(const std::string& strPreset, int nWidth, int nHeight,
                    const std::string& strColour, const std::string& strDepth,
                    const std::string& strCamera, double dPngScale, std::string* pstrError) {
    CViewImage image;
    SceneFrame frame;
    if (!BuildSceneImage(strPreset, nWidth, nHeight, image) ||
        !SceneReferenceFrame(strPreset, nWidth, nHeight, frame)) {
        if (pstrError)
            *pstrError = "no preset \"" + strPreset + "\" at " + std::to_string(nWidth) + " x " +
                         std::to_string(nHeight);
        return false;
    }
    if (!WriteRgbd(image, SceneDepths(image), strColour.c_str(), strDepth.c_str(), pstrError,
                   dPngScale))
        return false;
    CameraSidecar sidecar;
    sidecar.intrinsics = frame.intrinsics;
    // The depth map by a name relative to the sidecar when both share a folder.
    sidecar.strDepth = SidecarDepthName(strCamera, strDepth);
    if (IsPngName(strDepth)) {
        sidecar.bHasDepthScale = true;
        sidecar.dDepthScale = dPngScale;
    }
    const std::string strText = CameraSidecarText(sidecar);
    if (!WriteFileSafely(strCamera, strText.data(), strText.size(), "camerafile")) {
        if (pstrError)
            *pstrError = strCamera + ": cannot write the file";
        return false;
    }
    return true;
}

bool WriteSceneStereo(const std::string& strPreset, int nWidth, int nHeight, double dBaseline,
                      const std::string& strFolder, std::string* pstrError) {
    auto fail = [&](const std::string& strText) {
        if (pstrError)
            *pstrError = strText;
        return false;
    };
    const Preset* pPreset = FindPreset(strPreset);
    CViewImage left;
    SceneFrame frame;
    if (!pPreset || !BuildSceneImage(strPreset, nWidth, nHeight, left) ||
        !SceneReferenceFrame(strPreset, nWidth, nHeight, frame))
        return fail("no preset \"" + strPreset + "\" at " + std::to_string(nWidth) + " x " +
                    std::to_string(nHeight));
    if (!(dBaseline > 0.0) || !std::isfinite(dBaseline))
        return fail("the baseline must be above 0");
    if (::mkdir(strFolder.c_str(), 0777) != 0 && errno != EEXIST)
        return fail(strFolder + ": cannot make the folder");
    const std::string strBase = strFolder + (strFolder.back() == '/' ? "" : "/");

    // The second camera: the same intrinsics, the centre moved by the baseline to the right.
    double cop1[3];
    for (int k = 0; k < 3; ++k)
        cop1[k] = left.GetCOP()[k] + dBaseline * frame.axes[0][k];
    CViewImage right;
    right.SetWidth(nWidth);
    right.SetHeight(nHeight);
    PixelSample* pSamples = new PixelSample[static_cast<size_t>(nWidth) * nHeight];
    CastWindow(*pPreset, cop1, left.GetP(), 0, 0, nWidth, nHeight, pSamples, nullptr);
    right.SetSamples(pSamples);

    // Disparity in pixels, d = baseline * f / Z; the sky has none (infinity, as the format
    // marks a pixel without a value).
    const size_t nCount = static_cast<size_t>(nWidth) * nHeight;
    std::vector<float> disparity(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        const double d = left.GetSamples()[i].disparity;
        disparity[i] =
            d > 0.0 ? static_cast<float>(dBaseline * frame.intrinsics.fx / (1.0 / d)) : INFINITY;
    }
    std::vector<unsigned char> bytes;
    std::string strFault;
    if (!EncodeFloatMap(strBase + "disp0.pfm", nWidth, nHeight, disparity, bytes, &strFault))
        return fail(strBase + "disp0.pfm: " + strFault);
    if (!WriteFileSafely(strBase + "disp0.pfm", bytes.data(), bytes.size(), "depthfile"))
        return fail(strBase + "disp0.pfm: cannot write the file");
    if (!WritePng(left, (strBase + "im0.png").c_str()))
        return fail(strBase + "im0.png: cannot write the file");
    if (!WritePng(right, (strBase + "im1.png").c_str()))
        return fail(strBase + "im1.png: cannot write the file");
    StereoCalib calib;
    calib.f = frame.intrinsics.fx;
    calib.fy = frame.intrinsics.fy;
    calib.cx = frame.intrinsics.cx;
    calib.cy = frame.intrinsics.cy;
    calib.doffs = 0.0;
    calib.baseline = dBaseline;
    calib.nWidth = nWidth;
    calib.nHeight = nHeight;
    const std::string strCalib = StereoCalibText(calib);
    if (!WriteFileSafely(strBase + "calib.txt", strCalib.data(), strCalib.size(), "calibfile"))
        return fail(strBase + "calib.txt: cannot write the file");
    return true;
}

bool WriteSceneDataFile(const std::string& strPreset, const std::string& strPath,
                        const SceneOptions& options) {
    CViewImage image;
    if (!BuildSceneImage(strPreset, image))
        return false;
    CNumberWriter writer;
    if (!writer.Ready())
        return false;

    const char* pszSep = " ";
    const char* pszLine = options.bOneLine ? " " : "\n";
    std::string str;
    str.reserve(static_cast<size_t>(kSide) * kSide * 80);
    auto addRow = [&](const double* p, int n) {
        for (int i = 0; i < n; ++i) {
            writer.Add(str, p[i]);
            str += i + 1 < n ? pszSep : pszLine;
        }
    };
    addRow(image.GetSceneBounds(), 6);
    addRow(image.GetSceneExtra(), 8);
    addRow(image.GetCOP(), 3);
    const double(*P)[3] = image.GetP();
    // The matrix by columns: c, a, b.
    for (int nCol : {2, 0, 1}) {
        const double column[3] = {P[0][nCol], P[1][nCol], P[2][nCol]};
        addRow(column, 3);
    }

    std::vector<int> order(static_cast<size_t>(kSide) * kSide);
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    if (options.bShuffle) {
        // Fisher-Yates with the generator's raw output, so a seed gives the same file on
        // every platform.
        std::mt19937 random(options.nSeed);
        for (size_t i = order.size() - 1; i > 0; --i) {
            const size_t j = static_cast<size_t>(random()) % (i + 1);
            std::swap(order[i], order[j]);
        }
    }
    const PixelSample* pSamples = image.GetSamples();
    for (int nIndex : order) {
        const PixelSample& s = pSamples[nIndex];
        writer.Add(str, nIndex % kSide);
        str += pszSep;
        writer.Add(str, nIndex / kSide);
        str += pszSep;
        const double values[4] = {s.disparity, s.red, s.green, s.blue};
        addRow(values, 4);
    }
    if (options.bOneLine)
        str.back() = '\n';
    return WriteFileSafely(strPath, str.data(), str.size(), "datafile");
}

bool RayCastScene(const std::string& strPreset, const double cop[3], const double P[3][3],
                  int nXOff, int nYOff, int nWidth, int nHeight, SceneTruth& truth) {
    const Preset* pPreset = FindPreset(strPreset);
    if (!pPreset || nWidth <= 0 || nHeight <= 0 || nWidth > kMaxTruthSide ||
        nHeight > kMaxTruthSide)
        return false;
    truth.nWidth = nWidth;
    truth.nHeight = nHeight;
    const size_t nCount = static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight);
    truth.samples.assign(nCount, PixelSample{0.0, 0.0, 0.0, 0.0});
    truth.mask.assign(nCount, 0);
    CastWindow(*pPreset, cop, P, nXOff, nYOff, nWidth, nHeight, truth.samples.data(),
               truth.mask.data());
    return true;
}
