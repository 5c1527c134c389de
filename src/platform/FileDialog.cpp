#include "platform/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {
CFileDialog::Hook& TheHook() {
    static CFileDialog::Hook hook;
    return hook;
}
} // namespace

CFileDialog::CFileDialog(bool bOpen, const QString& strDefExt, const QString& strFileName,
                         unsigned nFlags, const QString& strFilter, QWidget* pParent)
    : m_bOpen(bOpen), m_strDefExt(strDefExt), m_strFileName(strFileName), m_nFlags(nFlags),
      m_strFilter(strFilter), m_pParent(pParent) {}

CFileDialog::Hook CFileDialog::SetHook(Hook hook) {
    Hook old = std::move(TheHook());
    TheHook() = std::move(hook);
    return old;
}

QString CFileDialog::ApplyDefaultExtension(const QString& strPath, const QString& strDefExt) {
    if (strPath.isEmpty() || strDefExt.isEmpty())
        return strPath;
    if (QFileInfo(strPath).fileName().contains(QLatin1Char('.')))
        return strPath;
    return strPath + QLatin1Char('.') + strDefExt;
}

bool CFileDialog::DoModal() {
    m_strPathName.clear();
    if (TheHook()) {
        const std::optional<QString> chosen = TheHook()(*this);
        if (!chosen || chosen->isEmpty())
            return false;
        m_strPathName = m_bOpen ? *chosen : ApplyDefaultExtension(*chosen, m_strDefExt);
        return true;
    }

    QFileDialog dialog(m_pParent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The dialog asks before replacing a file itself; that check is done below, after the
    // default extension has been appended, so that it looks at the file actually written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!m_strFilter.isEmpty())
        dialog.setNameFilter(m_strFilter);
    if (!m_strFileName.isEmpty())
        dialog.selectFile(m_strFileName);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        QString strPath = dialog.selectedFiles().first();
        if (!m_bOpen)
            strPath = ApplyDefaultExtension(strPath, m_strDefExt);
        if (!m_bOpen && (m_nFlags & OFN_OVERWRITEPROMPT) && QFileInfo::exists(strPath)) {
            const QString strQuestion =
                QStringLiteral("%1 already exists.\nDo you want to replace it?")
                    .arg(QFileInfo(strPath).fileName());
            if (QMessageBox::warning(&dialog, dialog.windowTitle(), strQuestion,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) != QMessageBox::Yes)
                continue; // back to the dialog, as the user expects
        }
        m_strPathName = strPath;
        return true;
    }
}
