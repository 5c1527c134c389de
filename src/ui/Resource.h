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
    // A warped image as RGB-D (Save menu, after the two saves).
    ID_SAVE_WARPED_RGBD = 32780,
    // The display (View menu).
    ID_VIEW_ACTUAL_SIZE = 32790,
    ID_VIEW_FIT_TO_WINDOW = 32791,
    ID_VIEW_ZOOM_IN = 32792,
    ID_VIEW_ZOOM_OUT = 32793,
    ID_VIEW_EPIPOLE_OVERLAY = 32794,
    ID_VIEW_DISOCCLUSION_OVERLAY = 32795,
    // Live navigation (Camera menu).
    ID_CAMERA_ORBIT_LEFT = 32800,
    ID_CAMERA_ORBIT_RIGHT = 32801,
    ID_CAMERA_ORBIT_UP = 32802,
    ID_CAMERA_ORBIT_DOWN = 32803,
    ID_CAMERA_FORWARD = 32804,
    ID_CAMERA_BACK = 32805,
    ID_CAMERA_PAN_LEFT = 32806,
    ID_CAMERA_PAN_RIGHT = 32807,
    ID_CAMERA_HOME = 32808,
    ID_CAMERA_COPY = 32809,
};
