// The frame window base of the framework layer: a QMainWindow that owns the commands (one
// QAction per command id, shared by menu, toolbar and accelerators), routes them to the view,
// the document, the frame and the application, disables the ones nobody handles, keeps the
// title "<document> - <application>" and the recent-file entries of the File menu.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QMap>

#include "platform/CmdTarget.h"

class QAction;
class QMenu;
class CDocument;
class CView;

class CFrameWnd : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Creates the frame's parts through OnCreate. False when OnCreate returned -1.
    bool Create();
    // Builds menus, bars and so on; 0 on success, -1 on failure. The base does nothing.
    virtual int OnCreate() { return 0; }

    // The frame's own title part ("Morrow" in "Untitled - Morrow").
    void SetFrameTitle(const QString& strTitle) { m_strFrameTitle = strTitle; }
    const QString& GetFrameTitle() const { return m_strFrameTitle; }
    // Shows "<document title> - <frame title>" (just the frame title without a document).
    virtual void OnUpdateFrameTitle();

    // Makes the QAction of command nID (or returns the existing one). strText is the menu text,
    // with "&" mnemonics and an optional "\t" followed by the shortcut shown; shortcuts are the
    // accelerators; strPrompt is the fly-by status prompt and strTip the tool tip.
    QAction* AddCommand(int nID, const QString& strText,
                        const QList<QKeySequence>& shortcuts = QList<QKeySequence>(),
                        const QString& strPrompt = QString(), const QString& strTip = QString());
    // The action of command nID, or null.
    QAction* GetCommand(int nID) const;
    // The id of an action made by AddCommand, or 0.
    int GetCommandId(const QAction* pAction) const;

    // Offers nID to the view, the document, the frame and the application, in this order;
    // the first that handles it runs it. Returns false when nobody handles nID.
    bool ExecuteCommand(int nID);
    // Whether some target handles nID.
    bool IsCommandHandled(int nID) const;
    // Enables each command that some target handles and disables the rest; refreshes checks.
    void UpdateCommandUI();
    // Makes pMenu refresh the command states whenever it opens.
    void HookMenu(QMenu* pMenu);

    void SetActiveView(CView* pView);
    CView* GetActiveView() const { return m_pActiveView; }
    CDocument* GetActiveDocument() const;

    // pPlaceholder (a disabled item of pMenu) stands for the recent-file entries: it shows
    // while the list is empty, otherwise the entries take its place.
    void SetRecentFileMenu(QMenu* pMenu, QAction* pPlaceholder);
    void UpdateRecentFileMenu();

    // Exit (57665), show/hide toolbar (59392) and status bar (59393).
    bool OnCmdMsg(int nID, bool bExecute) override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    QString m_strFrameTitle;
    QMap<int, QAction*> m_Commands;
    CView* m_pActiveView;
    QMenu* m_pRecentMenu;
    QAction* m_pRecentPlaceholder;
    QList<QAction*> m_RecentActions;
};
