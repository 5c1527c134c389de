// CMorrowView: the program's drawing surface. It owns the rendering context and the display
// buffer (the RGB bytes of the image shown) and draws that buffer with OpenGL at the
// bottom-left corner of its client area, one buffer pixel per device pixel, on every paint.
// The five view commands (MorrowViewCommands.cpp) fill the buffer and choose the mode.
//
// Beside them (MorrowViewNavigation.cpp): live navigation, where mouse and keys move a camera
// and a worker thread warps the source for the part of that camera's image plane the view
// shows; a display that can be zoomed and panned (Actual Size, the default, is the 1:1
// bottom-left display); and two teaching overlays (the epipole with the sheet lines over the
// source image, and the disoccluded positions of a live frame in a visible colour).
#pragma once

#include <cstdint>
#include <vector>

#include <QElapsedTimer>

#include "platform/View.h"
#include "ui/GLContext.h"
#include "ui/LiveRenderer.h"
#include "warp/Navigation.h"

class QTimer;
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
    // The drawing of OnPaint without presenting it: the picture is in the back buffer, the
    // context current (when it can be made so).
    void DrawFrame();
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

    // Standard print commands, the five view commands 32771 to 32775, and the display and
    // camera commands of live navigation.
    bool OnCmdMsg(int nID, bool bExecute) override;

    // ---- live navigation and the display (MorrowViewNavigation.cpp) ----
    // Mouse and keys of the GL window, positions in device pixels from the bottom-left corner.
    // Left drag orbits about the focus point (Ctrl: about the point under the cursor), right or
    // middle drag pans the camera, Shift with any drag pans the shown image; the wheel dollies
    // toward the focus point, with Ctrl it zooms the display about the cursor.
    void OnMouseDown(Qt::MouseButton eButton, Qt::KeyboardModifiers mods, double x, double y);
    void OnMouseMove(double x, double y);
    void OnMouseUp();
    void OnWheel(int nAngleDelta, Qt::KeyboardModifiers mods, double x, double y);
    // Whether the camera of the view has left the pose of the image the commands showed, so that
    // live frames are shown.
    bool IsLive() const { return m_bLive; }
    // The camera of the view (the pose of what is shown, or where navigation took it).
    const CameraPose& GetNavigationPose() const { return m_NavPose; }
    // Display scale (device pixels per image pixel) and the image-plane position shown at the
    // bottom-left corner of the view.
    double GetZoom() const { return m_dZoom; }
    double GetOriginX() const { return m_dOriginX; }
    double GetOriginY() const { return m_dOriginY; }
    // The frame on the screen while live (its window and bytes).
    const LiveFrame& GetLiveFrame() const { return m_LiveFrame; }
    bool HasLiveFrame() const { return m_bHasLiveFrame; }
    // Whether a live frame has been asked for and not yet shown.
    bool IsFramePending() const { return m_nRequested > m_nShownSerial; }
    // The morrow-warp command line that renders the current camera (Camera > Copy Camera).
    QString CameraCommandLine() const;
    bool GetEpipoleOverlay() const { return m_bEpipoleOverlay; }
    bool GetDisocclusionOverlay() const { return m_bDisocclusionOverlay; }

public slots:
    // The view commands (MorrowViewCommands.cpp).
    void OnLoadImagedata();
    void OnFreeCameraMove();
    void OnFocusCameraMove();
    void OnSaveSourceFile();
    void OnSaveWarpedFile();
    // The warped image as RGB-D: NAME.png, NAME.pfm (the depth of what was drawn) and
    // NAME.camera, which the open command reads again.
    void OnSaveWarpedRgbd();

public:
    // Load Imagedata on strPath without the file dialog (the --imagedata start-up option).
    // Returns true when the file was opened and became the source image.
    bool LoadImagedataFile(const QString& strPath);

    // After a command showed an image (the source, or a dialog's warp, whose grid's pixel (0, 0)
    // is plane position (nPlaneX0, nPlaneY0)): the camera is that image's, nothing is live, the
    // display origin is the buffer's pixel (0, 0). Waits for a live warp in progress to end.
    void ShowCommandImage(const CViewImage& image, int nPlaneX0, int nPlaneY0);
    // The message pane of the frame's status bar, if the view sits in a frame with one.
    void ShowStatus(const QString& strText) const;
    // The source image's path as it was loaded (for Copy Camera).
    const QString& GetSourcePath() const { return m_strSourcePath; }

private slots:
    void OnFrameReady();

private:
    CGLContext m_GLContext;
    int m_nDisplayMode; // an EDisplayMode (5, 6, 7), or any other value shown as nothing
    unsigned char* m_pDisplayBuffer;
    int m_nDisplayWidth;
    int m_nDisplayHeight;

    QWindow* m_pGLWindow;
    QWidget* m_pContainer;
    bool m_bWindowDestroyed;

    // Live navigation and the display.
    CLiveRenderer m_LiveRenderer;
    CameraPose m_NavPose{};
    bool m_bLive = false;
    LiveFrame m_LiveFrame;
    bool m_bHasLiveFrame = false;
    std::uint64_t m_nRequested = 0;
    std::uint64_t m_nShownSerial = 0;
    double m_dZoom = 1.0;
    double m_dOriginX = 0.0, m_dOriginY = 0.0;
    // The plane position of the display buffer's pixel (0, 0): 0 for the source, the warp's
    // offsets for a warped image.
    int m_nBufferX0 = 0, m_nBufferY0 = 0;
    int m_nViewWidth = 0, m_nViewHeight = 0;
    bool m_bEpipoleOverlay = false;
    bool m_bDisocclusionOverlay = false;
    QString m_strSourcePath;
    mutable std::vector<unsigned char> m_SourceBytes; // the source's display bytes, for the inset
    // The drag in progress.
    enum class EDrag { None, Orbit, PanCamera, PanDisplay };
    EDrag m_eDrag = EDrag::None;
    double m_dDragX = 0.0, m_dDragY = 0.0;
    double m_DragPivot[3] = {0.0, 0.0, 0.0};
    long long m_nLastDrawNanoseconds = 0;
    // The status line follows a drag at most ten times a second (each update repaints the bar).
    QElapsedTimer m_StatusClock;
    QTimer* m_pStatusTimer = nullptr;

    void FreeDisplayBuffer();
    // The source image with a grid, or null (no message).
    const CViewImage* LiveSource() const;
    void SetNavigationPose(const CameraPose& pose);
    void RequestLiveFrame();
    void SetDisplay(double dZoom, double dOriginX, double dOriginY);
    void ZoomAbout(double dFactor, double x, double y);
    void FitToWindow();
    void ToggleEpipoleOverlay();
    void ToggleDisocclusionOverlay();
    void CameraStep(int nID);
    void CopyCamera();
    void ShowNavigationStatus();
    // Draws bytes (nWidth x nHeight RGB, row 0 first) whose pixel (0, 0) is plane position
    // (nX0, nY0) with the display transform.
    void DrawPlaneImage(const unsigned char* pBytes, int nWidth, int nHeight, int nX0,
                        int nY0) const;
    void DrawEpipoleOverlay() const;
    // Whether a warped image is shown as a live frame of its own camera: with the disocclusion
    // overlay on, so that the positions nothing was drawn into are marked.
    bool ShowsWarpedAsLiveFrame() const;
    void SetCommandChecked(int nID, bool bChecked);
    friend class CGLWindow;
};
