// The RGB-D and stereo-folder importers: files read through OpenImageIO into top-first arrays,
// then turned into a view image in one place (BuildImage), which writes the target only at the
// very end.
#include "image/RgbdImport.h"

#include "image/ViewImage.h"

#include <OpenImageIO/imageio.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

// Sides from 2 up, and a bounded number of samples, so that a hostile header cannot ask for
// more memory than a real picture needs.
constexpr int kMaxSide = 16384;
constexpr long long kMaxSamples = 1LL << 26;

struct Fault {
    std::string strFile, strText;
};

// The file exists and is not a folder; otherwise strFault says what is wrong with it.
bool CheckReadable(const std::string& strPath, std::string& strFault) {
    struct stat info;
    if (::stat(strPath.c_str(), &info) != 0) {
        strFault = "cannot open the file (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        strFault = "is a folder, not an image file";
        return false;
    }
    return true;
}

std::string SizeText(int nWidth, int nHeight) {
    return std::to_string(nWidth) + " x " + std::to_string(nHeight);
}

// The library's own words, on one line.
std::string OneLine(std::string str) {
    for (char& ch : str)
        if (ch == '\n' || ch == '\r')
            ch = ' ';
    while (!str.empty() && str.back() == ' ')
        str.pop_back();
    return str.empty() ? "not a readable image" : str;
}

// Opens an image file and checks its size; strFault says why not.
std::unique_ptr<OIIO::ImageInput> OpenImage(const std::string& strPath, std::string& strFault) {
    if (!CheckReadable(strPath, strFault))
        return nullptr;
    std::unique_ptr<OIIO::ImageInput> pIn = OIIO::ImageInput::open(strPath);
    if (!pIn) {
        strFault = "not a readable image: " + OneLine(OIIO::geterror());
        return nullptr;
    }
    const OIIO::ImageSpec& layout = pIn->spec_dimensions(0);
    if (layout.width < 2 || layout.height < 2 || layout.width > kMaxSide ||
        layout.height > kMaxSide ||
        static_cast<long long>(layout.width) * layout.height > kMaxSamples) {
        strFault = "an image of " + SizeText(layout.width, layout.height) +
                   " pixels; from 2 x 2 up to " + std::to_string(kMaxSide) + " on a side and " +
                   std::to_string(kMaxSamples) + " pixels are read";
        return nullptr;
    }
    if (layout.depth > 1) {
        strFault = "a volume image; a flat picture is expected";
        return nullptr;
    }
    return pIn;
}

// Reads the whole first picture in the given pixel type; false with the library's message.
bool ReadPixels(OIIO::ImageInput& in, OIIO::TypeDesc type, void* pData, std::string& strFault) {
    const OIIO::ImageSpec& layout = in.spec_dimensions(0);
    if (!in.read_image(0, 0, 0, layout.nchannels, type, pData)) {
        strFault = "cannot read the pixels: " + OneLine(in.geterror());
        return false;
    }
    return true;
}

