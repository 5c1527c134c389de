// Live navigation, the zoomable display and the teaching overlays of CMorrowView.
//
// The camera of the view is a full pose. Commands set it to the pose of the image they show
// (the source, or a dialog's warp); every step of navigation changes it and asks the live
// renderer for a warp of the window of the new image plane that the view shows. Until the first
// live frame arrives, and whenever the camera is the command's again, the display buffer of the
// commands is what is drawn, so Actual Size with no navigation is exactly the 1:1 bottom-left
// display.
//
// Display coordinates: the view shows the image-plane position (m_dOriginX, m_dOriginY) at its
// bottom-left corner and m_dZoom device pixels per plane position. The commands put the origin
// at the buffer's pixel (0, 0).
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <GL/gl.h>

#include "framework/Services.h"
#include "image/RgbdImport.h"
#include "image/ViewImage.h"
#include "platform/FrameWnd.h"
#include "ui/CameraFreeMoveDialog.h"
#include "ui/ImageSlots.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"
#include "warp/Warp.h"

namespace {

constexpr double kOrbitDegreesPerPixel = 0.25; // a drag across 360 device pixels turns 90 degrees
constexpr double kKeyOrbitDegrees = 5.0;
constexpr double kKeyDollyFraction = 0.1;
constexpr double kKeyPanPixels = 10.0;
constexpr double kMinZoom = 1.0 / 16.0;
constexpr double kMaxZoom = 64.0;
constexpr int kMaxLiveSide = 4096; // the largest live window, whatever the zoom

// A number as morrow-warp reads it back exactly (QString::number ignores the locale).
QString Exact(double dValue) {
    return QString::number(dValue, 'g', 17);
}

// A word for the shell: as it is when it holds nothing the shell treats specially.
QString ShellQuoted(const QString& str) {
    static const QRegularExpression s_Plain(QStringLiteral("^[A-Za-z0-9_./+,=:@%-]+$"));
    if (s_Plain.match(str).hasMatch())
        return str;
    QString strQuoted = str;
    strQuoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + strQuoted + QLatin1Char('\'');
}

// The seven segments (a to g) of the digits 0 to 9, bit 0 = a.
constexpr unsigned char kSegments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66,
                                         0x6d, 0x7d, 0x07, 0x7f, 0x6f};

// One character ('-' or a digit) as line segments in a box of w x 2w at (x, y) (bottom-left).
void DrawSegmentChar(char c, double x, double y, double w) {
    const unsigned nBits = c == '-' ? 0x40u : (c >= '0' && c <= '9') ? kSegments[c - '0'] : 0u;
    // Segment end points: a top, b upper right, c lower right, d bottom, e lower left,
    // f upper left, g middle.
    const double seg[7][4] = {{0, 2, 1, 2}, {1, 2, 1, 1}, {1, 1, 1, 0}, {0, 0, 1, 0},
                              {0, 0, 0, 1}, {0, 1, 0, 2}, {0, 1, 1, 1}};
    glBegin(GL_LINES);
    for (int i = 0; i < 7; ++i) {
        if (!(nBits & (1u << i)))
            continue;
        glVertex2d(x + seg[i][0] * w, y + seg[i][1] * w);
        glVertex2d(x + seg[i][2] * w, y + seg[i][3] * w);
    }
    glEnd();
}

// Bytes (nWidth x nHeight RGB, row 0 first) with their pixel (0, 0) at screen position (sx, sy),
// each pixel dScale screen pixels. The raster position starts valid at the corner and is moved
// from there, so that a picture whose corner lies outside the window is still drawn (clipped).
void DrawBytesAt(const unsigned char* pBytes, int nWidth, int nHeight, double sx, double sy,
                 double dScale) {
    glRasterPos2i(0, 0);
    glBitmap(0, 0, 0.0f, 0.0f, static_cast<GLfloat>(sx), static_cast<GLfloat>(sy), nullptr);
    glPixelZoom(static_cast<GLfloat>(dScale), static_cast<GLfloat>(dScale));
    glDrawPixels(nWidth, nHeight, GL_RGB, GL_UNSIGNED_BYTE, pBytes);
    glPixelZoom(1.0f, 1.0f);
}

} // namespace

