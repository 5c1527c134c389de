// The BMP export of CViewImage: an uncompressed 24-bit file with a 14-byte file header, a
// 40-byte info header and the rows bottom-up in grid order (row 0 first), blue-green-red, each
// row filled with zero bytes to a multiple of four.
#include "image/ViewImage.h"

#include "framework/Services.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void PutU16(unsigned char* p, uint32_t nValue) {
    p[0] = static_cast<unsigned char>(nValue & 0xFFu);
    p[1] = static_cast<unsigned char>((nValue >> 8) & 0xFFu);
}

void PutU32(unsigned char* p, uint32_t nValue) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((nValue >> (8 * i)) & 0xFFu);
}

// Writes all bytes, going on after short writes and interrupts. False on any error.
bool WriteAll(int nFd, const unsigned char* p, size_t nSize) {
    while (nSize > 0) {
        const ssize_t nDone = ::write(nFd, p, nSize);
        if (nDone < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (nDone == 0)
            return false;
        p += nDone;
        nSize -= static_cast<size_t>(nDone);
    }
    return true;
}

// A target that is not a regular file (a device, a pipe) is written in place: renaming over
// it would replace the device node by a file.
bool WriteDirectly(const std::string& strPath, const std::vector<unsigned char>& bytes) {
    const int nFd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (nFd < 0) {
        TraceLine("can't open imagefile %s!", strPath.c_str());
        return false;
    }
    const bool bWritten = WriteAll(nFd, bytes.data(), bytes.size());
    const bool bClosed = ::close(nFd) == 0;
    if (!bWritten || !bClosed) {
        TraceLine("can't write imagefile %s!", strPath.c_str());
        return false;
    }
    return true;
}

// A regular file (or a new one) is written to a temporary file in the same folder, which
// replaces the target only once every byte is on disk, so a failed write keeps the old file.
bool WriteThroughTemporary(const std::string& strPath, const std::string& strTarget,
                           const struct stat* pExisting, const std::vector<unsigned char>& bytes) {
    static std::atomic<unsigned> nCounter{0};
    const size_t nSlash = strTarget.rfind('/');
    const std::string strFolder =
        nSlash == std::string::npos ? "" : strTarget.substr(0, nSlash + 1);
    // The temporary name keeps a short prefix of the target's name, so that a target whose
    // name is near the length limit can still be written.
    const std::string strBase =
        (nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1)).substr(0, 64);

    std::string strTemp;
    int nFd = -1;
    for (int nTry = 0; nTry < 100 && nFd < 0; ++nTry) {
        strTemp = strFolder + "." + strBase + ".tmp" + std::to_string(::getpid()) + "-" +
                  std::to_string(nCounter.fetch_add(1));
        // Mode 0666 under the umask, as a plain create would give.
        nFd = ::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (nFd < 0 && errno != EEXIST)
            break;
    }
    if (nFd < 0) {
        TraceLine("can't open imagefile %s!", strPath.c_str());
        return false;
    }
    // A replaced file keeps its permissions.
    if (pExisting)
        (void)::fchmod(nFd, pExisting->st_mode & 07777);
    bool bOk = WriteAll(nFd, bytes.data(), bytes.size());
    bOk = ::fsync(nFd) == 0 && bOk;
    bOk = ::close(nFd) == 0 && bOk;
    bOk = bOk && ::rename(strTemp.c_str(), strTarget.c_str()) == 0;
    if (!bOk) {
        ::unlink(strTemp.c_str());
        TraceLine("can't write imagefile %s!", strPath.c_str());
    }
    return bOk;
}

// Writes the bytes to the path: devices and pipes in place, everything else through a
// temporary file. A symbolic link is followed, so the file it names is the one replaced.
bool WriteFileSafely(const std::string& strPath, const std::vector<unsigned char>& bytes) {
    struct stat info;
    if (::stat(strPath.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            TraceLine("can't open imagefile %s!", strPath.c_str());
            return false;
        }
        if (!S_ISREG(info.st_mode))
            return WriteDirectly(strPath, bytes);
        std::string strTarget = strPath;
        struct stat linkInfo;
        if (::lstat(strPath.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
            char* pszReal = ::realpath(strPath.c_str(), nullptr);
            if (pszReal) {
                strTarget = pszReal;
                std::free(pszReal);
            }
        }
        return WriteThroughTemporary(strPath, strTarget, &info, bytes);
    }
    struct stat linkInfo;
    // A dangling link: create the file it names by writing through it.
    if (::lstat(strPath.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode))
        return WriteDirectly(strPath, bytes);
    return WriteThroughTemporary(strPath, strPath, nullptr, bytes);
}

} // namespace

bool CViewImage::EncodeBmp(std::vector<unsigned char>& bytes) const {
    bytes.clear();
    if (!m_pSamples || m_nWidth < 0 || m_nHeight < 0)
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
    return WriteFileSafely(strPath, bytes);
}
