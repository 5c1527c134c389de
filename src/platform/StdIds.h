// Command and resource ids of the framework layer. Ids from 57344 up are the framework's own
// standard commands; the application's own ids live in ui/Resource.h.
#pragma once

enum : int {
    // File
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616, // the recent-file entries take this id and the next three
    ID_FILE_MRU_FILE4 = 57619,
    // Edit
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    // Application
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    // View
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    // Status-bar indicators
    ID_INDICATOR_CAPS = 59137,
    ID_INDICATOR_NUM = 59138,
    ID_INDICATOR_SCRL = 59139,
    // Bar ids
    IDW_TOOLBAR = 0xE800,
    IDW_STATUS_BAR = 0xE801,
    // Strings
    IDS_APP_TITLE = 57344,
    IDS_IDLEMESSAGE = 57345,
    // Dialog buttons
    IDOK = 1,
    IDCANCEL = 2,
};
