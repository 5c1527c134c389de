// CMainFrame: the main window with the menu, the accelerators, the dockable toolbar and the
// status bar ("Ready" and the CAP, NUM and SCRL indicators).
#pragma once

#include "platform/FrameWnd.h"

class QToolBar;
class CStatusBar;

class CMainFrame : public CFrameWnd {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Menu and accelerators, then the toolbar, the status bar and the docking. Returns -1
    // (after a trace line) when a bar cannot be made, else 0.
    int OnCreate() override;

    CStatusBar* m_wndStatusBar;
    QToolBar* m_wndToolBar;

    // The 16 x 15 image of a toolbar button (a null pixmap for an unknown id).
    static QPixmap ToolbarImage(int nID);

private:
    void LoadMenuAndAccelerators();
    bool LoadToolBar();
};