const CViewImage* CMorrowView::LiveSource() const {
    CImageSlots* pSlots = GetImageSlots();
    const CViewImage* pSource = pSlots ? pSlots->GetSourceImage() : nullptr;
    return pSource && pSource->GetSamples() && IsWarpableSource(*pSource) ? pSource : nullptr;
}

void CMorrowView::ShowCommandImage(const CViewImage& image, int nPlaneX0, int nPlaneY0) {
    m_LiveRenderer.Stop();
    m_bLive = false;
    m_bHasLiveFrame = false;
    m_nShownSerial = m_nRequested;
    m_NavPose = PoseOf(image);
    m_nBufferX0 = nPlaneX0;
    m_nBufferY0 = nPlaneY0;
    m_dOriginX = nPlaneX0;
    m_dOriginY = nPlaneY0;
    if (ShowsWarpedAsLiveFrame()) {
        m_bLive = true;
        RequestLiveFrame();
    }
}

bool CMorrowView::ShowsWarpedAsLiveFrame() const {
    // The same picture as the warped image's buffer, with the positions nothing was drawn into
    // marked.
    return m_bDisocclusionOverlay && m_nDisplayMode == kDisplayWarped && LiveSource();
}

void CMorrowView::SetNavigationPose(const CameraPose& pose) {
    if (!LiveSource())
        return;
    m_NavPose = pose;
    m_bLive = true;
    RequestLiveFrame();
    ShowNavigationStatus();
}

void CMorrowView::RequestLiveFrame() {
    const CViewImage* pSource = LiveSource();
    if (!pSource || !m_bLive || m_nViewWidth <= 0 || m_nViewHeight <= 0)
        return;
    LiveRequest request;
    request.pose = m_NavPose;
    request.nX0 = static_cast<int>(std::floor(m_dOriginX));
    request.nY0 = static_cast<int>(std::floor(m_dOriginY));
    request.nWidth =
        std::min(kMaxLiveSide, static_cast<int>(std::ceil(m_nViewWidth / m_dZoom)) + 1);
    request.nHeight =
        std::min(kMaxLiveSide, static_cast<int>(std::ceil(m_nViewHeight / m_dZoom)) + 1);
    request.bMarkDisoccluded = m_bDisocclusionOverlay;
    m_nRequested = m_LiveRenderer.Request(pSource, request);
}

void CMorrowView::OnFrameReady() {
    LiveFrame frame;
    if (!m_LiveRenderer.TakeFrame(frame))
        return;
    if (frame.request.nSerial <= m_nShownSerial)
        return;
    m_nShownSerial = frame.request.nSerial;
    if (!m_bLive)
        return;
    const size_t nBytes = static_cast<size_t>(frame.request.nWidth) * frame.request.nHeight * 3u;
    if (frame.report.bTooCostly || frame.bytes.size() != nBytes) {
        // The frame on the screen stays; the user learns why it does not follow.
        ShowStatus(
            QStringLiteral("This camera is too costly to render live; move back or press Home"));
        return;
    }
    m_LiveFrame = std::move(frame);
    m_bHasLiveFrame = true;
    RepaintNow();
    ShowNavigationStatus();
}

void CMorrowView::SetDisplay(double dZoom, double dOriginX, double dOriginY) {
    m_dZoom = std::clamp(dZoom, kMinZoom, kMaxZoom);
    // Far enough to see nothing is far enough: the origin stays within reach of the image.
    const double dLimit = 1e6;
    m_dOriginX = std::clamp(dOriginX, -dLimit, dLimit);
    m_dOriginY = std::clamp(dOriginY, -dLimit, dLimit);
    if (m_bLive)
        RequestLiveFrame();
    RepaintNow();
    ShowNavigationStatus();
}

void CMorrowView::ZoomAbout(double dFactor, double x, double y) {
    const double dZoom = std::clamp(m_dZoom * dFactor, kMinZoom, kMaxZoom);
    // The plane position under (x, y) stays there.
    const double px = m_dOriginX + x / m_dZoom, py = m_dOriginY + y / m_dZoom;
    SetDisplay(dZoom, px - x / dZoom, py - y / dZoom);
}

