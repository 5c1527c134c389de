// A warped image as RGB-D data of its own: the colours as drawn, the depth of what was drawn at
// each position along the new camera's optical axis, and the pinhole camera of the warped grid
// as the RGB-D importer reads it, so that a warp result can be imported again and warped on.
//
// The depth is drawn by the warp itself: a second warp of the same move from a copy of the
// source whose channels hold each source sample's inverse depth in the new camera, so the
// rasteriser gives it exactly the weights, the coverage and the occlusion order it gave the
// colours. Inverse depth, not depth, is what the copy carries: it is affine across the warped
// triangle of three surface points, so the interpolated value is the depth of that flat
// triangle, and a point at infinity is a finite 0.
#pragma once

#include <string>
#include <vector>

#include "image/RgbdImport.h"

class CViewImage;

// A view's camera in the frame of its own axes, as the importer's convention has it: the centre
// of projection at the origin, x to the right and y up in the picture, z along the optical
// axis. axes[0], axes[1], axes[2] are those three unit vectors in world coordinates, so frame
// coordinates (X, Y, Z) are the world point cop + X axes[0] + Y axes[1] + Z axes[2]. The
// intrinsics are those of the view's grid (pixels, row 0 at the top, the principal point
// counted from the top-left pixel's centre). bMirrored: axes[0] x axes[1] = -axes[2], that is
// the picture's right, up and forward form a left-handed triple of the world (the scene
// generator's cameras do); the frame then is the world seen in a mirror, which changes no
// picture and no depth.
struct ViewFrame {
    double cop[3] = {0.0, 0.0, 0.0};
    double axes[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    PinholeIntrinsics intrinsics;
    bool bMirrored = false;
};

// The frame of a view whose grid column 0 and row 0 are the camera plane's column nXOff and row
// nYOff (a warped image: its report's nXOff, nYOff; a source: 0, 0). The columns a, b of the
// camera matrix must be perpendicular (within 1e-9 of their lengths) and the rays must not run
// along the picture plane; otherwise false, with *pstrError saying why (a camera with skewed
// pixel axes has no fx, fy, cx, cy).
bool ComputeViewFrame(const CViewImage& image, int nXOff, int nYOff, ViewFrame& frame,
                      std::string* pstrError);

// What the depth of a warp holds.
struct WarpedDepthReport {
    long nKnown = 0;       // positions with a depth (finite or at infinity)
    long nAtInfinity = 0;  // of them, points at infinity (+infinity)
    long nVertexDepth = 0; // positions stored by a failed interpolation, given vertex 1's depth
    int nWarps = 0;        // depth warps run: 1, or 3 when the source has black samples
};

// The depth along the optical axis of warped's camera (world units) of what the warp drew at
// each position of warped's grid (grid order, row 0 the bottom): 0 where nothing was drawn
// (unknown to the importer), +infinity where a point at infinity (the data file's sky) was
// drawn. warped must be a move of source (any constructor, either grid form), and source
// unchanged since.
//
// Where an interpolation fails (the position lies on vertex 1, or rounding puts it outside the
// triangle) the rasteriser stores the negated colour of vertex 1, which is a colour only for
// a black vertex 1 (-0 in every channel): the depth there is that vertex's depth, since its
// colour is what the picture shows. Exact for sources whose colours are non-negative (every
// reader and importer gives such); a sample with a NaN channel is never drawn, in colour or
// depth. Runs in a quiet message scope of its own: the messages of the depth warps are those
// the colour warp has already shown. False with *pstrError when warped is no move of source.
bool ComputeWarpedDepth(const CViewImage& warped, const CViewImage& source,
                        std::vector<double>& depth, WarpedDepthReport* pReport,
                        std::string* pstrError);

// Writes a warped image as RGB-D: its colours at strColour (.png, the bytes WritePng writes),
// the depth of ComputeWarpedDepth at strDepth (.pfm or .exr, floats; empty: strColour with the
// extension .pfm) and the camera file SidecarPathOf(strColour) with the intrinsics of
// ComputeViewFrame and a "depth" line naming the depth map (relative to the camera file when
// both share a folder), plus comment lines giving the frame's centre and axes in the world of
// the source. Importing strColour with that camera file gives the warped view in its camera's
// frame. False with *pstrError ("FILE: fault"); each file is written safely, and nothing is
// written when the camera or the depth cannot be formed.
bool WriteWarpedRgbd(const CViewImage& warped, const CViewImage& source,
                     const std::string& strColour, const std::string& strDepth,
                     std::string* pstrError, WarpedDepthReport* pReport = nullptr);
