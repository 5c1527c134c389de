// Fuzz target: the BMP encoder on images of arbitrary small sizes and arbitrary colours. Each
// byte is checked against the colour rule computed independently (residue of the truncated value
// modulo 256, 0 for NaN and infinities), and every header field and fill byte against the layout.
#include <cmath>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "image/ViewImage.h"

namespace {

unsigned char ExpectedByte(double d) {
    if (!std::isfinite(d))
        return 0;
    double dResidue = std::fmod(std::trunc(d), 256.0);
    if (dResidue < 0.0)
        dResidue += 256.0;
    return static_cast<unsigned char>(dResidue);
}

uint32_t U32(const std::vector<unsigned char>& b, size_t i) {
    return b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (static_cast<uint32_t>(b[i + 3]) << 24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    SilenceReports();
    CFuzzInput in(pData, nSize);
    const uint8_t nFlags = in.NextByte();
    int nWidth = in.NextByte() % 34;
    int nHeight = in.NextByte() % 34;
    const size_t nCount = static_cast<size_t>(nWidth) * nHeight;

    CViewImage image;
    std::vector<unsigned char> bytes;
    if (nFlags & 1) {
        // No grid at all: nothing is encoded.
        image.SetWidth(nWidth);
        image.SetHeight(nHeight);
        FUZZ_CHECK(!image.EncodeBmp(bytes));
        return 0;
    }
    PixelSample* pGrid = new PixelSample[nCount > 0 ? nCount : 1];
    for (size_t i = 0; i < nCount; ++i) {
        const double dBase = in.NextByte();
        pGrid[i].red = in.NextDouble(dBase);
        pGrid[i].green = in.NextDouble(dBase + 0.5);
        pGrid[i].blue = in.NextDouble(-dBase);
        pGrid[i].disparity = in.NextDouble(1.0);
    }
    image.SetSamples(pGrid);
    if (nFlags & 2) {
        // A negative size is refused, whatever grid there is.
        image.SetWidth((nFlags & 4) ? -nWidth - 1 : nWidth);
        image.SetHeight((nFlags & 4) ? nHeight : -nHeight - 1);
        FUZZ_CHECK(!image.EncodeBmp(bytes));
        return 0;
    }
    image.SetWidth(nWidth);
    image.SetHeight(nHeight);
    if (!image.EncodeBmp(bytes)) {
        // Only an empty image may be refused.
        FUZZ_CHECK(nCount == 0);
        return 0;
    }
    const size_t nFill = (3 * nWidth) % 4 == 0 ? 0 : 4 - (3 * nWidth) % 4;
    const size_t nRow = 3 * nWidth + nFill;
    FUZZ_CHECK(bytes.size() == 54 + nRow * nHeight);
    FUZZ_CHECK(bytes[0] == 'B' && bytes[1] == 'M');
    FUZZ_CHECK(U32(bytes, 2) == bytes.size());
    FUZZ_CHECK(U32(bytes, 10) == 54 && U32(bytes, 14) == 40);
    FUZZ_CHECK(U32(bytes, 18) == static_cast<uint32_t>(nWidth));
    FUZZ_CHECK(U32(bytes, 22) == static_cast<uint32_t>(nHeight));
    FUZZ_CHECK(bytes[26] == 1 && bytes[27] == 0 && bytes[28] == 24 && bytes[29] == 0);
    for (size_t i = 30; i < 54; ++i)
        FUZZ_CHECK(bytes[i] == 0);
    for (int y = 0; y < nHeight; ++y) {
        const unsigned char* pRow = bytes.data() + 54 + nRow * y;
        for (int x = 0; x < nWidth; ++x) {
            const PixelSample& s = pGrid[static_cast<size_t>(y) * nWidth + x];
            FUZZ_CHECK(pRow[3 * x] == ExpectedByte(s.blue));
            FUZZ_CHECK(pRow[3 * x + 1] == ExpectedByte(s.green));
            FUZZ_CHECK(pRow[3 * x + 2] == ExpectedByte(s.red));
        }
        for (size_t f = 0; f < nFill; ++f)
            FUZZ_CHECK(pRow[3 * nWidth + f] == 0);
    }
    return 0;
}