// The colour image as red, green, blue on the 0..255 scale, top row first.
bool ReadColour(const std::string& strPath, int& nWidth, int& nHeight, std::vector<double>& rgb,
                std::string& strFault) {
    std::unique_ptr<OIIO::ImageInput> pIn = OpenImage(strPath, strFault);
    if (!pIn)
        return false;
    const OIIO::ImageSpec layout = pIn->spec_dimensions(0);
    if (layout.nchannels != 1 && layout.nchannels != 3) {
        strFault = std::to_string(layout.nchannels) + " channels" +
                   (layout.nchannels == 2 || layout.nchannels == 4 ? " (with alpha)" : "") +
                   "; a colour image has 3 (RGB) or 1 (grey)";
        return false;
    }
    const bool b16 = layout.format == OIIO::TypeDesc::UINT16;
    if (layout.format != OIIO::TypeDesc::UINT8 && !b16) {
        strFault = std::string(layout.format.c_str()) +
                   " colour values; a colour image has 8 or 16 bits per channel";
        return false;
    }
    nWidth = layout.width;
    nHeight = layout.height;
    const size_t nCount = static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight);
    const size_t nValues = nCount * static_cast<size_t>(layout.nchannels);
    std::vector<uint16_t> wide;
    std::vector<unsigned char> narrow;
    if (b16)
        wide.resize(nValues);
    else
        narrow.resize(nValues);
    if (!ReadPixels(*pIn, layout.format, b16 ? static_cast<void*>(wide.data()) : narrow.data(),
                    strFault))
        return false;
    rgb.resize(nCount * 3);
    for (size_t i = 0; i < nCount; ++i)
        for (int k = 0; k < 3; ++k) {
            const size_t nAt = i * static_cast<size_t>(layout.nchannels) +
                               (layout.nchannels == 3 ? static_cast<size_t>(k) : 0);
            // 16 bits onto the 0..255 scale: 65535 / 257 is exactly 255.
            rgb[i * 3 + static_cast<size_t>(k)] =
                b16 ? wide[nAt] / 257.0 : static_cast<double>(narrow[nAt]);
        }
    return true;
}

// A one-channel map (depth or disparity) as doubles, top row first. bFloat says whether it
// held floats (which may say infinity) or 16-bit integers.
bool ReadMap(const std::string& strPath, const char* pszWhat, bool bIntegersAllowed, int& nWidth,
             int& nHeight, std::vector<double>& values, bool& bFloat, std::string& strFault) {
    std::unique_ptr<OIIO::ImageInput> pIn = OpenImage(strPath, strFault);
    if (!pIn)
        return false;
    const OIIO::ImageSpec layout = pIn->spec_dimensions(0);
    if (layout.nchannels != 1) {
        strFault = std::to_string(layout.nchannels) + " channels; a " + pszWhat + " map has one";
        return false;
    }
    const OIIO::TypeDesc::BASETYPE base =
        static_cast<OIIO::TypeDesc::BASETYPE>(layout.format.basetype);
    bFloat = base == OIIO::TypeDesc::HALF || base == OIIO::TypeDesc::FLOAT ||
             base == OIIO::TypeDesc::DOUBLE;
    const bool bInteger16 = base == OIIO::TypeDesc::UINT16;
    if (!bFloat && !(bIntegersAllowed && bInteger16)) {
        strFault = std::string(layout.format.c_str()) + " values; a " + pszWhat + " map holds " +
                   (bIntegersAllowed ? "16-bit integers or floats" : "floats");
        return false;
    }
    nWidth = layout.width;
    nHeight = layout.height;
    const size_t nCount = static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight);
    values.resize(nCount);
    if (bFloat)
        return ReadPixels(*pIn, OIIO::TypeDesc::DOUBLE, values.data(), strFault);
    std::vector<uint16_t> raw(nCount);
    if (!ReadPixels(*pIn, OIIO::TypeDesc::UINT16, raw.data(), strFault))
        return false;
    for (size_t i = 0; i < nCount; ++i)
        values[i] = raw[i];
    return true;
}

// Marks for the disparity array handed to BuildImage.
constexpr double kUnknown = -1.0;

