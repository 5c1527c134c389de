// The recent-file list: the last few documents opened or saved, newest first, kept in the
// application's settings under the section "Recent File List" (keys File1, File2, ...).
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

class CRecentFileList {
public:
    // nSize: how many entries the list keeps (at least 1).
    explicit CRecentFileList(int nSize);

    int GetSize() const { return m_nSize; }
    // The entries, newest first; never more than GetSize().
    const QStringList& GetEntries() const { return m_Entries; }

    // Puts the absolute form of strPath at the front; an entry for the same file moves there.
    void Add(const QString& strPath);
    // Removes entry nIndex (0 = newest); out-of-range indexes are ignored.
    void Remove(int nIndex);

    // Reads and writes the section of the given settings. WriteList also removes stale keys.
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // Menu text of entry nIndex: "&1 path" for the newest entry.
    QString GetDisplayName(int nIndex) const;

private:
    int m_nSize;
    QStringList m_Entries;
};
