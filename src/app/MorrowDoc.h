// CMorrowDoc: the document, holding the source image (loaded from a data file) and the last
// warped image. Its own files are empty: Serialize stores and loads nothing, and no
// operation marks it as modified, so closing never asks to save.
#pragma once

#include "platform/Document.h"

class CViewImage;

class CMorrowDoc : public CDocument {
public:
    // Both images null.
    CMorrowDoc();
    // Deletes both images.
    ~CMorrowDoc() override;

    // The framework's default; the images stay (only the view's display is reset).
    bool OnNewDocument() override;
    // Stores nothing and loads nothing.
    void Serialize(CArchive& ar) override;

    CViewImage* m_pSourceImage; // owned, null until the first Load Imagedata
    CViewImage* m_pWarpedImage; // owned, null until the first camera move and after a load
};
