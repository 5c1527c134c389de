// The five view commands: Load Imagedata (a data file, a stereo folder by its calib.txt, or a
// colour image with its camera file), the two camera
// moves and the two saves (BMP, or PNG for a name ending in .png).
//
// Every command that replaces an image builds the new one first, so a file that cannot be read
// or a move that is cancelled never costs the user what was shown before. Problems the user must
// know about (a file that cannot be opened or written, data that is incomplete, nothing loaded
// yet) are shown as message boxes; how a warp went is reported in the status bar.
#include "ui/MorrowView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>

#include <string>

#include "framework/Services.h"
#include "image/ImageFiles.h"
#include "image/RgbdImport.h"
#include "image/ViewImage.h"
#include "platform/FileDialog.h"
#include "ui/CameraFreeMoveDialog.h"
#include "ui/FocusCameraMoveDialog.h"
#include "ui/ImageSlots.h"
#include "warp/Warp.h"
#include "warp/WarpedRgbd.h"

namespace {

// The file dialogs of the commands: no initial name, no filter, no parent, no read-only box,
// and (for the saves) the extension "bmp" and a question before replacing a file.
constexpr unsigned kFileDialogFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

// Something to show or save: a grid of either form.
bool HasGrid(const CViewImage* pImage) {
    return pImage && pImage->HasGrid();
}

std::string Quoted(const QString& strPath) {
    return "\"" + strPath.toStdString() + "\"";
}

// 240026 as "240,026".
std::string WithThousands(long n) {
    std::string str = std::to_string(n < 0 ? -n : n);
    for (int i = static_cast<int>(str.size()) - 3; i > 0; i -= 3)
        str.insert(static_cast<size_t>(i), ",");
    return n < 0 ? "-" + str : str;
}

// What was wrong with a data file that could be opened; empty when nothing was.
std::string LoadProblems(const QString& strPath, const LoadReport& report) {
    std::string strText;
    if (!report.IsComplete()) {
        strText = "The data file " + Quoted(strPath) +
                  " is incomplete: " + WithThousands(report.nNumbersRead) + " numbers read of " +
                  WithThousands(kDataFileNumbers) + ".";
        if (report.bBadToken)
            strText += " Reading stopped at text that is not a number.";
        strText += " Pixels without data are black.";
    }
    if (report.nRecordsOutside > 0) {
        if (strText.empty())
            strText = "The data file " + Quoted(strPath) + ":";
        strText += " " + WithThousands(report.nRecordsOutside) +
                   (report.nRecordsOutside == 1 ? " record lay" : " records lay") +
                   " outside the 200 x 200 grid and " +
                   (report.nRecordsOutside == 1 ? "was" : "were") + " skipped.";
    }
    return strText;
}

// The wait cursor for the lifetime of the object. A message box raised meanwhile (one of the
// warp's) gets the normal cursor back while it is up.
class CBusyCursor {
public:
    CBusyCursor() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_OldSink = SetMessageSink([this](const std::string& strText) {
            QApplication::restoreOverrideCursor();
            if (m_OldSink)
                m_OldSink(strText);
            QApplication::setOverrideCursor(Qt::WaitCursor);
        });
    }
    ~CBusyCursor() {
        SetMessageSink(std::move(m_OldSink));
        QApplication::restoreOverrideCursor();
    }
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;

private:
    MessageSink m_OldSink;
};

// "Warped image 223 x 210, zone -5, warp 0.042 s", and the repeated messages of the warp.
QString WarpStatus(const CViewImage& image, qint64 nNanoseconds) {
    const WarpReport& report = image.GetWarpReport();
    QString strText = QStringLiteral("Warped image %1 x %2, zone %3, warp %4 s")
                          .arg(image.GetWidth())
                          .arg(image.GetHeight())
                          .arg(report.nZone)
                          .arg(QString::number(double(nNanoseconds) / 1e9, 'f', 3));
    if (report.bDegenerate)
        strText += QStringLiteral(" (camera in the source's focal plane: fallback order)");
    for (const WarpReport::Message& message : report.messages) {
        if (message.nCount > 1)
            strText += QStringLiteral("; \"%1\" shown once, occurred %2 times")
                           .arg(QString::fromStdString(message.strText))
                           .arg(qlonglong(message.nCount));
    }
    return strText;
}

} // namespace

