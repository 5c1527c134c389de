// The five view commands: Load Imagedata, the two camera moves and the two BMP saves.
#include "ui/MorrowView.h"

void CMorrowView::OnLoadImagedata() {}

void CMorrowView::OnFreeCameraMove() {}

void CMorrowView::OnFocusCameraMove() {}

void CMorrowView::OnSaveSourceFile() {}

void CMorrowView::OnSaveWarpedFile() {}
