// Importers of real RGB-D data into a view image: a colour image with a depth map and pinhole
// intrinsics, and a stereo folder (im0.png, disp0.pfm, calib.txt). Both read through the image
// library (PNG, JPEG, TIFF, PFM, EXR) and never throw.
//
// The imported camera sits at the world origin, x to the right and y up in the picture, looking
// along +z, in the units of the depth. Intrinsics count pixels the usual way, row 0 at the top:
// pixel (u, v) of the file sees the point (Z (u - cx) / fx, -Z (v - cy) / fy, Z). In the view
// image the grid's row 0 is the bottom row, so file row v is grid row y = H-1-v, and the camera
// matrix has the columns
//     a = (1/fx, 0, 0),  b = (0, 1/fy, 0),  c = (-cx/fx, -((H-1) - cy)/fy, 1):
// the ray x a + y b + c of grid pixel (x, y) has z = 1, so the point at depth Z is
// cop + Z (x a + y b + c) and the generalized disparity 1/t is 1/Z.
#pragma once

#include <string>

class CViewImage;

// Pinhole intrinsics in pixels, principal point counted from the top-left pixel's centre.
struct PinholeIntrinsics {
    double fx = 0.0, fy = 0.0, cx = 0.0, cy = 0.0;
};

// How an import went. On failure strError is one line "FILE: fault" and the target image is
// untouched.
struct ImportReport {
    bool bOk = false;
    std::string strError;
    int nWidth = 0, nHeight = 0;
    long nUnknown = 0;     // samples of unknown depth, filled along their row (see below)
    long nAtInfinity = 0;  // samples at infinity (disparity 0)
    double dNearest = 0.0; // depth range of the samples with a finite depth
    double dFarthest = 0.0;
};

// A colour image and its depth map. Colour: PNG, JPEG or TIFF, 8 or 16 bits, grey or RGB
// (16-bit values are divided by 257 onto the 0..255 scale). Depth: one channel, 16-bit integer
// (PNG, TIFF) or float (PFM, EXR, TIFF), of the colour's size; depth = value * dDepthScale
// (for a depth camera's 16-bit PNG, say 1/5000 m per unit). A depth of 0, a negative one or NaN
// is unknown; +infinity (float maps only) is a point at infinity, disparity 0, as the data
// file's sky.
struct RgbdInput {
    std::string strColour, strDepth;
    PinholeIntrinsics intrinsics;
    double dDepthScale = 1.0;
};

// Unknown depth is filled with the farther (smaller disparity) of the two nearest known samples
// to its left and right in the same row, so a hole takes the background's depth rather than
// bridging to the foreground; a row with no known sample takes the smallest disparity of the
// whole image. The scene bounds are the box of the points with a finite depth, so the focus
// move turns about the centre of what was seen; the eight further scene values are 0.
//
// Fills image (which should be new: grid, size, camera, scene values, file name) only when the
// whole import succeeded, and says how in report. Returns report.bOk.
bool ImportRgbd(const RgbdInput& input, CViewImage& image, ImportReport& report);

// A stereo folder: im0.png (the left view), disp0.pfm (its disparity in pixels) and calib.txt
// with cam0=[f 0 cx; 0 f cy; 0 0 1], baseline, doffs (0 when absent) and optionally width and
// height (checked against im0.png). A
// disparity d gives the depth Z = baseline * f / (d + doffs), in the units of baseline; d
// infinite, NaN or 0, or d + doffs <= 0, is unknown. The second camera of the pair is the free
// move to (baseline, 0, 0) with no rotation, except that its principal point lies doffs pixels
// further right: the warp (which keeps the intrinsics) lands doffs pixels left of im1's own
// pixel grid, so warped column u shows what im1 has at column u + doffs.
bool ImportStereoFolder(const std::string& strFolder, CViewImage& image, ImportReport& report);

// The camera sidecar, a small text file for formats that carry no intrinsics:
//     # comments and blank lines are skipped
//     fx 525.0
//     fy 525.0
//     cx 319.5
//     cy 239.5
//     depth_scale 0.0002     (optional)
//     depth depth/0001.png   (optional: the depth map, relative to the sidecar's folder)
// one key and its value per line, numbers in the C locale. fx, fy, cx, cy are required.
struct CameraSidecar {
    PinholeIntrinsics intrinsics;
    bool bHasDepthScale = false;
    double dDepthScale = 1.0;
    std::string strDepth; // as written in the file; empty when it names none
};
// Reads the sidecar; strError is "FILE: fault" when it cannot.
bool ReadCameraSidecar(const std::string& strPath, CameraSidecar& sidecar, std::string& strError);
// The sidecar's depth map as a path: relative names are taken from the sidecar's folder.
std::string SidecarDepthPath(const std::string& strSidecar, const CameraSidecar& sidecar);
// The name a sidecar's "depth" line gives the depth map strDepth: the bare file name when both
// lie in the same folder, else the depth map's absolute path (the file must exist; if its path
// cannot be resolved, strDepth as given).
std::string SidecarDepthName(const std::string& strSidecar, const std::string& strDepth);
// The sidecar of an image file: its name with the extension replaced by ".camera".
std::string SidecarPathOf(const std::string& strImage);
// True for a name that ends in an image extension the importer reads (.png, .jpg, .jpeg,
// .tif, .tiff), any case.
bool IsImageName(const std::string& strPath);
// The sidecar's text (%.17g numbers in the C locale), for writers.
std::string CameraSidecarText(const CameraSidecar& sidecar);
// A number as the camera files hold it: %.17g, in no locale's way but the C one's.
std::string ExactNumber(double dValue);

// The parts of calib.txt the importer uses.
struct StereoCalib {
    double f = 0.0, fy = 0.0, cx = 0.0, cy = 0.0;
    double doffs = 0.0, baseline = 0.0;
    int nWidth = 0, nHeight = 0; // 0 when the file gives none
};
bool ReadStereoCalib(const std::string& strPath, StereoCalib& calib, std::string& strError);
// calib.txt's text for a pair with the same intrinsics in both cameras (cam1 = cam0 shifted by
// doffs), %.17g numbers in the C locale.
std::string StereoCalibText(const StereoCalib& calib);
