// The view base of the framework layer: a widget that shows a document, draws for printing
// through OnDraw, and handles Print, direct Print and Print Preview.
#pragma once

#include <QWidget>

#include "platform/CmdTarget.h"

class QPainter;
class QPrinter;
class CDocument;
class CFrameWnd;

// What a print job knows: the printer, the page range and the page being printed.
struct CPrintInfo {
    QPrinter* m_pPrinter = nullptr;
    bool m_bPreview = false; // drawing for Print Preview
    bool m_bDirect = false;  // print without the print dialog
    int m_nMinPage = 1;
    int m_nMaxPage = 0xFFFF; // 0xFFFF: unknown, only the first page is printed
    int m_nCurPage = 1;
    bool m_bContinuePrinting = true;
};

class CView : public QWidget, public CCmdTarget {
    Q_OBJECT
public:
    explicit CView(QWidget* pParent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* pDocument) { m_pDocument = pDocument; }
    // The frame that holds this view, or null.
    CFrameWnd* GetParentFrame() const;

    // Window creation; 0 on success, -1 on failure. The base does nothing.
    virtual int OnCreate() { return 0; }
    // Called when a document has been attached: at start-up and after every new or opened
    // document. The base does nothing.
    virtual void OnInitialUpdate() {}
    // Draws the document for printing and print preview.
    virtual void OnDraw(QPainter* pPainter) = 0;
    // Print preparation: shows the print dialog unless printing directly or previewing.
    // Returns false when the user cancelled.
    virtual bool OnPreparePrinting(CPrintInfo* pInfo) { return DoPreparePrinting(pInfo); }
    virtual void OnBeginPrinting(QPainter* pPainter, CPrintInfo* pInfo);
    virtual void OnEndPrinting(QPainter* pPainter, CPrintInfo* pInfo);

    // The print dialog on pInfo's printer (none for direct printing and preview).
    bool DoPreparePrinting(CPrintInfo* pInfo);
    // Draws every page of a job onto pInfo->m_pPrinter.
    void PrintPages(CPrintInfo* pInfo);

    // Print (57607), direct Print (57608), Print Preview (57609).
    void OnFilePrint(bool bDirect);
    void OnFilePrintPreview();
    bool OnCmdMsg(int nID, bool bExecute) override;

private:
    CDocument* m_pDocument;
};
