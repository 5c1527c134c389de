#include "platform/FrameWnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

#include "platform/Document.h"
#include "platform/RecentFileList.h"
#include "platform/StdIds.h"
#include "platform/View.h"
#include "platform/WinApp.h"

CFrameWnd::CFrameWnd()
    : m_pActiveView(nullptr), m_pRecentMenu(nullptr), m_pRecentPlaceholder(nullptr) {}

CFrameWnd::~CFrameWnd() = default;

bool CFrameWnd::Create() {
    if (OnCreate() == -1)
        return false;
    UpdateCommandUI();
    OnUpdateFrameTitle();
    return true;
}

void CFrameWnd::OnUpdateFrameTitle() {
    CDocument* pDoc = GetActiveDocument();
    if (pDoc)
        setWindowTitle(pDoc->GetTitle() + QStringLiteral(" - ") + m_strFrameTitle);
    else
        setWindowTitle(m_strFrameTitle);
}

QAction* CFrameWnd::AddCommand(int nID, const QString& strText,
                               const QList<QKeySequence>& shortcuts, const QString& strPrompt,
                               const QString& strTip) {
    if (QAction* pExisting = GetCommand(nID))
        return pExisting;
    QAction* pAction = new QAction(strText, this);
    pAction->setShortcuts(shortcuts);
    pAction->setShortcutContext(Qt::WindowShortcut);
    pAction->setStatusTip(strPrompt);
    if (!strTip.isEmpty())
        pAction->setToolTip(strTip);
    pAction->setData(nID);
    // Accelerators of commands that are in no menu work through the frame itself.
    addAction(pAction);
    connect(pAction, &QAction::triggered, this, [this, nID]() { ExecuteCommand(nID); });
    m_Commands.insert(nID, pAction);
    return pAction;
}

QAction* CFrameWnd::GetCommand(int nID) const {
    return m_Commands.value(nID, nullptr);
}

int CFrameWnd::GetCommandId(const QAction* pAction) const {
    for (auto it = m_Commands.constBegin(); it != m_Commands.constEnd(); ++it) {
        if (it.value() == pAction)
            return it.key();
    }
    return 0;
}

CDocument* CFrameWnd::GetActiveDocument() const {
    return m_pActiveView ? m_pActiveView->GetDocument() : nullptr;
}

void CFrameWnd::SetActiveView(CView* pView) {
    m_pActiveView = pView;
    if (pView)
        setCentralWidget(pView);
}

bool CFrameWnd::ExecuteCommand(int nID) {
    CCmdTarget* targets[] = {m_pActiveView, GetActiveDocument(), this, CWinApp::GetApp()};
    bool bHandled = false;
    for (CCmdTarget* pTarget : targets) {
        if (pTarget && pTarget->OnCmdMsg(nID, true)) {
            bHandled = true;
            break;
        }
    }
    UpdateCommandUI();
    return bHandled;
}

bool CFrameWnd::IsCommandHandled(int nID) const {
    const CCmdTarget* targets[] = {m_pActiveView, GetActiveDocument(), this, CWinApp::GetApp()};
    for (const CCmdTarget* pTarget : targets) {
        if (pTarget && const_cast<CCmdTarget*>(pTarget)->OnCmdMsg(nID, false))
            return true;
    }
    return false;
}

void CFrameWnd::UpdateCommandUI() {
    for (auto it = m_Commands.constBegin(); it != m_Commands.constEnd(); ++it)
        it.value()->setEnabled(IsCommandHandled(it.key()));
    if (QAction* pToolbar = GetCommand(ID_VIEW_TOOLBAR)) {
        QToolBar* pBar = findChild<QToolBar*>();
        pToolbar->setCheckable(true);
        pToolbar->setChecked(pBar && !pBar->isHidden());
    }
    if (QAction* pStatus = GetCommand(ID_VIEW_STATUS_BAR)) {
        QStatusBar* pBar = findChild<QStatusBar*>();
        pStatus->setCheckable(true);
        pStatus->setChecked(pBar && !pBar->isHidden());
    }
    UpdateRecentFileMenu();
}

void CFrameWnd::HookMenu(QMenu* pMenu) {
    connect(pMenu, &QMenu::aboutToShow, this, &CFrameWnd::UpdateCommandUI);
}

void CFrameWnd::SetRecentFileMenu(QMenu* pMenu, QAction* pPlaceholder) {
    m_pRecentMenu = pMenu;
    m_pRecentPlaceholder = pPlaceholder;
    UpdateRecentFileMenu();
}

void CFrameWnd::UpdateRecentFileMenu() {
    if (!m_pRecentMenu || !m_pRecentPlaceholder)
        return;
    for (QAction* pAction : m_RecentActions) {
        m_pRecentMenu->removeAction(pAction);
        pAction->deleteLater();
    }
    m_RecentActions.clear();
    CWinApp* pApp = CWinApp::GetApp();
    const CRecentFileList* pList = pApp ? pApp->GetRecentFileList() : nullptr;
    const int nEntries = pList ? int(pList->GetEntries().size()) : 0;
    m_pRecentPlaceholder->setVisible(nEntries == 0);
    m_pRecentPlaceholder->setEnabled(false);
    for (int i = 0; i < nEntries; ++i) {
        const int nID = ID_FILE_MRU_FILE1 + i;
        QAction* pAction = new QAction(pList->GetDisplayName(i), this);
        pAction->setData(nID);
        pAction->setStatusTip(QStringLiteral("Open this document"));
        connect(pAction, &QAction::triggered, this, [this, nID]() { ExecuteCommand(nID); });
        m_pRecentMenu->insertAction(m_pRecentPlaceholder, pAction);
        m_RecentActions.append(pAction);
    }
}

bool CFrameWnd::OnCmdMsg(int nID, bool bExecute) {
    switch (nID) {
    case ID_APP_EXIT:
        if (bExecute)
            close();
        return true;
    case ID_VIEW_TOOLBAR:
        if (bExecute) {
            if (QToolBar* pBar = findChild<QToolBar*>())
                pBar->setVisible(pBar->isHidden());
        }
        return true;
    case ID_VIEW_STATUS_BAR:
        if (bExecute) {
            if (QStatusBar* pBar = findChild<QStatusBar*>())
                pBar->setVisible(pBar->isHidden());
        }
        return true;
    default:
        return false;
    }
}

void CFrameWnd::closeEvent(QCloseEvent* pEvent) {
    CDocument* pDoc = GetActiveDocument();
    if (pDoc && !pDoc->SaveModified()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}