void CMorrowView::FitToWindow() {
    if (m_nViewWidth <= 0 || m_nViewHeight <= 0)
        return;
    // The extent of what is shown: the buffer, or while live the full window of the camera.
    int nX0 = m_nBufferX0, nY0 = m_nBufferY0, nW = m_nDisplayWidth, nH = m_nDisplayHeight;
    const CViewImage* pSource = LiveSource();
    if (m_bLive && pSource)
        ComputeMoveWindow(*pSource, m_NavPose.cop, m_NavPose.P, &nX0, &nY0, &nW, &nH);
    if (nW <= 0 || nH <= 0)
        return;
    const double dZoom = std::clamp(std::min(double(m_nViewWidth) / nW, double(m_nViewHeight) / nH),
                                    kMinZoom, kMaxZoom);
    // Centred in the view.
    SetDisplay(dZoom, nX0 - (m_nViewWidth / dZoom - nW) / 2.0,
               nY0 - (m_nViewHeight / dZoom - nH) / 2.0);
}

void CMorrowView::SetCommandChecked(int nID, bool bChecked) {
    CFrameWnd* pFrame = GetParentFrame();
    if (QAction* pAction = pFrame ? pFrame->GetCommand(nID) : nullptr)
        pAction->setChecked(bChecked);
}

void CMorrowView::ToggleEpipoleOverlay() {
    m_bEpipoleOverlay = !m_bEpipoleOverlay;
    SetCommandChecked(ID_VIEW_EPIPOLE_OVERLAY, m_bEpipoleOverlay);
    RepaintNow();
}

void CMorrowView::ToggleDisocclusionOverlay() {
    m_bDisocclusionOverlay = !m_bDisocclusionOverlay;
    SetCommandChecked(ID_VIEW_DISOCCLUSION_OVERLAY, m_bDisocclusionOverlay);
    if (ShowsWarpedAsLiveFrame())
        m_bLive = true;
    if (m_bLive)
        RequestLiveFrame();
}

void CMorrowView::CameraStep(int nID) {
    const CViewImage* pSource = LiveSource();
    if (!pSource) {
        ShowMessageBox(kLoadImageDataFirstText);
        return;
    }
    // With nothing shown (after File New) only Home brings a picture back.
    if (m_nDisplayMode != kDisplaySource && m_nDisplayMode != kDisplayWarped &&
        nID != ID_CAMERA_HOME)
        return;
    if (nID == ID_CAMERA_HOME) {
        // The source itself, as Load Imagedata shows it.
        m_nDisplayMode = kDisplaySource;
        RefreshDisplay(*pSource);
        ShowCommandImage(*pSource, 0, 0);
        RepaintNow();
        ShowNavigationStatus();
        return;
    }
    double f[3];
    SceneCentre(*pSource, f);
    const CameraPose& pose = m_NavPose;
    switch (nID) {
    case ID_CAMERA_ORBIT_LEFT:
        SetNavigationPose(OrbitPose(pose, f, -kKeyOrbitDegrees, 0.0));
        break;
    case ID_CAMERA_ORBIT_RIGHT:
        SetNavigationPose(OrbitPose(pose, f, kKeyOrbitDegrees, 0.0));
        break;
    case ID_CAMERA_ORBIT_UP:
        SetNavigationPose(OrbitPose(pose, f, 0.0, -kKeyOrbitDegrees));
        break;
    case ID_CAMERA_ORBIT_DOWN:
        SetNavigationPose(OrbitPose(pose, f, 0.0, kKeyOrbitDegrees));
        break;
    case ID_CAMERA_FORWARD:
        SetNavigationPose(DollyPose(pose, f, kKeyDollyFraction));
        break;
    case ID_CAMERA_BACK: // undoes a step forward
        SetNavigationPose(DollyPose(pose, f, 1.0 - 1.0 / (1.0 - kKeyDollyFraction)));
        break;
    case ID_CAMERA_PAN_LEFT: // the camera to the left: the scene moves right
        SetNavigationPose(PanPose(pose, f, kKeyPanPixels, 0.0));
        break;
    case ID_CAMERA_PAN_RIGHT:
        SetNavigationPose(PanPose(pose, f, -kKeyPanPixels, 0.0));
        break;
    default:
        break;
    }
}

