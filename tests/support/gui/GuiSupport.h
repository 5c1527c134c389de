// Helpers for the GUI tests (linked by them only: the core tests build without Qt): the
// application started as main starts it, menu commands, the modal dialogs they open, the file
// dialogs, and what the window shows.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileDialog.h"

class QTimer;
class QWidget;
class CFrameWnd;
class CMainFrame;
class CMorrowApp;
class CMorrowView;
class CMorrowDoc;
class CViewImage;

// The application as main starts it: CMorrowApp on the arguments, then InitInstance. Keeps the
// argument strings alive as long as the application (the QApplication keeps argc and argv).
class CStartedApp {
public:
    CStartedApp();
    ~CStartedApp();
    CStartedApp(const CStartedApp&) = delete;
    CStartedApp& operator=(const CStartedApp&) = delete;

    // Ends a previous run, then starts with args after the program name. With a valid size the
    // main window is resized to it. True when InitInstance succeeded and the window, its view,
    // the view's document and the view's OpenGL window are all there and exposed; false when
    // InitInstance failed (the application object stays, so that App() can be asked).
    bool Start(const QStringList& args = {}, const QSize& size = QSize());
    // Ends the run: the application, and with it the template's frame, view and document.
    void End();

    CMorrowApp* App() const { return m_pApp.get(); }
    CFrameWnd* Frame() const { return m_pFrame; }
    CMainFrame* MainFrame() const;
    CMorrowView* View() const { return m_pView; }
    CMorrowDoc* Doc() const { return m_pDoc; }

private:
    std::vector<QByteArray> m_Args;
    std::vector<char*> m_Argv;
    int m_nArgc = 0;
    std::unique_ptr<CMorrowApp> m_pApp;
    CFrameWnd* m_pFrame = nullptr;
    CMorrowView* m_pView = nullptr;
    CMorrowDoc* m_pDoc = nullptr;
};

// Runs a program and returns its exit code (-1 when it could not run); output in *pstrOutput.
int RunTool(const QString& strProgram, const QStringList& args, QString* pstrOutput = nullptr);

// Answers the file dialogs of the commands for its lifetime: each DoModal takes the next
// answer (nothing = Cancel) and records which dialog asked.
class CFileDialogAnswers {
public:
    explicit CFileDialogAnswers(std::vector<std::optional<QString>> answers);
    ~CFileDialogAnswers();
    struct Asked {
        bool bOpen;
        QString strDefExt;
        unsigned nFlags;
    };
    std::vector<Asked> asked;

private:
    std::vector<std::optional<QString>> m_Answers;
    CFileDialog::Hook m_OldHook;
};

// Plays the user's part in the modal dialogs that come up while a command runs: each time a
// different modal dialog becomes active (or the same one comes back after another), the next
// step gets it. Steps that never get a dialog leave Handled() below their number.
class CModalDriver {
public:
    explicit CModalDriver(std::vector<std::function<void(QWidget*)>> steps);
    ~CModalDriver();
    int Handled() const { return m_nNext; }

private:
    std::vector<std::function<void(QWidget*)>> m_Steps;
    QTimer* m_pTimer;
    QWidget* m_pLast;
    int m_nNext;
};

// Types the values into the fields with these ids (in order) and clicks the button nButton.
void FillAndClick(QWidget* pDialog, const std::vector<std::pair<int, QString>>& fields,
                  int nButton);

// Runs menu command nID of the frame (the QAction the menu shows).
void RunCommand(CFrameWnd* pFrame, int nID);

// The bytes of a BMP of the image (empty without a grid).
std::string BmpBytes(const CViewImage& image);

// Display bytes the view must hold for an image: red, green, blue per pixel, row 0 first.
std::vector<unsigned char> DisplayBytes(const CViewImage& image);

// The w x h pixels at the bottom-left of the view's window, as presented, row 0 at the bottom.
std::vector<unsigned char> ReadScreen(CMorrowView& view, int w, int h);

// The w x h pixels at the bottom-left of the view's picture, drawn and read back from the back
// buffer with glReadPixels, row 0 at the bottom (empty when the context is unusable).
std::vector<unsigned char> ReadGLPixels(CMorrowView& view, int w, int h);

// Locks or unlocks Caps Lock and Num Lock in the X server the test runs in (each GUI test has an
// Xvfb of its own), as pressing the keys would. False where that cannot be done (no X11
// connection, or built without the X11 client library).
bool SetKeyLocks(bool bCaps, bool bNum);
