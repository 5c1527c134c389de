#include "app/MainFrm.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

#include "framework/Services.h"
#include "platform/StatusBar.h"
#include "ui/Resource.h"

namespace {

// One command: its menu text, accelerators, fly-by prompt and tool tip.
struct CommandInfo {
    int nID;
    const char* pszText;
    QList<QKeySequence> shortcuts;
    const char* pszPrompt;
    const char* pszTip;
};

const QList<CommandInfo>& Commands() {
    static const QList<CommandInfo> s_Commands = {
        {ID_FILE_NEW,
         "&New\tCtrl+N",
         {QKeySequence(Qt::CTRL | Qt::Key_N)},
         "Create a new document",
         "New"},
        {ID_FILE_OPEN,
         "&Open...\tCtrl+O",
         {QKeySequence(Qt::CTRL | Qt::Key_O)},
         "Open an existing document",
         "Open"},
        {ID_FILE_SAVE,
         "&Save\tCtrl+S",
         {QKeySequence(Qt::CTRL | Qt::Key_S)},
         "Save the active document",
         "Save"},
        {ID_FILE_SAVE_AS, "Save &As...", {}, "Save the active document with a new name", "Save As"},
        {ID_FILE_PRINT,
         "&Print...\tCtrl+P",
         {QKeySequence(Qt::CTRL | Qt::Key_P)},
         "Print the active document",
         "Print"},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view", {}, "Display full pages", "Print Preview"},
        {ID_FILE_PRINT_SETUP,
         "P&rint Setup...",
         {},
         "Change the printer and printing options",
         "Print Setup"},
        {ID_APP_EXIT, "E&xit", {}, "Quit the application; prompts to save documents", "Exit"},
        {ID_EDIT_UNDO,
         "&Undo\tCtrl+Z",
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)},
         "Undo the last action",
         "Undo"},
        {ID_EDIT_CUT,
         "Cu&t\tCtrl+X",
         {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
         "Cut the selection and put it on the Clipboard",
         "Cut"},
        {ID_EDIT_COPY,
         "&Copy\tCtrl+C",
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
         "Copy the selection and put it on the Clipboard",
         "Copy"},
        {ID_EDIT_PASTE,
         "&Paste\tCtrl+V",
         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
         "Insert Clipboard contents",
         "Paste"},
        {ID_VIEW_TOOLBAR, "&Toolbar", {}, "Show or hide the toolbar", "Toggle ToolBar"},
        {ID_VIEW_STATUS_BAR, "&Status Bar", {}, "Show or hide the status bar", "Toggle StatusBar"},
        {ID_APP_ABOUT,
         "&About Morrow...",
         {},
         "Display program information, version number and copyright",
         "About"},
        {ID_NEXT_PANE,
         "Next Pane",
         {QKeySequence(Qt::Key_F6)},
         "Switch to the next window pane",
         "Next Pane"},
        {ID_PREV_PANE,
         "Previous Pane",
         {QKeySequence(Qt::SHIFT | Qt::Key_F6)},
         "Switch back to the previous window pane",
         "Previous Pane"},
        // The view's own commands: menu only, no accelerator, no prompt.
        {ID_LOAD_IMAGEDATA, "Load Imagedata", {}, "", ""},
        {ID_FREE_CAMERA_MOVE, "Free Camera Move", {}, "", ""},
        {ID_FOCUS_CAMERA_MOVE, "Focus Camera Move", {}, "", ""},
        {ID_SAVE_SOURCE_FILE, "Save Source File to BMP", {}, "", ""},
        {ID_SAVE_WARPED_FILE, "Save Warped File to BMP", {}, "", ""},
        {ID_SAVE_WARPED_RGBD,
         "Save Warped File as RGB-D...",
         {},
         "Save the warped image as a colour PNG, the depth of what was drawn and its camera file",
         "Save Warped File as RGB-D"},
        // The display and live navigation, beside them.
        {ID_VIEW_ACTUAL_SIZE,
         "&Actual Size\tCtrl+0",
         {QKeySequence(Qt::CTRL | Qt::Key_0)},
         "Show the image one pixel per screen pixel at the bottom-left corner",
         "Actual Size"},
        {ID_VIEW_FIT_TO_WINDOW,
         "&Fit to Window\tCtrl+9",
         {QKeySequence(Qt::CTRL | Qt::Key_9)},
         "Scale the image to fit the window",
         "Fit to Window"},
        {ID_VIEW_ZOOM_IN,
         "Zoom &In\tCtrl++",
         {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         "Magnify the display twice (also Ctrl with the mouse wheel)",
         "Zoom In"},
        {ID_VIEW_ZOOM_OUT,
         "Zoom &Out\tCtrl+-",
         {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
         "Shrink the display to half (also Ctrl with the mouse wheel)",
         "Zoom Out"},
        {ID_VIEW_EPIPOLE_OVERLAY,
         "&Epipole and Sheets\tE",
         {QKeySequence(Qt::Key_E)},
         "Draw the epipole, the lines that split the source into its sheets and the zone over "
         "the source image",
         "Epipole and Sheets"},
        {ID_VIEW_DISOCCLUSION_OVERLAY,
         "&Disoccluded Positions\tO",
         {QKeySequence(Qt::Key_O)},
         "Show the positions of the warped image that nothing was drawn into in magenta",
         "Disoccluded Positions"},
        {ID_CAMERA_ORBIT_LEFT,
         "Orbit &Left\tLeft",
         {QKeySequence(Qt::Key_Left)},
         "Turn the camera 5 degrees about the centre of the scene (or drag with the left button)",
         "Orbit Left"},
        {ID_CAMERA_ORBIT_RIGHT,
         "Orbit &Right\tRight",
         {QKeySequence(Qt::Key_Right)},
         "Turn the camera 5 degrees about the centre of the scene (or drag with the left button)",
         "Orbit Right"},
        {ID_CAMERA_ORBIT_UP,
         "Orbit &Up\tUp",
         {QKeySequence(Qt::Key_Up)},
         "Turn the camera 5 degrees about the centre of the scene (or drag with the left button)",
         "Orbit Up"},
        {ID_CAMERA_ORBIT_DOWN,
         "Orbit &Down\tDown",
         {QKeySequence(Qt::Key_Down)},
         "Turn the camera 5 degrees about the centre of the scene (or drag with the left button)",
         "Orbit Down"},
        {ID_CAMERA_FORWARD,
         "&Forward\tW",
         {QKeySequence(Qt::Key_W)},
         "Move the camera a tenth of the way to the centre of the scene (or turn the wheel)",
         "Forward"},
        {ID_CAMERA_BACK,
         "&Back\tS",
         {QKeySequence(Qt::Key_S)},
         "Move the camera away from the centre of the scene (or turn the wheel)",
         "Back"},
        {ID_CAMERA_PAN_LEFT,
         "Pan L&eft\tA",
         {QKeySequence(Qt::Key_A)},
         "Move the camera sideways in its image plane (or drag with the right button)",
         "Pan Left"},
        {ID_CAMERA_PAN_RIGHT,
         "Pan Ri&ght\tD",
         {QKeySequence(Qt::Key_D)},
         "Move the camera sideways in its image plane (or drag with the right button)",
         "Pan Right"},
        {ID_CAMERA_HOME,
         "&Source Camera\tHome",
         {QKeySequence(Qt::Key_Home)},
         "Return to the camera of the source image",
         "Source Camera"},
        {ID_CAMERA_COPY,
         "&Copy Camera\tCtrl+Shift+C",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
         "Copy a morrow-warp command line that renders the current camera",
         "Copy Camera"},
    };
    return s_Commands;
}

// Menu 128. 0 is a separator, -1 the placeholder of the recent-file list.
constexpr int kSeparator = 0;
constexpr int kRecentFile = -1;
struct PopupInfo {
    const char* pszText;
    QList<int> items;
};
const QList<PopupInfo>& MenuTable() {
    static const QList<PopupInfo> s_Menu = {
        {"&File",
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, kSeparator, ID_FILE_PRINT,
          ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, kSeparator, kRecentFile, kSeparator,
          ID_APP_EXIT}},
        {"&Edit", {ID_EDIT_UNDO, kSeparator, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}},
        {"&View",
         {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, kSeparator, ID_VIEW_ACTUAL_SIZE,
          ID_VIEW_FIT_TO_WINDOW, ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT, kSeparator,
          ID_VIEW_EPIPOLE_OVERLAY, ID_VIEW_DISOCCLUSION_OVERLAY}},
        {"&Help", {ID_APP_ABOUT}},
        {"LOADIMAGE", {ID_LOAD_IMAGEDATA, ID_FREE_CAMERA_MOVE, ID_FOCUS_CAMERA_MOVE}},
        {"Save", {ID_SAVE_SOURCE_FILE, ID_SAVE_WARPED_FILE, kSeparator, ID_SAVE_WARPED_RGBD}},
        // Live navigation, after the menus above, which keep their places.
        {"&Camera",
         {ID_CAMERA_ORBIT_LEFT, ID_CAMERA_ORBIT_RIGHT, ID_CAMERA_ORBIT_UP, ID_CAMERA_ORBIT_DOWN,
          kSeparator, ID_CAMERA_FORWARD, ID_CAMERA_BACK, ID_CAMERA_PAN_LEFT, ID_CAMERA_PAN_RIGHT,
          kSeparator, ID_CAMERA_HOME, ID_CAMERA_COPY}},
    };
    return s_Menu;
}

// Toolbar 128; 0 is a separator.
const int kToolbarButtons[] = {ID_FILE_NEW,   ID_FILE_OPEN,
                               ID_FILE_SAVE,  0,
                               ID_EDIT_CUT,   ID_EDIT_COPY,
                               ID_EDIT_PASTE, 0,
                               ID_FILE_PRINT, 0,
                               ID_APP_ABOUT};

// A sheet of paper with a folded corner, at (x, y), w x h.
void DrawPage(QPainter& p, int x, int y, int w, int h) {
    const QPolygon page({QPoint(x, y), QPoint(x + w - 4, y), QPoint(x + w, y + 4),
                         QPoint(x + w, y + h), QPoint(x, y + h)});
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(page);
    p.drawLine(x + w - 4, y, x + w - 4, y + 4);
    p.drawLine(x + w - 4, y + 4, x + w, y + 4);
}

} // namespace

