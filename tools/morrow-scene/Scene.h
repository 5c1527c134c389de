// Sample scenes for Morrow: small analytic scenes (floor, walls, boxes, spheres) ray-cast
// through a pinhole camera in the data file's own convention, the ray of pixel (x, y) running
// from the centre of projection along x a + y b + c (row 0 at the bottom of the picture). The
// generalized disparity of a pixel is 1/t for the hit point cop + t (x a + y b + c); a pixel
// that sees the sky at infinity has disparity 0 and the sky's colour. Shading depends only on
// the surface point (diffuse light and shadows), so every camera sees the same colour there.
#pragma once

#include <string>
#include <vector>

#include "image/RgbdImport.h"
#include "image/ViewImage.h"

// How a data file is laid out: records in a random order (seeded) and/or all on one line.
struct SceneOptions {
    bool bShuffle = false;
    bool bOneLine = false;
    unsigned nSeed = 1;
};

// Names of the presets, the first one is the default sample ("room").
std::vector<std::string> ScenePresetNames();

// Ray-casts the preset from its reference camera into a 200 x 200 image in memory, with
// the preset's camera and scene values: bit-identical to what reading the data file
// that WriteSceneDataFile writes gives. False for an unknown preset.
bool BuildSceneImage(const std::string& strPreset, CViewImage& image);
// The same at any size W x H (2 to 4096 on a side): square pixels, the field of view across the
// width. At 200 x 200 it is the image above. False for an unknown preset or a bad size.
bool BuildSceneImage(const std::string& strPreset, int nWidth, int nHeight, CViewImage& image);

// The reference camera of a W x H picture as a pinhole camera: its centre, its unit axes in
// world coordinates (right, up, forward: axes[0] is the picture's x, axes[1] its y, axes[2]
// the viewing direction) and its intrinsics in pixels (row 0 at the top). A point at camera
// coordinates (X, Y, Z) is the world point cop + X axes[0] + Y axes[1] + Z axes[2]; the ray of
// a pixel has z = 1 in these coordinates, so the depth along the optical axis is t = 1/disparity.
struct SceneFrame {
    double cop[3];
    double axes[3][3];
    PinholeIntrinsics intrinsics;
};
bool SceneReferenceFrame(const std::string& strPreset, int nWidth, int nHeight, SceneFrame& frame);
// The depth of each sample of a ray-cast image (grid order): 1/disparity, +infinity for the sky.
std::vector<double> SceneDepths(const CViewImage& image);

// The RGB-D kind of the preset at W x H: the colour as PNG, the depth (ground truth, along the
// optical axis) as PFM, EXR or 16-bit PNG (units of dPngScale), and the camera sidecar with the
// intrinsics, the depth map's name (and the depth scale for a PNG depth). False with *pstrError
// naming the fault.
bool WriteSceneRgbd(const std::string& strPreset, int nWidth, int nHeight,
                    const std::string& strColour, const std::string& strDepth,
                    const std::string& strCamera, double dPngScale, std::string* pstrError);
// The stereo folder of the preset at W x H (made if missing): im0.png (the reference view),
// im1.png (ray-cast from the reference camera moved by dBaseline along its x axis: the ground
// truth of the second view), disp0.pfm (baseline * f / Z in pixels, infinity for the sky) and
// calib.txt (both cameras with the same intrinsics, doffs 0).
bool WriteSceneStereo(const std::string& strPreset, int nWidth, int nHeight, double dBaseline,
                      const std::string& strFolder, std::string* pstrError);

// Writes the preset's data file (%.17g numbers). False on unknown preset or write error.
// A regular file is written through a temporary file in the same folder and renamed over the
// target when complete; a device or pipe is written directly.
bool WriteSceneDataFile(const std::string& strPreset, const std::string& strPath,
                        const SceneOptions& options);

// Ground truth: ray-casts the preset from the camera (cop; P row-major whose columns
// a, b, c give the ray X a + Y b + c of new-plane point (X, Y)) over the window whose
// column 0 and row 0 are the new-plane coordinates nXOff and nYOff.
struct SceneTruth {
    int nWidth = 0, nHeight = 0;
    std::vector<PixelSample> samples; // row-major, row 0 first, disparity = 1/t (0 bg)
    std::vector<unsigned char> mask;  // 1 where the ray hits geometry
};
// False for an unknown preset or a window that is empty or larger than 4096 on a side.
bool RayCastScene(const std::string& strPreset, const double cop[3], const double P[3][3],
                  int nXOff, int nYOff, int nWidth, int nHeight, SceneTruth& truth);
