#include "ui/MorrowView.h"

#include <cmath>
#include <cstddef>
#include <new>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <GL/gl.h>
#include <GL/glu.h>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "platform/Document.h"
#include "platform/FrameWnd.h"
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
    // Mouse positions in device pixels from the bottom-left corner, as the display is drawn.
    QPointF DevicePoint(const QPointF& pos) const {
        const qreal dRatio = devicePixelRatio();
        return QPointF(pos.x() * dRatio, (height() - pos.y()) * dRatio);
    }
    void mousePressEvent(QMouseEvent* pEvent) override {
        const QPointF p = DevicePoint(pEvent->position());
        m_pView->OnMouseDown(pEvent->button(), pEvent->modifiers(), p.x(), p.y());
    }
    void mouseMoveEvent(QMouseEvent* pEvent) override {
        const QPointF p = DevicePoint(pEvent->position());
        m_pView->OnMouseMove(p.x(), p.y());
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_pView->OnMouseUp(); }
    void wheelEvent(QWheelEvent* pEvent) override {
        const QPointF p = DevicePoint(pEvent->position());
        m_pView->OnWheel(pEvent->angleDelta().y(), pEvent->modifiers(), p.x(), p.y());
    }
    // Keys that reach the window itself (the menu's shortcuts did not take them).
    void keyPressEvent(QKeyEvent* pEvent) override {
        static const struct {
            int nKey;
            int nID;
        } s_Keys[] = {{Qt::Key_Left, ID_CAMERA_ORBIT_LEFT}, {Qt::Key_Right, ID_CAMERA_ORBIT_RIGHT},
                      {Qt::Key_Up, ID_CAMERA_ORBIT_UP},     {Qt::Key_Down, ID_CAMERA_ORBIT_DOWN},
                      {Qt::Key_W, ID_CAMERA_FORWARD},       {Qt::Key_S, ID_CAMERA_BACK},
                      {Qt::Key_A, ID_CAMERA_PAN_LEFT},      {Qt::Key_D, ID_CAMERA_PAN_RIGHT},
                      {Qt::Key_Home, ID_CAMERA_HOME}};
        if (pEvent->modifiers() == Qt::NoModifier || pEvent->modifiers() == Qt::KeypadModifier) {
            for (const auto& key : s_Keys) {
                if (key.nKey == pEvent->key()) {
                    m_pView->OnCmdMsg(key.nID, true);
                    return;
                }
            }
        }
        QWindow::keyPressEvent(pEvent);
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
    connect(&m_LiveRenderer, &CLiveRenderer::FrameReady, this, &CMorrowView::OnFrameReady,
            Qt::QueuedConnection);
    m_pStatusTimer = new QTimer(this);
    m_pStatusTimer->setSingleShot(true);
    connect(m_pStatusTimer, &QTimer::timeout, this, [this] { ShowNavigationStatus(); });
}

CMorrowView::~CMorrowView() {
    // No warp may outlive the source it reads.
    m_LiveRenderer.Stop();
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
    m_LiveRenderer.Stop();
    m_bLive = false;
    m_bHasLiveFrame = false;
    m_nShownSerial = m_nRequested;
}

void CMorrowView::OnSize(unsigned nType, int cx, int cy) {
    (void)nType;
    if (cx > 0 && cy > 0 && m_GLContext.MakeCurrent())
        glViewport(0, 0, cx, cy);
    if (cx > 0 && cy > 0) {
        m_nViewWidth = cx;
        m_nViewHeight = cy;
        RequestLiveFrame(); // a larger window shows more of the plane
    }
}

bool CMorrowView::OnEraseBkgnd() {
    return false;
}

void CMorrowView::OnPaint() {
    DrawFrame();
    m_GLContext.SwapGLBuffers();
}

void CMorrowView::DrawFrame() {
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
            QElapsedTimer timer;
            timer.start();
            const bool bActualSize =
                m_dZoom == 1.0 && m_dOriginX == m_nBufferX0 && m_dOriginY == m_nBufferY0;
            if (m_bLive && m_bHasLiveFrame) {
                // A finished live warp of the window the view shows.
                DrawPlaneImage(m_LiveFrame.bytes.data(), m_LiveFrame.request.nWidth,
                               m_LiveFrame.request.nHeight, m_LiveFrame.request.nX0,
                               m_LiveFrame.request.nY0);
            } else if (m_pDisplayBuffer && m_nDisplayWidth > 0 && m_nDisplayHeight > 0) {
                // Without a buffer the cleared, black window is what is shown.
                if (bActualSize) {
                    glRasterPos2i(0, 0);
                    glDrawPixels(m_nDisplayWidth, m_nDisplayHeight, GL_RGB, GL_UNSIGNED_BYTE,
                                 m_pDisplayBuffer);
                } else {
                    DrawPlaneImage(m_pDisplayBuffer, m_nDisplayWidth, m_nDisplayHeight, m_nBufferX0,
                                   m_nBufferY0);
                }
            }
            if (m_bEpipoleOverlay)
                DrawEpipoleOverlay();
            m_nLastDrawNanoseconds = timer.nsecsElapsed();
        }
    }
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
    if (!image.HasGrid() || w <= 0 || h <= 0)
        return;
    const std::size_t nBytes = std::size_t(w) * std::size_t(h) * 3u;
    m_pDisplayBuffer = new (std::nothrow) unsigned char[nBytes];
    if (!m_pDisplayBuffer)
        return;
    m_nDisplayWidth = w;
    m_nDisplayHeight = h;
    image.WriteDisplayBytes(m_pDisplayBuffer);
}

void CMorrowView::ShowStatus(const QString& strText) const {
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame && pFrame->findChild<QStatusBar*>())
        pFrame->statusBar()->showMessage(strText);
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
    case ID_SAVE_WARPED_RGBD:
        if (bExecute)
            OnSaveWarpedRgbd();
        return true;
    case ID_VIEW_ACTUAL_SIZE:
        if (bExecute)
            SetDisplay(1.0, m_bLive ? std::floor(m_dOriginX) : m_nBufferX0,
                       m_bLive ? std::floor(m_dOriginY) : m_nBufferY0);
        return true;
    case ID_VIEW_FIT_TO_WINDOW:
        if (bExecute)
            FitToWindow();
        return true;
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
        if (bExecute)
            ZoomAbout(nID == ID_VIEW_ZOOM_IN ? 2.0 : 0.5, m_nViewWidth / 2.0, m_nViewHeight / 2.0);
        return true;
    case ID_VIEW_EPIPOLE_OVERLAY:
        if (bExecute)
            ToggleEpipoleOverlay();
        return true;
    case ID_VIEW_DISOCCLUSION_OVERLAY:
        if (bExecute)
            ToggleDisocclusionOverlay();
        return true;
    case ID_CAMERA_ORBIT_LEFT:
    case ID_CAMERA_ORBIT_RIGHT:
    case ID_CAMERA_ORBIT_UP:
    case ID_CAMERA_ORBIT_DOWN:
    case ID_CAMERA_FORWARD:
    case ID_CAMERA_BACK:
    case ID_CAMERA_PAN_LEFT:
    case ID_CAMERA_PAN_RIGHT:
    case ID_CAMERA_HOME:
        if (bExecute)
            CameraStep(nID);
        return true;
    case ID_CAMERA_COPY:
        if (bExecute)
            CopyCamera();
        return true;
    default:
        return CView::OnCmdMsg(nID, bExecute);
    }
}
