// The BMP export of CViewImage: an uncompressed 24-bit file with a 14-byte file header, a
// 40-byte info header and the rows bottom-up in grid order (row 0 first), blue-green-red, each
// row filled with zero bytes to a multiple of four.
#include "image/ViewImage.h"

#include "framework/Services.h"
#include "image/SafeFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

void PutU16(unsigned char* p, uint32_t nValue) {
    p[0] = static_cast<unsigned char>(nValue & 0xFFu);
    p[1] = static_cast<unsigned char>((nValue >> 8) & 0xFFu);
}

void PutU32(unsigned char* p, uint32_t nValue) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((nValue >> (8 * i)) & 0xFFu);
}

} // namespace

bool CViewImage::EncodeBmp(std::vector<unsigned char>& bytes) const {
    bytes.clear();
    if (!HasGrid() || m_nWidth < 0 || m_nHeight < 0)
        return false;
    const uint64_t nWidth = static_cast<uint64_t>(m_nWidth);
    const uint64_t nHeight = static_cast<uint64_t>(m_nHeight);
    const uint64_t nFill = (3 * nWidth) % 4 == 0 ? 0 : 4 - (3 * nWidth) % 4;
    const uint64_t nRow = 3 * nWidth + nFill;
    const uint64_t nFileSize = nRow * nHeight + 54;
    // The header holds the file size in 32 bits.
    if (nFileSize > UINT32_MAX)
        return false;

    bytes.assign(static_cast<size_t>(nFileSize), 0);
    unsigned char* p = bytes.data();
    p[0] = 0x42;
    p[1] = 0x4D;
    PutU32(p + 2, static_cast<uint32_t>(nFileSize));
    PutU32(p + 10, 54);
    PutU32(p + 14, 40);
    PutU32(p + 18, static_cast<uint32_t>(m_nWidth));
    PutU32(p + 22, static_cast<uint32_t>(m_nHeight));
    PutU16(p + 26, 1);
    PutU16(p + 28, 24);
    // Compression, image size, resolutions and colour counts stay 0.

    for (uint64_t y = 0; y < nHeight; ++y) {
        unsigned char* pRow = p + 54 + y * nRow;
        if (m_pColours) {
            const unsigned char* pColour = m_pColours + y * nWidth * 3;
            for (uint64_t x = 0; x < nWidth; ++x, pColour += 3) {
                pRow[3 * x] = pColour[2];
                pRow[3 * x + 1] = pColour[1];
                pRow[3 * x + 2] = pColour[0];
            }
            continue;
        }
        const PixelSample* pSample = m_pSamples + y * nWidth;
        for (uint64_t x = 0; x < nWidth; ++x, ++pSample) {
            pRow[3 * x] = ColourToByte(pSample->blue);
            pRow[3 * x + 1] = ColourToByte(pSample->green);
            pRow[3 * x + 2] = ColourToByte(pSample->red);
        }
    }
    return true;
}

bool CViewImage::WriteBmp(const char* pszPath) const {
    const std::string strPath = pszPath ? pszPath : "";
    std::vector<unsigned char> bytes;
    // Encoding first means an image without a grid never creates or empties the target.
    if (strPath.empty() || !EncodeBmp(bytes)) {
        TraceLine("can't open imagefile %s!", strPath.c_str());
        return false;
    }
    return WriteFileSafely(strPath, bytes.data(), bytes.size(), "imagefile");
}
