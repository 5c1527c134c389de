#include "platform/View.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "platform/FrameWnd.h"
#include "platform/StdIds.h"
#include "platform/WinApp.h"

CView::CView(QWidget* pParent) : QWidget(pParent), m_pDocument(nullptr) {}

CView::~CView() = default;

CFrameWnd* CView::GetParentFrame() const {
    return qobject_cast<CFrameWnd*>(window());
}

void CView::OnBeginPrinting(QPainter* pPainter, CPrintInfo* pInfo) {
    (void)pPainter;
    (void)pInfo;
}

void CView::OnEndPrinting(QPainter* pPainter, CPrintInfo* pInfo) {
    (void)pPainter;
    (void)pInfo;
}

bool CView::DoPreparePrinting(CPrintInfo* pInfo) {
    if (pInfo->m_bDirect || pInfo->m_bPreview)
        return true;
    QPrintDialog dialog(pInfo->m_pPrinter, window());
    dialog.setMinMax(pInfo->m_nMinPage, pInfo->m_nMaxPage);
    return dialog.exec() == QDialog::Accepted;
}

void CView::PrintPages(CPrintInfo* pInfo) {
    QPainter painter;
    if (!painter.begin(pInfo->m_pPrinter))
        return;
    OnBeginPrinting(&painter, pInfo);
    // With an unknown page count only the first page is printed.
    const int nLast = pInfo->m_nMaxPage == 0xFFFF ? pInfo->m_nMinPage : pInfo->m_nMaxPage;
    pInfo->m_bContinuePrinting = true;
    for (pInfo->m_nCurPage = pInfo->m_nMinPage;
         pInfo->m_nCurPage <= nLast && pInfo->m_bContinuePrinting; ++pInfo->m_nCurPage) {
        if (pInfo->m_nCurPage > pInfo->m_nMinPage)
            pInfo->m_pPrinter->newPage();
        painter.save();
        OnDraw(&painter);
        painter.restore();
    }
    OnEndPrinting(&painter, pInfo);
    painter.end();
}

void CView::OnFilePrint(bool bDirect) {
    CPrintInfo info;
    info.m_pPrinter = CWinApp::GetApp() ? CWinApp::GetApp()->GetPrinter() : nullptr;
    QPrinter localPrinter;
    if (!info.m_pPrinter)
        info.m_pPrinter = &localPrinter;
    info.m_bDirect = bDirect;
    if (OnPreparePrinting(&info))
        PrintPages(&info);
}

void CView::OnFilePrintPreview() {
    CPrintInfo info;
    info.m_pPrinter = CWinApp::GetApp() ? CWinApp::GetApp()->GetPrinter() : nullptr;
    QPrinter localPrinter;
    if (!info.m_pPrinter)
        info.m_pPrinter = &localPrinter;
    info.m_bPreview = true;
    if (!OnPreparePrinting(&info))
        return;
    QPrintPreviewDialog dialog(info.m_pPrinter, window());
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this, &info](QPrinter* pPrinter) {
        info.m_pPrinter = pPrinter;
        PrintPages(&info);
    });
    dialog.exec();
}

bool CView::OnCmdMsg(int nID, bool bExecute) {
    switch (nID) {
    case ID_FILE_PRINT:
        if (bExecute)
            OnFilePrint(false);
        return true;
    case ID_FILE_PRINT_DIRECT:
        if (bExecute)
            OnFilePrint(true);
        return true;
    case ID_FILE_PRINT_PREVIEW:
        if (bExecute)
            OnFilePrintPreview();
        return true;
    default:
        return false;
    }
}