void CMorrowView::OnMouseDown(Qt::MouseButton eButton, Qt::KeyboardModifiers mods, double x,
                              double y) {
    m_dDragX = x;
    m_dDragY = y;
    m_eDrag = EDrag::None;
    if (m_nDisplayMode != kDisplaySource && m_nDisplayMode != kDisplayWarped)
        return;
    if (mods & Qt::ShiftModifier) {
        m_eDrag = EDrag::PanDisplay;
        return;
    }
    const CViewImage* pSource = LiveSource();
    if (!pSource)
        return;
    SceneCentre(*pSource, m_DragPivot);
    if (eButton == Qt::LeftButton) {
        m_eDrag = EDrag::Orbit;
        if (mods & Qt::ControlModifier) {
            const double u = m_dOriginX + x / m_dZoom, v = m_dOriginY + y / m_dZoom;
            const double f[3] = {m_DragPivot[0], m_DragPivot[1], m_DragPivot[2]};
            PointUnderPixel(m_NavPose, u, v, f, m_DragPivot);
            // On the source itself the point is known: its sample's disparity gives the depth.
            const int ix = static_cast<int>(std::floor(u)), iy = static_cast<int>(std::floor(v));
            if (!m_bLive && m_nDisplayMode == kDisplaySource && ix >= 0 &&
                ix < pSource->GetWidth() && iy >= 0 && iy < pSource->GetHeight()) {
                const double d =
                    pSource->GetSamples()[static_cast<long>(iy) * pSource->GetWidth() + ix]
                        .disparity;
                if (std::isfinite(d) && d > 0.0 && std::isfinite(1.0 / d))
                    PointOnRay(m_NavPose, ix, iy, 1.0 / d, m_DragPivot);
            }
        }
    } else if (eButton == Qt::RightButton || eButton == Qt::MiddleButton) {
        m_eDrag = EDrag::PanCamera;
    }
}

void CMorrowView::OnMouseMove(double x, double y) {
    const double dx = x - m_dDragX, dy = y - m_dDragY;
    m_dDragX = x;
    m_dDragY = y;
    if (dx == 0.0 && dy == 0.0)
        return;
    switch (m_eDrag) {
    case EDrag::Orbit:
        // The scene turns with the hand: dragging right shows more of its left side.
        SetNavigationPose(OrbitPose(m_NavPose, m_DragPivot, dx * kOrbitDegreesPerPixel,
                                    -dy * kOrbitDegreesPerPixel));
        break;
    case EDrag::PanCamera:
        SetNavigationPose(PanPose(m_NavPose, m_DragPivot, dx / m_dZoom, dy / m_dZoom));
        break;
    case EDrag::PanDisplay:
        SetDisplay(m_dZoom, m_dOriginX - dx / m_dZoom, m_dOriginY - dy / m_dZoom);
        break;
    case EDrag::None:
        break;
    }
}

void CMorrowView::OnMouseUp() {
    m_eDrag = EDrag::None;
}

void CMorrowView::OnWheel(int nAngleDelta, Qt::KeyboardModifiers mods, double x, double y) {
    if (nAngleDelta == 0 || (m_nDisplayMode != kDisplaySource && m_nDisplayMode != kDisplayWarped))
        return;
    const double dNotches = nAngleDelta / 120.0;
    if (mods & Qt::ControlModifier) {
        ZoomAbout(std::pow(2.0, dNotches / 2.0), x, y);
        return;
    }
    const CViewImage* pSource = LiveSource();
    if (!pSource)
        return;
    double f[3];
    SceneCentre(*pSource, f);
    // Forward notches a tenth of the way each; backward ones undo them.
    SetNavigationPose(DollyPose(m_NavPose, f, 1.0 - std::pow(1.0 - kKeyDollyFraction, dNotches)));
}

