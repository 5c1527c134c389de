#include "platform/Document.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

#include "framework/Services.h"
#include "platform/FileDialog.h"
#include "platform/FrameWnd.h"
#include "platform/StdIds.h"
#include "platform/View.h"
#include "platform/WinApp.h"

CDocument::CDocument()
    : m_strTitle(QStringLiteral("Untitled")), m_bModified(false), m_pTemplate(nullptr),
      m_pView(nullptr) {}

CDocument::~CDocument() = default;

void CDocument::SetTitle(const QString& strTitle) {
    m_strTitle = strTitle;
    UpdateFrameTitle();
}

void CDocument::SetPathName(const QString& strPathName, bool bAddToMRU) {
    m_strPathName = QFileInfo(strPathName).absoluteFilePath();
    SetTitle(QFileInfo(m_strPathName).fileName());
    if (bAddToMRU && CWinApp::GetApp())
        CWinApp::GetApp()->AddToRecentFileList(m_strPathName);
}

void CDocument::UpdateFrameTitle() {
    if (m_pView) {
        if (CFrameWnd* pFrame = m_pView->GetParentFrame())
            pFrame->OnUpdateFrameTitle();
    }
}

bool CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    m_bModified = false;
    SetTitle(QStringLiteral("Untitled"));
    return true;
}

bool CDocument::OnOpenDocument(const QString& strPathName) {
    QFile file(strPathName);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessageBox(
            QStringLiteral("Cannot open the document %1.").arg(strPathName).toUtf8().constData());
        return false;
    }
    DeleteContents();
    CArchive ar(&file, false);
    Serialize(ar);
    m_bModified = false;
    return true;
}

bool CDocument::OnSaveDocument(const QString& strPathName) {
    QSaveFile file(strPathName);
    bool bOk = file.open(QIODevice::WriteOnly);
    if (bOk) {
        CArchive ar(&file, true);
        Serialize(ar);
        bOk = file.commit();
    }
    if (!bOk) {
        ShowMessageBox(
            QStringLiteral("Cannot save the document %1.").arg(strPathName).toUtf8().constData());
        return false;
    }
    m_bModified = false;
    return true;
}

bool CDocument::SaveModified() {
    if (!m_bModified)
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        nullptr, QApplication::applicationDisplayName(),
        QStringLiteral("Save changes to %1?").arg(m_strTitle),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::No)
        return true;
    return DoFileSave();
}

bool CDocument::DoSave(const QString& strPathName, bool bReplace) {
    QString strPath = strPathName;
    if (strPath.isEmpty()) {
        CFileDialog dialog(false, QString(), m_strTitle, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                           QString(), m_pView ? m_pView->window() : nullptr);
        if (!dialog.DoModal())
            return false;
        strPath = dialog.GetPathName();
    }
    if (!OnSaveDocument(strPath))
        return false;
    if (bReplace)
        SetPathName(strPath);
    return true;
}

bool CDocument::DoFileSave() {
    // A new document, or one whose file has gone, asks for a name.
    if (m_strPathName.isEmpty())
        return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocument::OnCmdMsg(int nID, bool bExecute) {
    switch (nID) {
    case ID_FILE_SAVE:
        if (bExecute)
            DoFileSave();
        return true;
    case ID_FILE_SAVE_AS:
        if (bExecute)
            DoSave(QString());
        return true;
    default:
        return false;
    }
}
