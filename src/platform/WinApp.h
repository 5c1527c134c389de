// The application base of the framework layer: owns the QApplication (or uses the one that
// exists), the settings, the recent-file list, the printer and the document template, and
// handles the application's standard commands (New, Open, Print Setup, the recent files).
#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "platform/CmdTarget.h"

class QApplication;
class QPrinter;
class QSettings;
class CFrameWnd;
class CRecentFileList;
class CSingleDocTemplate;

// What the command line asks for.
struct CCommandLineInfo {
    enum Command { FileNew, FileOpen, FileNothing };
    Command m_nShellCommand = FileNew;
    QString m_strFileName; // the document to open (FileOpen)
    QStringList m_Options; // options ("--name" and values) left for the application
};

class CWinApp : public CCmdTarget {
public:
    // Creates a QApplication from argc/argv unless one exists. strAppName is the title.
    CWinApp(int& argc, char** argv, const QString& strAppName);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The one application object, or null.
    static CWinApp* GetApp();

    // The start-up steps; false ends the application.
    virtual bool InitInstance() = 0;
    // Runs the event loop; returns the exit code.
    int Run();

    const QString& GetAppName() const { return m_strAppName; }
    // Settings are kept under organisation strKey and the application title.
    void SetRegistryKey(const QString& strKey);
    const QString& GetRegistryKey() const { return m_strRegistryKey; }
    // A QSettings on the application's section (the caller owns it).
    std::unique_ptr<QSettings> OpenSettings() const;
    // Reads the standard settings: a recent-file list of nMaxMRU entries.
    void LoadStdProfileSettings(int nMaxMRU = 4);
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }
    // Enters strPath in the recent-file list and stores the list at once.
    void AddToRecentFileList(const QString& strPath);

    // Registers the (single) document template; the application owns it.
    void AddDocTemplate(CSingleDocTemplate* pTemplate);
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }

    // The command line: no argument is FileNew, one argument not starting with '-' FileOpen.
    // Arguments starting with '-' (and the one after an option that takes a value) go to
    // m_Options. Reads the arguments given to the constructor (Qt's own options removed).
    void ParseCommandLine(CCommandLineInfo& cmdInfo) const;
    const QStringList& GetArguments() const { return m_Arguments; }
    // Carries out the command; false when it failed.
    bool ProcessShellCommand(const CCommandLineInfo& cmdInfo);

    // The main window, once made.
    CFrameWnd* m_pMainWnd;

    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    // Opens strPath as the document. False when it could not be opened.
    bool OpenDocumentFile(const QString& strPath);
    // The printer of print jobs and print setup.
    QPrinter* GetPrinter();

    // New (57600), Open (57601), Print Setup (57606), the recent files (57616...).
    bool OnCmdMsg(int nID, bool bExecute) override;

protected:
    // Options that take a value (e.g. "--imagedata"), so ParseCommandLine keeps the value
    // with the option instead of taking it for a document.
    QStringList m_OptionsWithValue;

private:
    std::unique_ptr<QApplication> m_pOwnApp;
    QStringList m_Arguments;
    QString m_strAppName;
    QString m_strRegistryKey;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    std::unique_ptr<QPrinter> m_pPrinter;
};
