// PNG, PFM and EXR output of view images through the image libraries: OpenImageIO encodes PNG
// and EXR into memory, OpenCV's codecs encode PFM (OpenImageIO's Debian build reads PFM but
// cannot write it). The bytes then go to disk through WriteFileSafely.
#include "image/ImageFiles.h"

#include "framework/Services.h"
#include "image/SafeFile.h"
#include "image/ViewImage.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace {

bool EndsWithNoCase(const std::string& str, const char* pszEnd) {
    const std::string strEnd = pszEnd;
    if (str.size() < strEnd.size())
        return false;
    for (size_t i = 0; i < strEnd.size(); ++i) {
        char ch = str[str.size() - strEnd.size() + i];
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != strEnd[i])
            return false;
    }
    return true;
}

// Encodes top-first pixel bytes with OpenImageIO into memory. False with the library's message.
bool EncodeWithImageIO(const char* pszFormat, const OIIO::ImageSpec& layout, const void* pPixels,
                       std::vector<unsigned char>& bytes, std::string* pstrError) {
    bytes.clear();
    std::unique_ptr<OIIO::ImageOutput> pOut = OIIO::ImageOutput::create(pszFormat);
    if (!pOut) {
        if (pstrError)
            *pstrError = "no " + std::string(pszFormat) + " writer: " + OIIO::geterror();
        return false;
    }
    OIIO::Filesystem::IOVecOutput memory(bytes);
    pOut->set_ioproxy(&memory);
    // The name only tells the writer the format; the bytes go to memory.
    const std::string strName = std::string("memory.") + pszFormat;
    bool bOk = pOut->open(strName, layout);
    bOk = bOk && pOut->write_image(layout.format, pPixels);
    bOk = pOut->close() && bOk;
    if (!bOk && pstrError)
        *pstrError = pOut->geterror();
    return bOk;
}

} // namespace

bool IsPngName(const std::string& strPath) {
    return EndsWithNoCase(strPath, ".png");
}

bool EncodePng(const CViewImage& image, std::vector<unsigned char>& bytes) {
    bytes.clear();
    const PixelSample* pSamples = image.GetSamples();
    const unsigned char* pColours = image.GetColours();
    const int nWidth = image.GetWidth(), nHeight = image.GetHeight();
    if (!image.HasGrid() || nWidth < 1 || nHeight < 1)
        return false;
    const size_t nW = static_cast<size_t>(nWidth), nH = static_cast<size_t>(nHeight);
    std::vector<unsigned char> pixels(nW * nH * 3);
    for (size_t nRow = 0; nRow < nH; ++nRow) {
        // File row nRow (from the top) is grid row H-1-nRow.
        if (pColours) {
            std::memcpy(pixels.data() + nRow * nW * 3, pColours + (nH - 1 - nRow) * nW * 3, nW * 3);
            continue;
        }
        const PixelSample* pSample = pSamples + (nH - 1 - nRow) * nW;
        unsigned char* p = pixels.data() + nRow * nW * 3;
        for (size_t x = 0; x < nW; ++x, ++pSample, p += 3) {
            p[0] = ColourToByte(pSample->red);
            p[1] = ColourToByte(pSample->green);
            p[2] = ColourToByte(pSample->blue);
        }
    }
    const OIIO::ImageSpec layout(nWidth, nHeight, 3, OIIO::TypeDesc::UINT8);
    return EncodeWithImageIO("png", layout, pixels.data(), bytes, nullptr);
}

bool WritePng(const CViewImage& image, const char* pszPath) {
    const std::string strPath = pszPath ? pszPath : "";
    std::vector<unsigned char> bytes;
    // Encoding first means an image without a grid never creates or empties the target.
    if (strPath.empty() || !EncodePng(image, bytes)) {
        TraceLine("can't open imagefile %s!", strPath.c_str());
        return false;
    }
    return WriteFileSafely(strPath, bytes.data(), bytes.size(), "imagefile");
}

bool WriteImageFile(const CViewImage& image, const char* pszPath) {
    return pszPath && IsPngName(pszPath) ? WritePng(image, pszPath) : image.WriteBmp(pszPath);
}

