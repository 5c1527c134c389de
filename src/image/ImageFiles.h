// Standard image files for view images: PNG output next to the BMP writer, float depth maps
// (PFM, EXR) and the RGB-D pair (colour PNG plus depth map) that other tools can read back.
//
// Every file is encoded in memory first and then written through WriteFileSafely (temporary
// file + rename), so a failed write never destroys an existing file. Rows go top first into the
// file: grid row H-1 (the top of the picture, row 0 being the bottom) is the file's first row.
#pragma once

#include <string>
#include <vector>

class CViewImage;

// The colour file a name asks for: PNG when it ends in ".png" (any case), BMP otherwise (the
// BMP writer takes any name, a device such as /dev/null included).
bool IsPngName(const std::string& strPath);

// The colours as an 8-bit RGB PNG, each channel through ColourToByte exactly as the BMP writer
// does (a colour grid is taken as it is). False for an image without a grid or with a side
// below 1.
bool EncodePng(const CViewImage& image, std::vector<unsigned char>& bytes);
// Writes EncodePng's bytes to the path safely; false (after a trace) when nothing or not all
// was written.
bool WritePng(const CViewImage& image, const char* pszPath);
// PNG or BMP as the name says (IsPngName).
bool WriteImageFile(const CViewImage& image, const char* pszPath);

// A single-channel float map, nWidth x nHeight values in grid order (element y * nWidth + x,
// row 0 the bottom row), encoded as PFM (".pfm") or EXR (".exr", one channel "Z", no time stamp,
// so the same values give the same bytes). False for another extension, an empty map or a
// failed encoding; *pstrError then says why.
bool EncodeFloatMap(const std::string& strPath, int nWidth, int nHeight,
                    const std::vector<float>& values, std::vector<unsigned char>& bytes,
                    std::string* pstrError);

// Writes a depth map: nWidth x nHeight depths in grid order (distance along the optical axis;
// 0 or NaN where nothing is known, +infinity for a point at infinity). ".pfm" and ".exr" get
// floats as they are; ".png" gets 16-bit integers round(depth / dPngScale), 0 for what is
// unknown, at infinity or beyond 65535 units (the importer reads that back with the depth
// scale dPngScale). False with *pstrError saying why.
bool WriteDepthMap(const std::string& strPath, int nWidth, int nHeight,
                   const std::vector<double>& depth, double dPngScale, std::string* pstrError);

// Writes the image as RGB-D: its colours as PNG at pszColour and the depth of each sample
// (grid order, as for WriteDepthMap, width * height values) at pszDepth (PFM, EXR, or 16-bit
// PNG with dPngScale). False with *pstrError naming the file and the fault; a failure on the
// depth map leaves the colour file written.
bool WriteRgbd(const CViewImage& image, const std::vector<double>& depth, const char* pszColour,
               const char* pszDepth, std::string* pstrError, double dPngScale = 0.001);
