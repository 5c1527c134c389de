// Sample scenes for Morrow: small analytic scenes (floor, walls, boxes, spheres) ray-cast
// through a pinhole camera in the data file's own convention, the ray of pixel (x, y) running
// from the centre of projection along x a + y b + c (row 0 at the bottom of the picture). The
// generalized disparity of a pixel is 1/t for the hit point cop + t (x a + y b + c); a pixel
// that sees the sky at infinity has disparity 0 and the sky's colour. Shading depends only on
// the surface point (diffuse light and shadows), so every camera sees the same colour there.
#pragma once

#include <string>
#include <vector>

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