bool CMorrowView::LoadImagedataFile(const QString& strPath) {
    CImageSlots* pSlots = GetImageSlots();
    MORROW_ASSERT(pSlots != nullptr);
    if (!pSlots)
        return false;

    // The new image first: if the file cannot be read, everything stays as it was.
    LoadReport report;
    CViewImage* pImage = nullptr;
    const QFileInfo info(strPath);
    if (info.fileName() == QLatin1String("calib.txt")) {
        // A stereo folder, chosen by its calib.txt.
        ImportReport import;
        pImage = new CViewImage();
        const QString strFolder = info.absolutePath();
        if (!ImportStereoFolder(QFile::encodeName(strFolder).toStdString(), *pImage, import)) {
            delete pImage;
            const std::string strText = "Cannot open the stereo folder: " + import.strError + ".";
            ShowMessageBox(strText.c_str());
            return false;
        }
        report.bOpened = true;
        report.nNumbersRead = kDataFileNumbers;
    } else if (IsImageName(QFile::encodeName(strPath).toStdString())) {
        // A colour image with its camera file (intrinsics and the depth map's name).
        const std::string strColour = QFile::encodeName(strPath).toStdString();
        const std::string strCamera = SidecarPathOf(strColour);
        CameraSidecar sidecar;
        std::string strError;
        ImportReport import;
        pImage = new CViewImage();
        bool bOk = ReadCameraSidecar(strCamera, sidecar, strError);
        if (bOk && sidecar.strDepth.empty()) {
            strError = strCamera + ": names no depth map (a line \"depth FILE\")";
            bOk = false;
        }
        if (bOk) {
            RgbdInput input;
            input.strColour = strColour;
            input.strDepth = SidecarDepthPath(strCamera, sidecar);
            input.intrinsics = sidecar.intrinsics;
            input.dDepthScale = sidecar.bHasDepthScale ? sidecar.dDepthScale : 1.0;
            bOk = ImportRgbd(input, *pImage, import);
            strError = import.strError;
        }
        if (!bOk) {
            delete pImage;
            const std::string strText = "Cannot open the RGB-D image: " + strError + ".";
            ShowMessageBox(strText.c_str());
            return false;
        }
        report.bOpened = true;
        report.nNumbersRead = kDataFileNumbers;
    } else {
        pImage = new CViewImage(QFile::encodeName(strPath).constData(), &report);
    }
    if (!report.bOpened) {
        delete pImage;
        const std::string strText = "Cannot open the data file " + Quoted(strPath) + ".";
        ShowMessageBox(strText.c_str());
        return false;
    }

    // No live warp may still read the old source when it goes.
    m_LiveRenderer.Stop();
    m_nDisplayMode = kDisplaySource;
    pSlots->SetSourceImage(pImage); // deletes the warped image, then the old source
    m_strSourcePath = strPath;
    m_SourceBytes.clear();
    RefreshDisplay(*pImage);
    ShowCommandImage(*pImage, 0, 0);
    RepaintNow();
    ShowStatus(QStringLiteral("Loaded %1").arg(strPath));

    const std::string strProblems = LoadProblems(strPath, report);
    if (!strProblems.empty())
        ShowMessageBox(strProblems.c_str());
    return true;
}

void CMorrowView::OnLoadImagedata() {
    // No filter: a data file may have any name, and a stereo folder is chosen by its calib.txt.
    CFileDialog dlg(true, QString(), QString(), kFileDialogFlags);
    if (!dlg.DoModal())
        return;
    LoadImagedataFile(dlg.GetPathName());
}

namespace {

// Replaces the document's warped image by the one build() makes from the source image (the
// whole warp runs there, under a busy cursor), shows it and puts the warp's summary into the
// status bar; a move too costly to render changes nothing. The dialog of the move has been
// accepted; the source image exists.
template <typename Build> void ShowMove(CMorrowView& view, CImageSlots& imageSlots, Build build) {
    const CViewImage& source = *imageSlots.GetSourceImage();
    QElapsedTimer timer;
    CViewImage* pWarped = nullptr;
    {
        CBusyCursor busy;
        timer.start();
        pWarped = build(source);
    }
    const qint64 nElapsed = timer.nsecsElapsed();
    if (pWarped->GetWarpReport().bTooCostly) {
        // The warp said so in a message box; what was shown before stays, and so does the
        // warped image a save would write.
        delete pWarped;
        view.ShowStatus(QStringLiteral("The move was too costly to render; nothing changed"));
        return;
    }
    imageSlots.SetWarpedImage(pWarped);
    view.SetDisplayMode(CMorrowView::kDisplayWarped);
    view.RefreshDisplay(*pWarped);
    view.ShowCommandImage(*pWarped, pWarped->GetWarpReport().nXOff, pWarped->GetWarpReport().nYOff);
    view.RepaintNow();
    view.ShowStatus(WarpStatus(*pWarped, nElapsed));
}

} // namespace

