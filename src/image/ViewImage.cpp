#include "image/ViewImage.h"

#include <cmath>
#include <cstring>

unsigned char ColourToByte(double dValue) {
    if (!std::isfinite(dValue))
        return 0;
    if (dValue > -2147483648.0 && dValue < 2147483648.0)
        return static_cast<unsigned char>(static_cast<unsigned int>(static_cast<int>(dValue)) &
                                          0xFFu);
    // Beyond the int range: the low 8 bits of the truncated value, its residue modulo 256.
    // trunc and fmod are exact in doubles, so this is the same rule carried further.
    double dResidue = std::fmod(std::trunc(dValue), 256.0);
    if (dResidue < 0.0)
        dResidue += 256.0;
    return static_cast<unsigned char>(static_cast<int>(dResidue));
}

namespace {

// ColourToByte with its common case inline: a colour in 0..255.99 is its truncation.
inline unsigned char DisplayByte(double dValue) {
    return dValue >= 0.0 && dValue < 256.0 ? static_cast<unsigned char>(static_cast<int>(dValue))
                                           : ColourToByte(dValue);
}

} // namespace

void CViewImage::InitFields() {
    m_nWidth = 0;
    m_nHeight = 0;
    m_pSamples = nullptr;
    m_pColours = nullptr;
    std::memset(m_COP, 0, sizeof m_COP);
    std::memset(m_P, 0, sizeof m_P);
    std::memset(m_SceneBounds, 0, sizeof m_SceneBounds);
    std::memset(m_SceneExtra, 0, sizeof m_SceneExtra);
}

CViewImage::CViewImage() {
    InitFields();
}

CViewImage::~CViewImage() {
    delete[] m_pSamples;
    delete[] m_pColours;
}

void CViewImage::SetSamples(PixelSample* pSamples) {
    if (m_pSamples != pSamples)
        delete[] m_pSamples;
    m_pSamples = pSamples;
    delete[] m_pColours;
    m_pColours = nullptr;
}

void CViewImage::SetColours(unsigned char* pColours) {
    if (m_pColours != pColours)
        delete[] m_pColours;
    m_pColours = pColours;
    delete[] m_pSamples;
    m_pSamples = nullptr;
}

void CViewImage::SetCamera(const double cop[3], const double P[3][3]) {
    std::memcpy(m_COP, cop, sizeof m_COP);
    std::memcpy(m_P, P, sizeof m_P);
}

void CViewImage::SetSceneValues(const double bounds[6], const double extra[8]) {
    std::memcpy(m_SceneBounds, bounds, sizeof m_SceneBounds);
    std::memcpy(m_SceneExtra, extra, sizeof m_SceneExtra);
}

void CViewImage::WriteDisplayBytes(unsigned char* pBytes) const {
    const size_t nWidth = m_nWidth > 0 ? static_cast<size_t>(m_nWidth) : 0;
    const size_t nHeight = m_nHeight > 0 ? static_cast<size_t>(m_nHeight) : 0;
    if (m_pColours) {
        std::memcpy(pBytes, m_pColours, nWidth * nHeight * 3);
        return;
    }
    if (!m_pSamples)
        return;
    // In storage order: a walk down the columns misses the cache at every sample of a large
    // grid (a live view's 800 x 600 took longer to convert than to warp).
    const size_t nCount = nWidth * nHeight;
    for (size_t nIndex = 0; nIndex < nCount; ++nIndex) {
        const PixelSample& sample = m_pSamples[nIndex];
        pBytes[nIndex * 3 + 0] = DisplayByte(sample.red);
        pBytes[nIndex * 3 + 1] = DisplayByte(sample.green);
        pBytes[nIndex * 3 + 2] = DisplayByte(sample.blue);
    }
}
