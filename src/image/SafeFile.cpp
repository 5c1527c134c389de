#include "image/SafeFile.h"

#include "framework/Services.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Bytes {
    const unsigned char* p;
    size_t n;
    const char* pszKind;
};

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
bool WriteDirectly(const std::string& strPath, const Bytes& bytes) {
    const int nFd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (nFd < 0) {
        TraceLine("can't open %s %s!", bytes.pszKind, strPath.c_str());
        return false;
    }
    const bool bWritten = WriteAll(nFd, bytes.p, bytes.n);
    const bool bClosed = ::close(nFd) == 0;
    if (!bWritten || !bClosed) {
        TraceLine("can't write %s %s!", bytes.pszKind, strPath.c_str());
        return false;
    }
    return true;
}

// A regular file (or a new one) is written to a temporary file in the same folder, which
// replaces the target only once every byte is on disk, so a failed write keeps the old file.
bool WriteThroughTemporary(const std::string& strPath, const std::string& strTarget,
                           const struct stat* pExisting, const Bytes& bytes) {
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
        TraceLine("can't open %s %s!", bytes.pszKind, strPath.c_str());
        return false;
    }
    // A replaced file keeps its permissions.
    if (pExisting)
        (void)::fchmod(nFd, pExisting->st_mode & 07777);
    bool bOk = WriteAll(nFd, bytes.p, bytes.n);
    bOk = ::fsync(nFd) == 0 && bOk;
    bOk = ::close(nFd) == 0 && bOk;
    bOk = bOk && ::rename(strTemp.c_str(), strTarget.c_str()) == 0;
    if (!bOk) {
        ::unlink(strTemp.c_str());
        TraceLine("can't write %s %s!", bytes.pszKind, strPath.c_str());
    }
    return bOk;
}

// Writes the bytes to the path: devices and pipes in place, everything else through a
// temporary file. A symbolic link is followed, so the file it names is the one replaced.
bool WriteAllSafely(const std::string& strPath, const Bytes& bytes) {
    struct stat info;
    if (::stat(strPath.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            TraceLine("can't open %s %s!", bytes.pszKind, strPath.c_str());
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

bool WriteFileSafely(const std::string& strPath, const void* pBytes, size_t nSize,
                     const char* pszKind) {
    return WriteAllSafely(strPath,
                          Bytes{static_cast<const unsigned char*>(pBytes), nSize, pszKind});
}
