#include "ui/MorrowView.h"

#include <cstddef>
#include <new>

#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <GL/gl.h>
#include <GL/glu.h>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "platform/Document.h"
#include "ui/ImageSlots.h"
#include "ui/Resource.h"

// The native window the view draws into. Its events become the view's paint and size
// handlers.
class CGLWindow : public QWindow {
public:
    explicit CGLWindow(CMorrowView* pView) : m_pView(pView) {
        setSurfaceType(QSurface::OpenGLSurface);
    }

protected:
    void exposeEvent(QExposeEvent*) override {
        if (isExposed())
            m_pView->OnPaint();
    }
    void resizeEvent(QResizeEvent* pEvent) override {
        // The viewport is in device pixels, so a buffer pixel is a screen pixel also on a
        // high-density screen.
        const qreal dRatio = devicePixelRatio();
        m_pView->OnSize(0, qRound(pEvent->size().width() * dRatio),
                        qRound(pEvent->size().height() * dRatio));
    }
    bool event(QEvent* pEvent) override {
        if (pEvent->type() == QEvent::UpdateRequest) {
            if (isExposed())
                m_pView->OnPaint();
            return true;
        }
        return QWindow::event(pEvent);
    }

private:
    CMorrowView* m_pView;
};

CMorrowView::CMorrowView(QWidget* pParent)
    : CView(pParent), m_nDisplayMode(kDisplayNothing), m_pDisplayBuffer(nullptr),
      m_nDisplayWidth(0), m_nDisplayHeight(0), m_pGLWindow(nullptr), m_pContainer(nullptr),
      m_bWindowDestroyed(false) {
    m_pGLWindow = new CGLWindow(this);
    m_pContainer = QWidget::createWindowContainer(m_pGLWindow, this);
    m_pContainer->setFocusPolicy(Qt::NoFocus);
    QVBoxLayout* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pContainer);
    setMinimumSize(1, 1);
}

CMorrowView::~CMorrowView() {
    if (!m_bWindowDestroyed)
        OnDestroy();
    FreeDisplayBuffer();
}

CImageSlots* CMorrowView::GetImageSlots() const {
    CDocument* pDoc = CView::GetDocument();
    CImageSlots* pSlots = dynamic_cast<CImageSlots*>(pDoc);
    MORROW_ASSERT(pDoc == nullptr || pSlots != nullptr);
    return pSlots;
}

int CMorrowView::OnCreate() {
    if (CView::OnCreate() == -1)
        return -1;
    m_GLContext.CreateContext(m_pGLWindow);
    return 0;
}

void CMorrowView::OnInitialUpdate() {
    CView::OnInitialUpdate();
    m_GLContext.InitGL();
    FreeDisplayBuffer();
    m_nDisplayMode = kDisplayNothing;
}

void CMorrowView::OnSize(unsigned nType, int cx, int cy) {
    (void)nType;
    if (cx > 0 && cy > 0 && m_GLContext.MakeCurrent())
        glViewport(0, 0, cx, cy);
}

bool CMorrowView::OnEraseBkgnd() {
    return false;
}

void CMorrowView::OnPaint() {
    if (m_GLContext.MakeCurrent()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glShadeModel(GL_FLAT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        GLint viewport[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, viewport);
        // The 2-D mapping sits on the model-view matrix; the projection stays the identity.
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluOrtho2D(0.0, viewport[2], 0.0, viewport[3]);
        if (m_nDisplayMode == kDisplaySource || m_nDisplayMode == kDisplayWarped) {
            MORROW_ASSERT(m_pDisplayBuffer != nullptr);
            // Without a buffer the cleared, black window is what is shown.
            if (m_pDisplayBuffer && m_nDisplayWidth > 0 && m_nDisplayHeight > 0) {
                glRasterPos2i(0, 0);
                glDrawPixels(m_nDisplayWidth, m_nDisplayHeight, GL_RGB, GL_UNSIGNED_BYTE,
                             m_pDisplayBuffer);
            }
        }
    }
    m_GLContext.SwapGLBuffers();
}

void CMorrowView::OnDestroy() {
    m_bWindowDestroyed = true;
    m_GLContext.DestroyContext();
}

void CMorrowView::OnDraw(QPainter* pPainter) {
    (void)pPainter;
}

bool CMorrowView::OnPreparePrinting(CPrintInfo* pInfo) {
    return DoPreparePrinting(pInfo);
}

void CMorrowView::OnBeginPrinting(QPainter* pPainter, CPrintInfo* pInfo) {
    (void)pPainter;
    (void)pInfo;
}

void CMorrowView::OnEndPrinting(QPainter* pPainter, CPrintInfo* pInfo) {
    (void)pPainter;
    (void)pInfo;
}

void CMorrowView::FreeDisplayBuffer() {
    delete[] m_pDisplayBuffer;
    m_pDisplayBuffer = nullptr;
    m_nDisplayWidth = 0;
    m_nDisplayHeight = 0;
}

void CMorrowView::RefreshDisplay(const CViewImage& image) {
    FreeDisplayBuffer();
    const int w = image.GetWidth();
    const int h = image.GetHeight();
    const PixelSample* pSamples = image.GetSamples();
    if (!pSamples || w <= 0 || h <= 0)
        return;
    const std::size_t nBytes = std::size_t(w) * std::size_t(h) * 3u;
    m_pDisplayBuffer = new (std::nothrow) unsigned char[nBytes];
    if (!m_pDisplayBuffer)
        return;
    m_nDisplayWidth = w;
    m_nDisplayHeight = h;
    image.WriteDisplayBytes(m_pDisplayBuffer);
}

void CMorrowView::RepaintNow() {
    if (m_pGLWindow && m_pGLWindow->isExposed())
        OnPaint();
}

bool CMorrowView::OnCmdMsg(int nID, bool bExecute) {
    switch (nID) {
    case ID_LOAD_IMAGEDATA:
        if (bExecute)
            OnLoadImagedata();
        return true;
    case ID_FREE_CAMERA_MOVE:
        if (bExecute)
            OnFreeCameraMove();
        return true;
    case ID_FOCUS_CAMERA_MOVE:
        if (bExecute)
            OnFocusCameraMove();
        return true;
    case ID_SAVE_SOURCE_FILE:
        if (bExecute)
            OnSaveSourceFile();
        return true;
    case ID_SAVE_WARPED_FILE:
        if (bExecute)
            OnSaveWarpedFile();
        return true;
    default:
        return CView::OnCmdMsg(nID, bExecute);
    }
}