QPixmap CMainFrame::ToolbarImage(int nID) {
    QImage image(16, 15, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const QColor black(0, 0, 0), grey(128, 128, 128), yellow(230, 190, 40), blue(30, 70, 160),
        red(190, 40, 40), white(255, 255, 255);
    switch (nID) {
    case ID_FILE_NEW:
        DrawPage(p, 3, 1, 9, 12);
        break;
    case ID_FILE_OPEN: // an open folder
        p.setPen(black);
        p.setBrush(yellow);
        p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(5, 3), QPoint(6, 4), QPoint(12, 4),
                                QPoint(12, 12), QPoint(1, 12)}));
        p.setBrush(QColor(250, 220, 100));
        p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(12, 12), QPoint(1, 12)}));
        break;
    case ID_FILE_SAVE: // a diskette
        p.setPen(black);
        p.setBrush(blue);
        p.drawRect(1, 1, 13, 12);
        p.setBrush(white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(grey);
        p.drawRect(4, 9, 7, 4);
        break;
    case ID_EDIT_CUT: // scissors
        p.setPen(black);
        p.drawLine(4, 1, 9, 8);
        p.drawLine(11, 1, 6, 8);
        p.setBrush(Qt::NoBrush);
        p.setPen(red);
        p.drawEllipse(2, 8, 4, 4);
        p.drawEllipse(9, 8, 4, 4);
        break;
    case ID_EDIT_COPY: // two sheets
        DrawPage(p, 1, 1, 8, 9);
        DrawPage(p, 6, 4, 8, 10);
        break;
    case ID_EDIT_PASTE: // a clipboard with a sheet
        p.setPen(black);
        p.setBrush(QColor(160, 110, 50));
        p.drawRect(1, 2, 10, 12);
        p.setBrush(grey);
        p.drawRect(4, 1, 4, 2);
        DrawPage(p, 7, 6, 7, 8);
        break;
    case ID_FILE_PRINT: // a printer with a sheet
        DrawPage(p, 4, 0, 8, 6);
        p.setPen(black);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(1, 6, 14, 6);
        p.setBrush(white);
        p.drawRect(4, 11, 8, 3);
        p.setPen(QColor(0, 160, 0));
        p.drawPoint(13, 8);
        break;
    case ID_APP_ABOUT: { // a question mark
        QFont font = p.font();
        font.setPixelSize(14);
        font.setBold(true);
        p.setFont(font);
        p.setPen(blue);
        p.drawText(QRect(0, 0, 16, 15), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default:
        p.end();
        return QPixmap();
    }
    p.end();
    return QPixmap::fromImage(image);
}

CMainFrame::CMainFrame() : m_wndStatusBar(nullptr), m_wndToolBar(nullptr) {
    setObjectName(QStringLiteral("MainFrame"));
    resize(640, 520);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::LoadMenuAndAccelerators() {
    for (const CommandInfo& info : Commands()) {
        AddCommand(info.nID, QString::fromLatin1(info.pszText), info.shortcuts,
                   QString::fromLatin1(info.pszPrompt), QString::fromLatin1(info.pszTip));
    }
    // The overlays are toggles; the view keeps the state and sets the checks.
    GetCommand(ID_VIEW_EPIPOLE_OVERLAY)->setCheckable(true);
    GetCommand(ID_VIEW_DISOCCLUSION_OVERLAY)->setCheckable(true);
    for (const PopupInfo& popup : MenuTable()) {
        QMenu* pMenu = menuBar()->addMenu(QString::fromLatin1(popup.pszText));
        HookMenu(pMenu);
        for (int nItem : popup.items) {
            if (nItem == kSeparator) {
                pMenu->addSeparator();
            } else if (nItem == kRecentFile) {
                QAction* pPlaceholder = pMenu->addAction(QStringLiteral("Recent File"));
                pPlaceholder->setData(ID_FILE_MRU_FILE1);
                pPlaceholder->setEnabled(false);
                SetRecentFileMenu(pMenu, pPlaceholder);
            } else {
                pMenu->addAction(GetCommand(nItem));
            }
        }
    }
}

bool CMainFrame::LoadToolBar() {
    for (int nID : kToolbarButtons) {
        if (nID == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* pAction = GetCommand(nID);
        if (!pAction)
            return false;
        pAction->setIcon(QIcon(ToolbarImage(nID)));
        m_wndToolBar->addAction(pAction);
    }
    return true;
}

int CMainFrame::OnCreate() {
    LoadMenuAndAccelerators();
    if (CFrameWnd::OnCreate() == -1)
        return -1;

    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QString::number(IDW_TOOLBAR));
    m_wndToolBar->setIconSize(QSize(16, 15));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    if (!LoadToolBar()) {
        TraceLine("%s", "Failed to create toolbar\n");
        return -1;
    }

    m_wndStatusBar = new CStatusBar(this);
    m_wndStatusBar->setObjectName(QString::number(IDW_STATUS_BAR));
    const QList<CStatusBar::Pane> panes = {{0, QStringLiteral("Ready")},
                                           {ID_INDICATOR_CAPS, QStringLiteral("CAP")},
                                           {ID_INDICATOR_NUM, QStringLiteral("NUM")},
                                           {ID_INDICATOR_SCRL, QStringLiteral("SCRL")}};
    if (!m_wndStatusBar->SetIndicators(panes)) {
        TraceLine("%s", "Failed to create status bar\n");
        return -1;
    }
    setStatusBar(m_wndStatusBar);

    // The toolbar may dock on any side and float; it starts at the top.
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    return 0;
}
