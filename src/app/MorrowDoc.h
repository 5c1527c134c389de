// CMorrowDoc: the document, holding the source image (loaded from a data file) and the last
// warped image; the view reaches them through the image slots (ui/ImageSlots.h). Its own files
// are empty: Serialize stores and loads nothing, and no operation marks it as modified, so
// closing never asks to save.
#pragma once

#include "platform/Document.h"
#include "ui/ImageSlots.h"

class CViewImage;

class CMorrowDoc : public CDocument, public CImageSlots {
public:
    // Both images null.
    CMorrowDoc();
    // Deletes both images.
    ~CMorrowDoc() override;

    // The framework's default; the images stay (only the view's display is reset).
    bool OnNewDocument() override;
    // Stores nothing and loads nothing.
    void Serialize(CArchive& ar) override;

    // The image slots.
    CViewImage* GetSourceImage() const override { return m_pSourceImage; }
    CViewImage* GetWarpedImage() const override { return m_pWarpedImage; }
    void SetSourceImage(CViewImage* pImage) override;
    void SetWarpedImage(CViewImage* pImage) override;

    CViewImage* m_pSourceImage; // owned, null until the first Load Imagedata
    CViewImage* m_pWarpedImage; // owned, null until the first camera move and after a load
};