QString CMorrowView::CameraCommandLine() const {
    QString strSource = ShellQuoted(m_strSourcePath);
    const QFileInfo info(m_strSourcePath);
    if (info.fileName() == QLatin1String("calib.txt")) {
        strSource = ShellQuoted(info.absolutePath());
    } else if (IsImageName(QFile::encodeName(m_strSourcePath).toStdString())) {
        // A colour image: its depth map and intrinsics from its camera file, spelt out.
        const std::string strCamera =
            SidecarPathOf(QFile::encodeName(m_strSourcePath).toStdString());
        CameraSidecar sidecar;
        std::string strError;
        if (ReadCameraSidecar(strCamera, sidecar, strError)) {
            const PinholeIntrinsics& k = sidecar.intrinsics;
            strSource += QStringLiteral(" --depth %1 --intrinsics %2 %3 %4 %5")
                             .arg(ShellQuoted(
                                 QFile::decodeName(SidecarDepthPath(strCamera, sidecar).c_str())))
                             .arg(Exact(k.fx), Exact(k.fy), Exact(k.cx), Exact(k.cy));
            if (sidecar.bHasDepthScale)
                strSource += QStringLiteral(" --depth-scale %1").arg(Exact(sidecar.dDepthScale));
        }
    }
    const CameraPose& p = m_NavPose;
    QString strLine = QStringLiteral("morrow-warp %1 --camera %2 %3 %4")
                          .arg(strSource, Exact(p.cop[0]), Exact(p.cop[1]), Exact(p.cop[2]));
    // The matrix in the data file's column order: c, then a, then b.
    for (int nColumn : {2, 0, 1})
        for (int nRow = 0; nRow < 3; ++nRow)
            strLine += QLatin1Char(' ') + Exact(p.P[nRow][nColumn]);
    return strLine + QStringLiteral(" -o view.bmp");
}

void CMorrowView::CopyCamera() {
    if (!LiveSource()) {
        ShowMessageBox(kLoadImageDataFirstText);
        return;
    }
    const QString strLine = CameraCommandLine();
    QApplication::clipboard()->setText(strLine);
    ShowStatus(QStringLiteral("Copied: %1").arg(strLine));
}

void CMorrowView::ShowNavigationStatus() {
    // During a drag the line is brought up to date a tenth of a second after the last update.
    if (m_StatusClock.isValid() && m_StatusClock.elapsed() < 100) {
        if (!m_pStatusTimer->isActive())
            m_pStatusTimer->start(100 - int(m_StatusClock.elapsed()));
        return;
    }
    m_StatusClock.start();
    const CameraPose& p = m_NavPose;
    // Short enough to fit beside the indicators of a small window.
    QString strText = QStringLiteral("Zoom %1%  camera (%2, %3, %4)")
                          .arg(QString::number(m_dZoom * 100.0, 'f', m_dZoom < 1.0 ? 1 : 0))
                          .arg(QString::number(p.cop[0], 'g', 4), QString::number(p.cop[1], 'g', 4),
                               QString::number(p.cop[2], 'g', 4));
    if (m_bLive && m_bHasLiveFrame) {
        strText += QStringLiteral("  zone %1  %2 ms (warp %3)")
                       .arg(m_LiveFrame.report.nZone)
                       .arg(QString::number(
                           (m_LiveFrame.nWarpNanoseconds + m_nLastDrawNanoseconds) / 1e6, 'f', 1))
                       .arg(QString::number(m_LiveFrame.nWarpNanoseconds / 1e6, 'f', 1));
    }
    ShowStatus(strText);
}

void CMorrowView::DrawPlaneImage(const unsigned char* pBytes, int nWidth, int nHeight, int nX0,
                                 int nY0) const {
    if (!pBytes || nWidth <= 0 || nHeight <= 0)
        return;
    DrawBytesAt(pBytes, nWidth, nHeight, (nX0 - m_dOriginX) * m_dZoom, (nY0 - m_dOriginY) * m_dZoom,
                m_dZoom);
}

