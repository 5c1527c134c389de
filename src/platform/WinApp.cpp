#include "platform/WinApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QSettings>

#include "platform/DocTemplate.h"
#include "platform/FileDialog.h"
#include "platform/FrameWnd.h"
#include "platform/RecentFileList.h"
#include "platform/StdIds.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(int& argc, char** argv, const QString& strAppName)
    : m_pMainWnd(nullptr), m_strAppName(strAppName) {
    if (!QApplication::instance())
        m_pOwnApp = std::make_unique<QApplication>(argc, argv);
    // QApplication has taken its own options out of argv by now.
    for (int i = 0; i < argc; ++i)
        m_Arguments.append(QString::fromLocal8Bit(argv[i]));
    QApplication::setApplicationName(strAppName);
    QApplication::setApplicationDisplayName(strAppName);
    g_pApp = this;
}

CWinApp::~CWinApp() {
    // Frame, view and document go before the application object.
    m_pDocTemplate.reset();
    m_pMainWnd = nullptr;
    m_pPrinter.reset();
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* CWinApp::GetApp() {
    return g_pApp;
}

int CWinApp::Run() {
    return QApplication::exec();
}

void CWinApp::SetRegistryKey(const QString& strKey) {
    m_strRegistryKey = strKey;
    QCoreApplication::setOrganizationName(strKey);
}

std::unique_ptr<QSettings> CWinApp::OpenSettings() const {
    return std::make_unique<QSettings>(m_strRegistryKey, m_strAppName);
}

void CWinApp::LoadStdProfileSettings(int nMaxMRU) {
    m_pRecentFileList = std::make_unique<CRecentFileList>(nMaxMRU);
    std::unique_ptr<QSettings> pSettings = OpenSettings();
    m_pRecentFileList->ReadList(*pSettings);
}

void CWinApp::AddToRecentFileList(const QString& strPath) {
    if (!m_pRecentFileList)
        return;
    m_pRecentFileList->Add(strPath);
    // Stored at once, so that a crash or a killed session keeps the list.
    std::unique_ptr<QSettings> pSettings = OpenSettings();
    m_pRecentFileList->WriteList(*pSettings);
    if (m_pMainWnd)
        m_pMainWnd->UpdateRecentFileMenu();
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* pTemplate) {
    m_pDocTemplate.reset(pTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& cmdInfo) const {
    const QStringList& args = m_Arguments;
    cmdInfo = CCommandLineInfo();
    for (int i = 1; i < args.size(); ++i) {
        const QString& strArg = args[i];
        if (strArg.startsWith(QLatin1Char('-')) && strArg.size() > 1) {
            cmdInfo.m_Options.append(strArg);
            if (m_OptionsWithValue.contains(strArg) && i + 1 < args.size())
                cmdInfo.m_Options.append(args[++i]);
        } else if (cmdInfo.m_strFileName.isEmpty()) {
            cmdInfo.m_strFileName = strArg;
            cmdInfo.m_nShellCommand = CCommandLineInfo::FileOpen;
        }
    }
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& cmdInfo) {
    if (!m_pDocTemplate)
        return false;
    switch (cmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        if (!m_pDocTemplate->OpenDocumentFile(nullptr))
            return false;
        break;
    case CCommandLineInfo::FileOpen:
        if (!m_pDocTemplate->OpenDocumentFile(&cmdInfo.m_strFileName))
            return false;
        break;
    case CCommandLineInfo::FileNothing:
        return true;
    }
    m_pMainWnd = m_pDocTemplate->GetFrame();
    return m_pMainWnd != nullptr;
}

void CWinApp::OnFileNew() {
    if (m_pDocTemplate)
        m_pDocTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
    CFileDialog dialog(true, QString(), QString(), OFN_HIDEREADONLY, QString(), m_pMainWnd);
    if (dialog.DoModal())
        OpenDocumentFile(dialog.GetPathName());
}

bool CWinApp::OpenDocumentFile(const QString& strPath) {
    return m_pDocTemplate && m_pDocTemplate->OpenDocumentFile(&strPath) != nullptr;
}

QPrinter* CWinApp::GetPrinter() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>();
    return m_pPrinter.get();
}

void CWinApp::OnFilePrintSetup() {
    QPageSetupDialog dialog(GetPrinter(), m_pMainWnd);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    dialog.exec();
}

bool CWinApp::OnCmdMsg(int nID, bool bExecute) {
    switch (nID) {
    case ID_FILE_NEW:
        if (bExecute)
            OnFileNew();
        return true;
    case ID_FILE_OPEN:
        if (bExecute)
            OnFileOpen();
        return true;
    case ID_FILE_PRINT_SETUP:
        if (bExecute)
            OnFilePrintSetup();
        return true;
    default:
        break;
    }
    if (nID >= ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_FILE4 && m_pRecentFileList) {
        const int nIndex = nID - ID_FILE_MRU_FILE1;
        if (nIndex >= int(m_pRecentFileList->GetEntries().size()))
            return false;
        if (bExecute) {
            // A file that can no longer be opened leaves the list (the user has been told).
            const QString strPath = m_pRecentFileList->GetEntries()[nIndex];
            if (!OpenDocumentFile(strPath)) {
                m_pRecentFileList->Remove(nIndex);
                std::unique_ptr<QSettings> pSettings = OpenSettings();
                m_pRecentFileList->WriteList(*pSettings);
                if (m_pMainWnd)
                    m_pMainWnd->UpdateRecentFileMenu();
            }
        }
        return true;
    }
    return false;
}
