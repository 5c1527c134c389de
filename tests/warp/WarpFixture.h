// Small synthetic source views for the warp tests.
#pragma once

#include <memory>

#include "image/ViewImage.h"

// A 200 x 200 source view: centre of projection at the origin, a = (1, 0, 0), b = (0, 1, 0),
// c = (-100, -100, 200) (focal length 200, looking along +z). The scene is a backdrop at depth
// 800 (disparity 0.25) with a square of pixels 80..119 in both directions at depth 400
// (disparity 0.5). Colours: red = x, green = y, blue = 200 on the backdrop and 50 on the square.
// Scene bounds -400..400, -400..400, 300..900; the extra values are 1..8.
std::unique_ptr<CViewImage> MakeSourceImage();

// A 200 x 200 source with the identity camera (a, b, c the unit vectors, centre at the origin),
// for which the warping equation is exact: x' = u, y' = v when the new camera equals it. Every
// pixel has the given disparity and the colour (x, y, 7).
std::unique_ptr<CViewImage> MakeIdentitySource(double dDisparity);

// A target image with the given camera and a cleared grid of nWidth x nHeight.
std::unique_ptr<CViewImage> MakeTarget(const double cop[3], const double P[3][3], int nWidth,
                                       int nHeight);

// Number of samples whose colour is not black.
int CountColoured(const CViewImage& image);
