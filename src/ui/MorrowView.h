// CMorrowView: the program's drawing surface. It owns the rendering context and the display
// buffer (the RGB bytes of the image shown) and draws that buffer with OpenGL at the
// bottom-left corner of its client area, one buffer pixel per device pixel, on every paint.
// The five view commands (MorrowViewCommands.cpp) fill the buffer and choose the mode.
#pragma once

#include "platform/View.h"
#include "ui/GLContext.h"

class QWindow;
class CImageSlots;
class CViewImage;

class CMorrowView : public CView {
    Q_OBJECT
public:
    // What the view shows (m_nDisplayMode); any other value paints like kDisplayNothing.
    enum EDisplayMode : int { kDisplayNothing = 5, kDisplaySource = 6, kDisplayWarped = 7 };

    // kDisplayNothing, no buffer, 0 x 0; the GL window exists but has no context yet (OnCreate).
    explicit CMorrowView(QWidget* pParent = nullptr);
    // Destroys the context if the window still has one, then frees the display buffer.
    ~CMorrowView() override;

    // The view's document as its image slots (asserted); null when it has none.
    CImageSlots* GetImageSlots() const;

    // Window creation: makes the rendering context on the GL window (its result is not
    // examined: a failed context leaves a window that draws nothing). Returns 0.
    int OnCreate() override;
    // A document has been attached: InitGL, then kDisplayNothing and no buffer.
    void OnInitialUpdate() override;
    // cx, cy: the new client size in device pixels. Sets the viewport to it, unless either is
    // 0 (a minimised window), when the viewport stays.
    void OnSize(unsigned nType, int cx, int cy);
    // Background erase: nothing to erase, the paint covers everything. Returns false.
    bool OnEraseBkgnd();
    // Clears to black, sets the 2-D mapping and, showing the source or the warped image, draws
    // the buffer with its row 0 at the bottom; then presents the frame. Either without a buffer
    // paints black.
    void OnPaint();
    // Window destruction: deletes the rendering context.
    void OnDestroy();
    // Printing draws nothing: printed and previewed pages are blank.
    void OnDraw(QPainter* pPainter) override;
    bool OnPreparePrinting(CPrintInfo* pInfo) override;
    void OnBeginPrinting(QPainter* pPainter, CPrintInfo* pInfo) override;
    void OnEndPrinting(QPainter* pPainter, CPrintInfo* pInfo) override;

    // Rebuilds the display buffer from image's colours: w * h * 3 bytes, red, green, blue,
    // pixel (x, y) at byte (y * w + x) * 3, each colour through ColourToByte. An image without
    // a grid (or with a non-positive size) leaves no buffer and a 0 x 0 size.
    void RefreshDisplay(const CViewImage& image);
    // An EDisplayMode; other values paint like kDisplayNothing.
    void SetDisplayMode(int nMode) { m_nDisplayMode = nMode; }
    // The document's source image when it has a grid; otherwise tells the user to load image
    // data first and returns null. The moves and their hints start with it.
    const CViewImage* SourceForMove();
    int GetDisplayMode() const { return m_nDisplayMode; }
    const unsigned char* GetDisplayBuffer() const { return m_pDisplayBuffer; }
    int GetDisplayWidth() const { return m_nDisplayWidth; }
    int GetDisplayHeight() const { return m_nDisplayHeight; }
    // Paints now and returns when the frame has been drawn and presented (nothing happens
    // while the window is not on the screen; it is painted when it appears).
    void RepaintNow();

    // The native window drawn into, and the rendering context.
    QWindow* GetGLWindow() const { return m_pGLWindow; }
    CGLContext& GetGLContext() { return m_GLContext; }

    // Standard print commands and the five view commands 32771 to 32775.
    bool OnCmdMsg(int nID, bool bExecute) override;

public slots:
    // The view commands (MorrowViewCommands.cpp).
    void OnLoadImagedata();
    void OnFreeCameraMove();
    void OnFocusCameraMove();
    void OnSaveSourceFile();
    void OnSaveWarpedFile();

public:
    // Load Imagedata on strPath without the file dialog (the --imagedata start-up option).
    // Returns true when the file was opened and became the source image.
    bool LoadImagedataFile(const QString& strPath);

private:
    CGLContext m_GLContext;
    int m_nDisplayMode; // an EDisplayMode (5, 6, 7), or any other value shown as nothing
    unsigned char* m_pDisplayBuffer;
    int m_nDisplayWidth;
    int m_nDisplayHeight;

    QWindow* m_pGLWindow;
    QWidget* m_pContainer;
    bool m_bWindowDestroyed;

    void FreeDisplayBuffer();
    friend class CGLWindow;
};
