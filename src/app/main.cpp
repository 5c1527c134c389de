// morrow: the desktop application.
#include <cstdio>
#include <cstring>

#include "app/Morrow.h"
#include "platform/QtSinks.h"

namespace {

void PrintUsage() {
    std::printf("Usage: morrow [OPTION]... [DOCUMENT]\n"
                "A viewer for image-based rendering by 3D image warping.\n"
                "\n"
                "  --imagedata FILE  load the data file FILE once the window is up\n"
                "  --help            show this help and exit\n"
                "  --version         show the version and exit\n");
}

} // namespace

int main(int argc, char** argv) {
    // Answered before any window-system connection, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Morrow %s\n", kMorrowVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage();
            return 0;
        }
    }

    CMorrowApp theApp(argc, argv);
    InstallQtSinks();
    if (!theApp.InitInstance())
        return 1;
    return theApp.Run();
}
