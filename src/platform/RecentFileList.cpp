#include "platform/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char kSection[] = "Recent File List";
}

CRecentFileList::CRecentFileList(int nSize) : m_nSize(nSize < 1 ? 1 : nSize) {}

void CRecentFileList::Add(const QString& strPath) {
    if (strPath.isEmpty())
        return;
    const QString strAbsolute = QFileInfo(strPath).absoluteFilePath();
    m_Entries.removeAll(strAbsolute);
    m_Entries.prepend(strAbsolute);
    while (m_Entries.size() > m_nSize)
        m_Entries.removeLast();
}

void CRecentFileList::Remove(int nIndex) {
    if (nIndex >= 0 && nIndex < m_Entries.size())
        m_Entries.removeAt(nIndex);
}

void CRecentFileList::ReadList(QSettings& settings) {
    m_Entries.clear();
    settings.beginGroup(kSection);
    for (int i = 0; i < m_nSize; ++i) {
        const QString strPath = settings.value(QStringLiteral("File%1").arg(i + 1)).toString();
        // Keep the order but skip holes and repeats a hand-edited file might contain.
        if (!strPath.isEmpty() && !m_Entries.contains(strPath))
            m_Entries.append(strPath);
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const {
    settings.beginGroup(kSection);
    settings.remove(QString()); // drop every old key of the section
    for (int i = 0; i < m_Entries.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), m_Entries[i]);
    settings.endGroup();
    settings.sync();
}

QString CRecentFileList::GetDisplayName(int nIndex) const {
    if (nIndex < 0 || nIndex >= m_Entries.size())
        return QString();
    // A literal '&' in a path would otherwise become a mnemonic.
    QString strPath = m_Entries[nIndex];
    strPath.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(nIndex + 1).arg(strPath);
}
