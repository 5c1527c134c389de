// CMorrowApp, the application object, and CAboutDlg, the About box.
#pragma once

#include <QDialog>

#include "platform/WinApp.h"

// The version as the program reports it (morrow --version).
extern const char kMorrowVersion[];

class CMorrowApp : public CWinApp {
public:
    // Uses the QApplication that exists, or makes one from argc/argv.
    CMorrowApp(int& argc, char** argv);
    ~CMorrowApp() override;

    // The start-up steps in order; false when the application has to end (no window).
    bool InitInstance() override;

    // Help, About (57664).
    void OnAppAbout();
    bool OnCmdMsg(int nID, bool bExecute) override;

    // The template string of resource 128.
    static const char kDocStrings[];
};

// The About box: the program icon, "Morrow Version 1.0" and OK, laid out in dialog units of
// its font.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
};
