#include "platform/DocTemplate.h"

#include "framework/Services.h"
#include "platform/Document.h"
#include "platform/FrameWnd.h"
#include "platform/View.h"

CSingleDocTemplate::CSingleDocTemplate(int nIDResource, const QString& strDocStrings,
                                       DocFactory makeDoc, FrameFactory makeFrame,
                                       ViewFactory makeView)
    : m_nIDResource(nIDResource), m_DocStrings(strDocStrings.split(QLatin1Char('\n'))),
      m_makeDoc(std::move(makeDoc)), m_makeFrame(std::move(makeFrame)),
      m_makeView(std::move(makeView)), m_pDocument(nullptr), m_pFrame(nullptr), m_pView(nullptr) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    CloseAll();
}

QString CSingleDocTemplate::GetDocString(DocStringIndex nIndex) const {
    return int(nIndex) < m_DocStrings.size() ? m_DocStrings[int(nIndex)] : QString();
}

void CSingleDocTemplate::CloseAll() {
    // The view goes with its frame; its window is destroyed before the document goes.
    delete m_pFrame;
    m_pFrame = nullptr;
    m_pView = nullptr;
    delete m_pDocument;
    m_pDocument = nullptr;
}

bool CSingleDocTemplate::CreateObjects() {
    m_pDocument = m_makeDoc();
    m_pDocument->SetTemplate(this);
    m_pFrame = m_makeFrame();
    m_pFrame->SetFrameTitle(GetDocString(windowTitle));
    m_pView = m_makeView();
    m_pView->SetDocument(m_pDocument);
    m_pDocument->SetView(m_pView);
    m_pFrame->SetActiveView(m_pView);
    if (!m_pFrame->Create() || m_pView->OnCreate() == -1) {
        ShowMessageBox("Failed to create empty document.");
        CloseAll();
        return false;
    }
    return true;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString* pPathName) {
    if (!m_pDocument && !CreateObjects())
        return nullptr;
    if (!m_pDocument->SaveModified())
        return nullptr;
    if (pPathName) {
        if (!m_pDocument->OnOpenDocument(*pPathName))
            return nullptr;
        m_pDocument->SetPathName(*pPathName);
    } else {
        if (!m_pDocument->OnNewDocument())
            return nullptr;
    }
    m_pView->OnInitialUpdate();
    m_pFrame->OnUpdateFrameTitle();
    m_pFrame->UpdateCommandUI();
    return m_pDocument;
}
