// File-open and file-save dialogs: Qt's own (non-native) file dialog, so that it looks and
// behaves the same on every desktop and can be driven in tests.
#pragma once

#include <functional>
#include <optional>

#include <QString>

class QWidget;

// Flags, with the values the commands pass.
enum : unsigned {
    OFN_OVERWRITEPROMPT = 0x2, // save dialog: ask before replacing an existing file
    OFN_HIDEREADONLY = 0x4,    // no read-only check box (Qt's dialog never has one)
};

class CFileDialog {
public:
    // bOpen: an open dialog (true) or a save dialog (false). strDefExt: appended, with a dot,
    // to a name chosen without an extension (save dialogs; empty = none). strFileName: initial
    // name. strFilter: Qt name filters separated by ";;" (empty = all files). pParent may be
    // null.
    CFileDialog(bool bOpen, const QString& strDefExt = QString(),
                const QString& strFileName = QString(), unsigned nFlags = 0,
                const QString& strFilter = QString(), QWidget* pParent = nullptr);

    // Runs the dialog modally. Returns true when the user chose a file (OK).
    bool DoModal();
    // The full path chosen, valid after DoModal returned true.
    const QString& GetPathName() const { return m_strPathName; }

    bool IsOpenDialog() const { return m_bOpen; }
    const QString& GetDefExt() const { return m_strDefExt; }
    unsigned GetFlags() const { return m_nFlags; }

    // A test replaces the user: while a hook is installed DoModal asks it instead of showing a
    // dialog. The hook gets the dialog (its kind, extension, flags) and returns the chosen path,
    // or nothing for Cancel. The default extension is still applied to the returned path.
    using Hook = std::function<std::optional<QString>(const CFileDialog& dialog)>;
    static Hook SetHook(Hook hook);

    // strPath with ".strDefExt" appended when its file name has no extension.
    static QString ApplyDefaultExtension(const QString& strPath, const QString& strDefExt);

private:
    bool m_bOpen;
    QString m_strDefExt;
    QString m_strFileName;
    unsigned m_nFlags;
    QString m_strFilter;
    QWidget* m_pParent;
    QString m_strPathName;
};