const CViewImage* CMorrowView::SourceForMove() {
    CImageSlots* pSlots = GetImageSlots();
    // A source holds samples (a warped image's colour bytes are never one).
    if (!pSlots || !pSlots->GetSourceImage() || !pSlots->GetSourceImage()->GetSamples()) {
        ShowMessageBox(kLoadImageDataFirstText);
        return nullptr;
    }
    return pSlots->GetSourceImage();
}

void CMorrowView::OnFreeCameraMove() {
    if (!SourceForMove())
        return;
    CImageSlots* pSlots = GetImageSlots();
    CCameraFreeMoveDialog dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    const double position[3] = {dlg.m_dPosX, dlg.m_dPosY, dlg.m_dPosZ};
    // The document's warped image is only shown and saved: it holds the colour bytes, warped
    // through the move's pose (the very bytes and report of the free move).
    ShowMove(*this, *pSlots, [&](const CViewImage& source) {
        double cop[3], P[3][3];
        BuildFreeMoveCamera(dlg.m_dRotX, dlg.m_dRotY, dlg.m_dRotZ, position, source, cop, P);
        return new CViewImage(cop, P, source, EWarpGrid::Colours);
    });
}

void CMorrowView::OnFocusCameraMove() {
    if (!SourceForMove())
        return;
    CImageSlots* pSlots = GetImageSlots();
    CFocusCameraMoveDialog dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    ShowMove(*this, *pSlots, [&](const CViewImage& source) {
        double cop[3], P[3][3];
        BuildFocusMoveCamera(dlg.m_dRotX, dlg.m_dRotY, dlg.m_dRotZ, dlg.m_dZoom, source, cop, P);
        return new CViewImage(cop, P, source, EWarpGrid::Colours);
    });
}

namespace {

// Asks for a file name and writes pImage there. Tells the user when there is nothing to save
// (before any dialog) or when the file cannot be written (an existing file is left as it was).
void SaveImage(const CMorrowView& view, const CViewImage* pImage, const char* pszNothingText) {
    if (!HasGrid(pImage)) {
        ShowMessageBox(pszNothingText);
        return;
    }
    CFileDialog dlg(false, QStringLiteral("bmp"), QString(), kFileDialogFlags);
    if (!dlg.DoModal())
        return;
    const QString strPath = dlg.GetPathName();
    // A name ending in .png writes a PNG, any other a BMP.
    const QByteArray path = QFile::encodeName(strPath);
    if (!WriteImageFile(*pImage, path.constData())) {
        const std::string strText = std::string("Cannot write the ") +
                                    (IsPngName(path.toStdString()) ? "PNG" : "BMP") + " file " +
                                    Quoted(strPath) + ".";
        ShowMessageBox(strText.c_str());
        return;
    }
    view.ShowStatus(QStringLiteral("Saved %1").arg(strPath));
}

} // namespace

void CMorrowView::OnSaveSourceFile() {
    CImageSlots* pSlots = GetImageSlots();
    SaveImage(*this, pSlots ? pSlots->GetSourceImage() : nullptr,
              "There is no source image to save. Load image data first.");
}

void CMorrowView::OnSaveWarpedFile() {
    CImageSlots* pSlots = GetImageSlots();
    SaveImage(*this, pSlots ? pSlots->GetWarpedImage() : nullptr,
              "There is no warped image to save. Run a camera move first.");
}

void CMorrowView::OnSaveWarpedRgbd() {
    CImageSlots* pSlots = GetImageSlots();
    const CViewImage* pWarped = pSlots ? pSlots->GetWarpedImage() : nullptr;
    const CViewImage* pSource = pSlots ? pSlots->GetSourceImage() : nullptr;
    if (!pWarped || !pSource || !pSource->GetSamples()) {
        ShowMessageBox("There is no warped image to save. Run a camera move first.");
        return;
    }
    CFileDialog dlg(false, QStringLiteral("png"), QString(), kFileDialogFlags);
    if (!dlg.DoModal())
        return;
    QString strPath = dlg.GetPathName();
    if (!strPath.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        strPath += QLatin1String(".png");
    std::string strError;
    {
        CBusyCursor busy; // the depth is a second warp of the move
        if (!WriteWarpedRgbd(*pWarped, *pSource, QFile::encodeName(strPath).toStdString(), "",
                             &strError)) {
            const std::string strText = "Cannot write the RGB-D image: " + strError + ".";
            ShowMessageBox(strText.c_str());
            return;
        }
    }
    ShowStatus(QStringLiteral("Saved %1 with its depth and camera file").arg(strPath));
}
