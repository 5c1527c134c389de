// Fuzz target: arbitrary bytes as a data file. The bytes go into an anonymous memory file, so
// the reader opens a real path through its ordinary code and the disk is never touched.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "FuzzCheck.h"
#include "image/ViewImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    SilenceReports();
    const int fd = memfd_create("morrow-fuzz-datafile", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    size_t nDone = 0;
    while (nDone < nSize) {
        const ssize_t n = write(fd, pData + nDone, nSize - nDone);
        if (n <= 0) {
            close(fd);
            return 0;
        }
        nDone += static_cast<size_t>(n);
    }
    char szPath[64];
    std::snprintf(szPath, sizeof szPath, "/proc/self/fd/%d", fd);

    LoadReport report;
    CViewImage image(szPath, &report);
    close(fd);

    FUZZ_CHECK(report.bOpened);
    FUZZ_CHECK(image.GetWidth() == 200 && image.GetHeight() == 200);
    FUZZ_CHECK(image.GetSamples() != nullptr);
    FUZZ_CHECK(report.nNumbersRead >= 0 && report.nNumbersRead <= kDataFileNumbers);
    FUZZ_CHECK(report.nRecordsOutside >= 0 && report.nRecordsOutside <= 200L * 200);

    // Every sample is initialised (a read of an uninitialised or freed one shows under the
    // sanitizers through the byte conversion), and the BMP of any loaded image encodes.
    std::vector<unsigned char> bytes;
    FUZZ_CHECK(image.EncodeBmp(bytes));
    FUZZ_CHECK(bytes.size() == 54u + 600u * 200u);
    return 0;
}
