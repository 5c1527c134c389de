#include "app/MorrowDoc.h"

#include "image/ViewImage.h"

CMorrowDoc::CMorrowDoc() : m_pSourceImage(nullptr), m_pWarpedImage(nullptr) {}

CMorrowDoc::~CMorrowDoc() {
    delete m_pSourceImage;
    m_pSourceImage = nullptr;
    delete m_pWarpedImage;
    m_pWarpedImage = nullptr;
}

bool CMorrowDoc::OnNewDocument() {
    return CDocument::OnNewDocument();
}

void CMorrowDoc::Serialize(CArchive& ar) {
    (void)ar;
}

void CMorrowDoc::SetSourceImage(CViewImage* pImage) {
    delete m_pWarpedImage;
    m_pWarpedImage = nullptr;
    delete m_pSourceImage;
    m_pSourceImage = pImage;
}

void CMorrowDoc::SetWarpedImage(CViewImage* pImage) {
    delete m_pWarpedImage;
    m_pWarpedImage = pImage;
}
