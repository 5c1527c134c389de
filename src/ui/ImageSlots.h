// CImageSlots: the document as the view sees it, two image slots. The view, its commands and
// the dialogs reach the document only through this interface of their own layer; the
// application's document (app/MorrowDoc.h) implements it.
#pragma once

class CViewImage;

class CImageSlots {
public:
    // The source image (loaded from a data file): null until the first Load Imagedata.
    virtual CViewImage* GetSourceImage() const = 0;
    // The last warped image: null until the first camera move and after a load.
    virtual CViewImage* GetWarpedImage() const = 0;
    // Takes pImage (may be null) as the source image: deletes the warped image and then the old
    // source image, in that order, and leaves the warped slot null.
    virtual void SetSourceImage(CViewImage* pImage) = 0;
    // Takes pImage (may be null) as the warped image and deletes the old one first.
    virtual void SetWarpedImage(CViewImage* pImage) = 0;

protected:
    ~CImageSlots() = default;
};
