// Resource and command ids of the application, next to the framework's standard ones.
#pragma once

#include "platform/StdIds.h"

enum : int {
    IDD_ABOUTBOX = 100,
    IDR_MAINFRAME = 128,  // menu, accelerators, toolbar, icon and template string
    IDR_MORROWTYPE = 129, // the second icon group
    // The view commands (menu only: no accelerator, no toolbar button).
    ID_LOAD_IMAGEDATA = 32771,
    ID_FREE_CAMERA_MOVE = 32772,
    ID_SAVE_SOURCE_FILE = 32773,
    ID_FOCUS_CAMERA_MOVE = 32774,
    ID_SAVE_WARPED_FILE = 32775,
};