bool EncodeFloatMap(const std::string& strPath, int nWidth, int nHeight,
                    const std::vector<float>& values, std::vector<unsigned char>& bytes,
                    std::string* pstrError) {
    bytes.clear();
    if (nWidth < 1 || nHeight < 1 ||
        values.size() != static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight)) {
        if (pstrError)
            *pstrError = "no values to write";
        return false;
    }
    const size_t nW = static_cast<size_t>(nWidth), nH = static_cast<size_t>(nHeight);
    std::vector<float> topFirst(values.size());
    for (size_t nRow = 0; nRow < nH; ++nRow)
        std::copy(values.begin() + (nH - 1 - nRow) * nW, values.begin() + (nH - nRow) * nW,
                  topFirst.begin() + nRow * nW);
    if (EndsWithNoCase(strPath, ".exr")) {
        OIIO::ImageSpec layout(nWidth, nHeight, 1, OIIO::TypeDesc::FLOAT);
        layout.channelnames = {"Z"};
        // No time stamp: the same values give the same file.
        layout.attribute("DateTime", "");
        return EncodeWithImageIO("exr", layout, topFirst.data(), bytes, pstrError);
    }
    if (EndsWithNoCase(strPath, ".pfm")) {
        // The codec library reports faults by exceptions; none may leave this routine.
        try {
            const cv::Mat map(nHeight, nWidth, CV_32FC1, topFirst.data());
            std::vector<uchar> encoded;
            if (!cv::imencode(".pfm", map, encoded)) {
                if (pstrError)
                    *pstrError = "the PFM encoder failed";
                return false;
            }
            bytes.assign(encoded.begin(), encoded.end());
            return true;
        } catch (...) {
            if (pstrError)
                *pstrError = "the PFM encoder failed";
            return false;
        }
    }
    if (pstrError)
        *pstrError = "a depth map is written as .pfm or .exr";
    return false;
}

bool WriteDepthMap(const std::string& strPath, int nWidth, int nHeight,
                   const std::vector<double>& depth, double dPngScale, std::string* pstrError) {
    const size_t nCount =
        nWidth > 0 && nHeight > 0 ? static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight) : 0;
    if (nCount == 0 || depth.size() != nCount) {
        if (pstrError)
            *pstrError = "no depth values to write";
        return false;
    }
    std::vector<unsigned char> bytes;
    if (IsPngName(strPath)) {
        if (!(dPngScale > 0.0) || !std::isfinite(dPngScale)) {
            if (pstrError)
                *pstrError = "the depth scale must be a number above 0";
            return false;
        }
        const size_t nW = static_cast<size_t>(nWidth), nH = static_cast<size_t>(nHeight);
        std::vector<uint16_t> units(nCount);
        for (size_t nRow = 0; nRow < nH; ++nRow)
            for (size_t x = 0; x < nW; ++x) {
                const double dUnits = depth[(nH - 1 - nRow) * nW + x] / dPngScale;
                // Checked before the conversion: NaN and values out of range stay 0, unknown.
                units[nRow * nW + x] =
                    dUnits > 0.0 && dUnits < 65535.5
                        ? static_cast<uint16_t>(static_cast<int>(std::floor(dUnits + 0.5)))
                        : 0;
            }
        const OIIO::ImageSpec layout(nWidth, nHeight, 1, OIIO::TypeDesc::UINT16);
        if (!EncodeWithImageIO("png", layout, units.data(), bytes, pstrError))
            return false;
    } else {
        std::vector<float> values(nCount);
        for (size_t i = 0; i < nCount; ++i) {
            // A finite double beyond the float range has no float value: it is that far away.
            const double d = depth[i];
            const double dMax = std::numeric_limits<float>::max();
            const float fInf = std::numeric_limits<float>::infinity();
            values[i] = std::isfinite(d) && std::fabs(d) > dMax ? (d > 0 ? fInf : -fInf)
                                                                : static_cast<float>(d);
        }
        if (!EncodeFloatMap(strPath, nWidth, nHeight, values, bytes, pstrError))
            return false;
    }
    if (!WriteFileSafely(strPath, bytes.data(), bytes.size(), "depthfile")) {
        if (pstrError)
            *pstrError = "cannot write the file";
        return false;
    }
    return true;
}

bool WriteRgbd(const CViewImage& image, const std::vector<double>& depth, const char* pszColour,
               const char* pszDepth, std::string* pstrError, double dPngScale) {
    const std::string strColour = pszColour ? pszColour : "";
    const std::string strDepth = pszDepth ? pszDepth : "";
    auto fail = [&](const std::string& strFile, const std::string& strFault) {
        if (pstrError)
            *pstrError = strFile + ": " + strFault;
        return false;
    };
    const int nWidth = image.GetWidth(), nHeight = image.GetHeight();
    if (!image.HasGrid() || nWidth < 1 || nHeight < 1)
        return fail(strColour, "the image has no pixels");
    const size_t nCount = static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight);
    if (depth.size() != nCount)
        return fail(strDepth, "the depth holds " + std::to_string(depth.size()) + " values for " +
                                  std::to_string(nCount) + " pixels");
    if (!IsPngName(strColour))
        return fail(strColour, "the colour image of an RGB-D pair is written as .png");
    if (!EndsWithNoCase(strDepth, ".pfm") && !EndsWithNoCase(strDepth, ".exr") &&
        !IsPngName(strDepth))
        return fail(strDepth, "a depth map is written as .pfm, .exr or .png");
    if (!WritePng(image, strColour.c_str()))
        return fail(strColour, "cannot write the file");
    std::string strFault;
    if (!WriteDepthMap(strDepth, nWidth, nHeight, depth, dPngScale, &strFault))
        return fail(strDepth, strFault);
    return true;
}