// The view image from top-first colours and generalized disparities (>= 0, or kUnknown). Fills
// the unknown samples, sets the camera and the scene bounds and, only if all went well, moves
// everything into image.
bool BuildImage(const std::string& strName, const std::string& strDepthFile, int nWidth,
                int nHeight, const std::vector<double>& rgb, std::vector<double>& disparity,
                const PinholeIntrinsics& in, CViewImage& image, ImportReport& report) {
    const size_t nW = static_cast<size_t>(nWidth), nH = static_cast<size_t>(nHeight);
    double dSmallest = std::numeric_limits<double>::infinity();
    long nFinite = 0;
    for (double d : disparity) {
        if (d == kUnknown)
            ++report.nUnknown;
        else {
            if (d < dSmallest)
                dSmallest = d;
            if (d > 0.0)
                ++nFinite;
            else
                ++report.nAtInfinity;
        }
    }
    if (nFinite == 0) {
        report.strError = strDepthFile + ": no usable depth (every value is unknown" +
                          (report.nAtInfinity > 0 ? " or at infinity)" : ")");
        return false;
    }
    // Unknown samples: the farther of the nearest known neighbours left and right in the row.
    for (size_t nRow = 0; nRow < nH; ++nRow) {
        double* pRow = disparity.data() + nRow * nW;
        std::vector<double> left(nW, kUnknown);
        double dLast = kUnknown;
        for (size_t x = 0; x < nW; ++x) {
            if (pRow[x] != kUnknown)
                dLast = pRow[x];
            left[x] = dLast;
        }
        double dNext = kUnknown;
        for (size_t x = nW; x-- > 0;) {
            if (pRow[x] != kUnknown) {
                dNext = pRow[x];
                continue;
            }
            const double dLeft = left[x];
            if (dLeft == kUnknown && dNext == kUnknown)
                pRow[x] = dSmallest;
            else if (dLeft == kUnknown)
                pRow[x] = dNext;
            else if (dNext == kUnknown)
                pRow[x] = dLeft;
            else
                pRow[x] = dLeft < dNext ? dLeft : dNext;
        }
    }

    double P[3][3] = {{1.0 / in.fx, 0.0, -in.cx / in.fx},
                      {0.0, 1.0 / in.fy, -((nHeight - 1) - in.cy) / in.fy},
                      {0.0, 0.0, 1.0}};
    const double cop[3] = {0.0, 0.0, 0.0};
    double bounds[6] = {0, 0, 0, 0, 0, 0};
    bool bFirst = true;
    PixelSample* pSamples = new PixelSample[nW * nH];
    for (size_t y = 0; y < nH; ++y) {
        // Grid row y is file row H-1-y.
        const size_t nFileRow = nH - 1 - y;
        for (size_t x = 0; x < nW; ++x) {
            const size_t nFrom = nFileRow * nW + x;
            const double d = disparity[nFrom];
            pSamples[y * nW + x] = {rgb[nFrom * 3], rgb[nFrom * 3 + 1], rgb[nFrom * 3 + 2], d};
            if (!(d > 0.0))
                continue;
            // The point cop + (1/d) (x a + y b + c), for the bounds.
            const double dX = static_cast<double>(x), dY = static_cast<double>(y);
            const double dT = 1.0 / d;
            for (int k = 0; k < 3; ++k) {
                const double dValue = (dX * P[k][0] + dY * P[k][1] + P[k][2]) * dT;
                if (bFirst || dValue < bounds[2 * k])
                    bounds[2 * k] = dValue;
                if (bFirst || dValue > bounds[2 * k + 1])
                    bounds[2 * k + 1] = dValue;
            }
            bFirst = false;
        }
    }
    report.dNearest = bounds[4];
    report.dFarthest = bounds[5];
    report.nWidth = nWidth;
    report.nHeight = nHeight;
    const double extra[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    image.SetSamples(pSamples);
    image.SetWidth(nWidth);
    image.SetHeight(nHeight);
    image.SetCamera(cop, P);
    image.SetSceneValues(bounds, extra);
    image.SetFileName(strName);
    report.bOk = true;
    return true;
}

bool GoodIntrinsics(const PinholeIntrinsics& in) {
    return std::isfinite(in.fx) && std::isfinite(in.fy) && std::isfinite(in.cx) &&
           std::isfinite(in.cy) && in.fx > 0.0 && in.fy > 0.0;
}

// A finite number in the C locale, the whole text.
bool ParseDouble(const std::string& str, double& dValue) {
    const char* p = str.data();
    const char* pEnd = p + str.size();
    if (p != pEnd && *p == '+')
        ++p;
    const std::from_chars_result result = std::from_chars(p, pEnd, dValue);
    return p != pEnd && result.ec == std::errc() && result.ptr == pEnd && std::isfinite(dValue);
}

std::string Trim(const std::string& str) {
    size_t nBegin = 0, nEnd = str.size();
    while (nBegin < nEnd && std::strchr(" \t\r\n", str[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && std::strchr(" \t\r\n", str[nEnd - 1]))
        --nEnd;
    return str.substr(nBegin, nEnd - nBegin);
}

// The whole text file, at most nLimit bytes; false when it cannot be read or is longer.
bool ReadTextFile(const std::string& strPath, std::string& strText, std::string& strFault) {
    if (!CheckReadable(strPath, strFault))
        return false;
    FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) {
        strFault = "cannot open the file (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    constexpr size_t nLimit = 1u << 16;
    strText.clear();
    char buffer[4096];
    size_t nGot;
    while ((nGot = std::fread(buffer, 1, sizeof buffer, pFile)) > 0 && strText.size() <= nLimit)
        strText.append(buffer, nGot);
    const bool bError = std::ferror(pFile) != 0;
    std::fclose(pFile);
    if (bError) {
        strFault = "cannot read the file";
        return false;
    }
    if (strText.size() > nLimit) {
        strFault = "longer than " + std::to_string(nLimit) + " bytes: not a calibration file";
        return false;
    }
    return true;
}

} // namespace

std::string ExactNumber(double dValue) {
    char sz[64];
    const std::to_chars_result result =
        std::to_chars(sz, sz + sizeof sz, dValue, std::chars_format::general, 17);
    return std::string(sz, result.ptr);
}

bool ImportRgbd(const RgbdInput& input, CViewImage& image, ImportReport& report) {
    report = ImportReport();
    if (!GoodIntrinsics(input.intrinsics)) {
        report.strError = input.strColour + ": the intrinsics need fx and fy above 0 and finite "
                                            "cx, cy";
        return false;
    }
    if (!(input.dDepthScale > 0.0) || !std::isfinite(input.dDepthScale)) {
        report.strError = input.strDepth + ": the depth scale must be a number above 0";
        return false;
    }
    int nWidth = 0, nHeight = 0;
    std::vector<double> rgb;
    std::string strFault;
    if (!ReadColour(input.strColour, nWidth, nHeight, rgb, strFault)) {
        report.strError = input.strColour + ": " + strFault;
        return false;
    }
    int nDepthWidth = 0, nDepthHeight = 0;
    std::vector<double> depth;
    bool bFloat = false;
    if (!ReadMap(input.strDepth, "depth", true, nDepthWidth, nDepthHeight, depth, bFloat,
                 strFault)) {
        report.strError = input.strDepth + ": " + strFault;
        return false;
    }
    if (nDepthWidth != nWidth || nDepthHeight != nHeight) {
        report.strError = input.strDepth + ": " + SizeText(nDepthWidth, nDepthHeight) +
                          " pixels, but the colour image " + input.strColour + " has " +
                          SizeText(nWidth, nHeight);
        return false;
    }
    // Depth to generalized disparity: 1 / (value * scale); 0, negative and NaN unknown,
    // +infinity at infinity.
    for (double& d : depth) {
        if (d == std::numeric_limits<double>::infinity())
            d = 0.0;
        else if (std::isfinite(d) && d > 0.0) {
            const double dZ = d * input.dDepthScale;
            d = dZ > 0.0 && std::isfinite(dZ) ? 1.0 / dZ : kUnknown;
        } else
            d = kUnknown;
    }
    return BuildImage(input.strColour, input.strDepth, nWidth, nHeight, rgb, depth,
                      input.intrinsics, image, report);
}

bool ImportStereoFolder(const std::string& strFolder, CViewImage& image, ImportReport& report) {
    report = ImportReport();
    std::string strBase = strFolder;
    if (!strBase.empty() && strBase.back() != '/')
        strBase += '/';
    const std::string strColour = strBase + "im0.png";
    const std::string strDisparity = strBase + "disp0.pfm";
    const std::string strCalib = strBase + "calib.txt";

    StereoCalib calib;
    std::string strFault;
    if (!ReadStereoCalib(strCalib, calib, strFault)) {
        report.strError = strCalib + ": " + strFault;
        return false;
    }
    int nWidth = 0, nHeight = 0;
    std::vector<double> rgb;
    if (!ReadColour(strColour, nWidth, nHeight, rgb, strFault)) {
        report.strError = strColour + ": " + strFault;
        return false;
    }
    if ((calib.nWidth != 0 && calib.nWidth != nWidth) ||
        (calib.nHeight != 0 && calib.nHeight != nHeight)) {
        const std::string strSaid = calib.nWidth != 0 && calib.nWidth != nWidth
                                        ? "width=" + std::to_string(calib.nWidth)
                                        : "height=" + std::to_string(calib.nHeight);
        report.strError = strCalib + ": says " + strSaid + ", but " + strColour + " has " +
                          SizeText(nWidth, nHeight) + " pixels";
        return false;
    }
    int nMapWidth = 0, nMapHeight = 0;
    std::vector<double> values;
    bool bFloat = false;
    if (!ReadMap(strDisparity, "disparity", false, nMapWidth, nMapHeight, values, bFloat,
                 strFault)) {
        report.strError = strDisparity + ": " + strFault;
        return false;
    }
    if (nMapWidth != nWidth || nMapHeight != nHeight) {
        report.strError = strDisparity + ": " + SizeText(nMapWidth, nMapHeight) + " pixels, but " +
                          strColour + " has " + SizeText(nWidth, nHeight);
        return false;
    }
    // Disparity d to depth Z = baseline * f / (d + doffs), then 1/Z.
    for (double& d : values) {
        if (!std::isfinite(d) || d == 0.0 || !(d + calib.doffs > 0.0)) {
            d = kUnknown;
            continue;
        }
        const double dZ = calib.baseline * calib.f / (d + calib.doffs);
        d = dZ > 0.0 && std::isfinite(dZ) ? 1.0 / dZ : kUnknown;
    }
    PinholeIntrinsics in;
    in.fx = calib.f;
    in.fy = calib.fy;
    in.cx = calib.cx;
    in.cy = calib.cy;
    std::string strName = strFolder;
    return BuildImage(strName, strDisparity, nWidth, nHeight, rgb, values, in, image, report);
}

bool ReadCameraSidecar(const std::string& strPath, CameraSidecar& sidecar, std::string& strError) {
    std::string strText, strFault;
    if (!ReadTextFile(strPath, strText, strFault)) {
        strError = strPath + ": " + strFault;
        return false;
    }
    CameraSidecar read;
    bool bSeen[4] = {false, false, false, false};
    const char* const keys[4] = {"fx", "fy", "cx", "cy"};
    double* const fields[4] = {&read.intrinsics.fx, &read.intrinsics.fy, &read.intrinsics.cx,
                               &read.intrinsics.cy};
    size_t nPos = 0;
    int nLine = 0;
    while (nPos <= strText.size()) {
        size_t nEnd = strText.find('\n', nPos);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        std::string strLine = strText.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        ++nLine;
        const size_t nHash = strLine.find('#');
        if (nHash != std::string::npos)
            strLine.resize(nHash);
        strLine = Trim(strLine);
        if (strLine.empty())
            continue;
        const size_t nSpace = strLine.find_first_of(" \t");
        const std::string strKey = strLine.substr(0, nSpace);
        const std::string strValue =
            nSpace == std::string::npos ? "" : Trim(strLine.substr(nSpace));
        if (strKey == "depth") {
            if (strValue.empty()) {
                strError =
                    strPath + ": line " + std::to_string(nLine) + ": \"depth\" needs a file name";
                return false;
            }
            read.strDepth = strValue;
            continue;
        }
        double dValue = 0.0;
        if (!ParseDouble(strValue, dValue)) {
            strError = strPath + ": line " + std::to_string(nLine) + ": \"" + strKey +
                       "\" needs one number, not \"" + strValue + "\"";
            return false;
        }
        bool bKnown = false;
        for (int k = 0; k < 4; ++k)
            if (strKey == keys[k]) {
                *fields[k] = dValue;
                bSeen[k] = true;
                bKnown = true;
            }
        if (strKey == "depth_scale") {
            read.bHasDepthScale = true;
            read.dDepthScale = dValue;
            bKnown = true;
        }
        if (!bKnown) {
            strError = strPath + ": line " + std::to_string(nLine) + ": unknown key \"" + strKey +
                       "\" (fx, fy, cx, cy, depth_scale, depth)";
            return false;
        }
    }
    for (int k = 0; k < 4; ++k)
        if (!bSeen[k]) {
            strError = strPath + ": no " + keys[k] + " (a camera file gives fx, fy, cx and cy)";
            return false;
        }
    sidecar = read;
    return true;
}

std::string CameraSidecarText(const CameraSidecar& sidecar) {
    std::string str = "# pinhole intrinsics in pixels, row 0 at the top\n";
    str += "fx " + ExactNumber(sidecar.intrinsics.fx) + "\n";
    str += "fy " + ExactNumber(sidecar.intrinsics.fy) + "\n";
    str += "cx " + ExactNumber(sidecar.intrinsics.cx) + "\n";
    str += "cy " + ExactNumber(sidecar.intrinsics.cy) + "\n";
    if (sidecar.bHasDepthScale)
        str += "depth_scale " + ExactNumber(sidecar.dDepthScale) + "\n";
    if (!sidecar.strDepth.empty())
        str += "depth " + sidecar.strDepth + "\n";
    return str;
}

std::string SidecarDepthPath(const std::string& strSidecar, const CameraSidecar& sidecar) {
    if (sidecar.strDepth.empty() || sidecar.strDepth[0] == '/')
        return sidecar.strDepth;
    const size_t nSlash = strSidecar.rfind('/');
    return nSlash == std::string::npos ? sidecar.strDepth
                                       : strSidecar.substr(0, nSlash + 1) + sidecar.strDepth;
}

std::string SidecarDepthName(const std::string& strSidecar, const std::string& strDepth) {
    const size_t nDepthSlash = strDepth.rfind('/'), nSidecarSlash = strSidecar.rfind('/');
    const std::string strDepthFolder =
        nDepthSlash == std::string::npos ? "" : strDepth.substr(0, nDepthSlash + 1);
    const std::string strSidecarFolder =
        nSidecarSlash == std::string::npos ? "" : strSidecar.substr(0, nSidecarSlash + 1);
    if (strDepthFolder == strSidecarFolder)
        return strDepth.substr(strDepthFolder.size());
    std::string strName = strDepth;
    if (char* pszReal = ::realpath(strDepth.c_str(), nullptr)) {
        strName = pszReal;
        std::free(pszReal);
    }
    return strName;
}

std::string SidecarPathOf(const std::string& strImage) {
    const size_t nSlash = strImage.rfind('/');
    const size_t nDot = strImage.rfind('.');
    const bool bExtension =
        nDot != std::string::npos && nDot > 0 && (nSlash == std::string::npos || nDot > nSlash + 1);
    return (bExtension ? strImage.substr(0, nDot) : strImage) + ".camera";
}

bool IsImageName(const std::string& strPath) {
    const size_t nDot = strPath.rfind('.');
    if (nDot == std::string::npos || strPath.find('/', nDot) != std::string::npos)
        return false;
    std::string strExt = strPath.substr(nDot + 1);
    for (char& ch : strExt)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return strExt == "png" || strExt == "jpg" || strExt == "jpeg" || strExt == "tif" ||
           strExt == "tiff";
}

bool ReadStereoCalib(const std::string& strPath, StereoCalib& calib, std::string& strError) {
    std::string strText;
    if (!ReadTextFile(strPath, strText, strError))
        return false;
    StereoCalib read;
    bool bCam0 = false, bBaseline = false;
    size_t nPos = 0;
    while (nPos <= strText.size()) {
        size_t nEnd = strText.find('\n', nPos);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        const std::string strLine = Trim(strText.substr(nPos, nEnd - nPos));
        nPos = nEnd + 1;
        const size_t nEq = strLine.find('=');
        if (strLine.empty() || nEq == std::string::npos)
            continue;
        const std::string strKey = Trim(strLine.substr(0, nEq));
        std::string strValue = Trim(strLine.substr(nEq + 1));
        if (strKey == "cam0") {
            // [f 0 cx; 0 f cy; 0 0 1]
            for (char& ch : strValue)
                if (ch == '[' || ch == ']' || ch == ';' || ch == ',' || ch == '\t')
                    ch = ' ';
            double m[9];
            int nCount = 0;
            size_t nAt = 0;
            while (nCount < 10) {
                while (nAt < strValue.size() && strValue[nAt] == ' ')
                    ++nAt;
                if (nAt >= strValue.size())
                    break;
                const size_t nStop = strValue.find(' ', nAt);
                const std::string strNumber = strValue.substr(nAt, nStop - nAt);
                nAt = nStop == std::string::npos ? strValue.size() : nStop;
                double dValue = 0.0;
                if (!ParseDouble(strNumber, dValue) || nCount == 9) {
                    nCount = -1;
                    break;
                }
                m[nCount++] = dValue;
            }
            if (nCount != 9 || !(m[0] > 0.0) || !(m[4] > 0.0)) {
                strError = "cam0 is not a matrix [f 0 cx; 0 f cy; 0 0 1] with f above 0";
                return false;
            }
            read.f = m[0];
            read.cx = m[2];
            read.fy = m[4];
            read.cy = m[5];
            bCam0 = true;
        } else if (strKey == "doffs" || strKey == "baseline" || strKey == "width" ||
                   strKey == "height") {
            double dValue = 0.0;
            if (!ParseDouble(strValue, dValue)) {
                strError = strKey + " is not a number: \"" + strValue + "\"";
                return false;
            }
            if (strKey == "doffs")
                read.doffs = dValue;
            else if (strKey == "baseline") {
                if (!(dValue > 0.0)) {
                    strError = "the baseline must be above 0";
                    return false;
                }
                read.baseline = dValue;
                bBaseline = true;
            } else {
                if (dValue < 1.0 || dValue > kMaxSide || dValue != std::floor(dValue)) {
                    strError = strKey + " is not a whole number of pixels: \"" + strValue + "\"";
                    return false;
                }
                (strKey == "width" ? read.nWidth : read.nHeight) = static_cast<int>(dValue);
            }
        }
    }
    if (!bCam0) {
        strError = "no cam0 (the focal length f and principal point)";
        return false;
    }
    if (!bBaseline) {
        strError = "no baseline";
        return false;
    }
    calib = read;
    return true;
}

std::string StereoCalibText(const StereoCalib& calib) {
    const std::string strF = ExactNumber(calib.f), strFy = ExactNumber(calib.fy),
                      strCy = ExactNumber(calib.cy);
    std::string str;
    str += "cam0=[" + strF + " 0 " + ExactNumber(calib.cx) + "; 0 " + strFy + " " + strCy +
           "; 0 0 1]\n";
    str += "cam1=[" + strF + " 0 " + ExactNumber(calib.cx + calib.doffs) + "; 0 " + strFy + " " +
           strCy + "; 0 0 1]\n";
    str += "doffs=" + ExactNumber(calib.doffs) + "\n";
    str += "baseline=" + ExactNumber(calib.baseline) + "\n";
    str += "width=" + std::to_string(calib.nWidth) + "\n";
    str += "height=" + std::to_string(calib.nHeight) + "\n";
    return str;
}