void CMorrowView::DrawEpipoleOverlay() const {
    const CViewImage* pSource = LiveSource();
    if (!pSource)
        return;
    const int nW = pSource->GetWidth(), nH = pSource->GetHeight();
    // Over the source itself when it is shown, otherwise over an inset of it in the top-right
    // corner (at most a third of the view, never magnified).
    double dScale = m_dZoom, dLeft = (0.0 - m_dOriginX) * m_dZoom,
           dBottom = (0.0 - m_dOriginY) * m_dZoom;
    const bool bInset = m_bLive || m_nDisplayMode != kDisplaySource;
    // Drawn over the picture: its pixels carry the same depth as the picture's.
    glDisable(GL_DEPTH_TEST);
    if (bInset) {
        dScale = std::min({1.0, m_nViewWidth / 3.0 / nW, m_nViewHeight / 3.0 / nH});
        dLeft = m_nViewWidth - 8.0 - nW * dScale;
        dBottom = m_nViewHeight - 8.0 - nH * dScale;
        if (m_SourceBytes.size() != static_cast<size_t>(nW) * nH * 3u) {
            m_SourceBytes.resize(static_cast<size_t>(nW) * nH * 3u);
            pSource->WriteDisplayBytes(m_SourceBytes.data());
        }
        DrawBytesAt(m_SourceBytes.data(), nW, nH, dLeft, dBottom, dScale);
    }
    auto sx = [&](double x) { return dLeft + x * dScale; };
    auto sy = [&](double y) { return dBottom + y * dScale; };

    glColor3ub(255, 255, 255);
    glBegin(GL_LINE_LOOP); // the source's outline
    glVertex2d(sx(0.0), sy(0.0));
    glVertex2d(sx(nW), sy(0.0));
    glVertex2d(sx(nW), sy(nH));
    glVertex2d(sx(0.0), sy(nH));
    glEnd();

    const EpipoleInfo info =
        ClassifyEpipole(pSource->GetP(), pSource->GetCOP(), m_NavPose.cop, nW - 1, nH - 1);
    const bool bMoved = !SamePose(m_NavPose, PoseOf(*pSource));
    if (bMoved) {
        // The sheets meet at the rounded epipole: a vertical line through its column and a
        // horizontal one through its row, where they cross the source.
        glColor3ub(255, 220, 0);
        glBegin(GL_LINES);
        if (info.nEx >= 0 && info.nEx <= nW - 1) {
            glVertex2d(sx(info.nEx + 0.5), sy(0.0));
            glVertex2d(sx(info.nEx + 0.5), sy(nH));
        }
        if (info.nEy >= 0 && info.nEy <= nH - 1) {
            glVertex2d(sx(0.0), sy(info.nEy + 0.5));
            glVertex2d(sx(nW), sy(info.nEy + 0.5));
        }
        glEnd();
        // The epipole itself, a cross (green: the new camera in front of the source's, W > 0;
        // red: behind it); outside the source it is drawn at the border, toward where it is.
        double ex = info.bDegenerate ? (nW - 1) / 2.0 + info.e[0] : info.dX;
        double ey = info.bDegenerate ? (nH - 1) / 2.0 + info.e[1] : info.dY;
        if (!std::isfinite(ex))
            ex = ex > 0 ? nW : 0.0;
        if (!std::isfinite(ey))
            ey = ey > 0 ? nH : 0.0;
        const double px = sx(std::clamp(ex + 0.5, 0.0, double(nW)));
        const double py = sy(std::clamp(ey + 0.5, 0.0, double(nH)));
        if (info.dW > 0.0)
            glColor3ub(0, 255, 0);
        else
            glColor3ub(255, 40, 40);
        glBegin(GL_LINES);
        glVertex2d(px - 7, py - 7);
        glVertex2d(px + 7, py + 7);
        glVertex2d(px - 7, py + 7);
        glVertex2d(px + 7, py - 7);
        glEnd();
        // The zone number at the source's top-left corner.
        const QByteArray zone = QByteArray::number(info.nZone);
        const double w = 8.0;
        const double x0 = sx(0.0) + 1.0, y1 = sy(nH) - 1.0;
        glColor3ub(0, 0, 0); // a dark plate, so the digits read on any picture
        glRecti(int(x0), int(y1 - 2 * w - 6.0), int(x0 + zone.size() * (w + 4.0) + 5.0), int(y1));
        glColor3ub(255, 255, 255);
        for (int i = 0; i < zone.size(); ++i)
            DrawSegmentChar(zone[i], sx(0.0) + 4.0 + i * (w + 4.0), sy(nH) - 4.0 - 2 * w, w);
    }
    glEnable(GL_DEPTH_TEST);
}
