#include "WarpFixture.h"

namespace {

PixelSample* NewGrid(int nWidth, int nHeight) {
    PixelSample* pGrid = new PixelSample[static_cast<long>(nWidth) * nHeight];
    for (long i = 0; i < static_cast<long>(nWidth) * nHeight; ++i)
        pGrid[i] = PixelSample{0.0, 0.0, 0.0, 1.0};
    return pGrid;
}

} // namespace

std::unique_ptr<CViewImage> MakeSourceImage() {
    auto pImage = std::make_unique<CViewImage>();
    const double cop[3] = {0.0, 0.0, 0.0};
    const double P[3][3] = {{1.0, 0.0, -100.0}, {0.0, 1.0, -100.0}, {0.0, 0.0, 200.0}};
    pImage->SetCamera(cop, P);
    const double bounds[6] = {-400.0, 400.0, -400.0, 400.0, 300.0, 900.0};
    const double extra[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    pImage->SetSceneValues(bounds, extra);
    PixelSample* pGrid = NewGrid(200, 200);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const bool bSquare = x >= 80 && x < 120 && y >= 80 && y < 120;
            pGrid[y * 200 + x] =
                PixelSample{double(x), double(y), bSquare ? 50.0 : 200.0, bSquare ? 0.5 : 0.25};
        }
    }
    pImage->SetWidth(200);
    pImage->SetHeight(200);
    pImage->SetSamples(pGrid);
    return pImage;
}

std::unique_ptr<CViewImage> MakeIdentitySource(double dDisparity) {
    auto pImage = std::make_unique<CViewImage>();
    const double cop[3] = {0.0, 0.0, 0.0};
    const double P[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    pImage->SetCamera(cop, P);
    PixelSample* pGrid = NewGrid(200, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            pGrid[y * 200 + x] = PixelSample{double(x), double(y), 7.0, dDisparity};
    pImage->SetWidth(200);
    pImage->SetHeight(200);
    pImage->SetSamples(pGrid);
    return pImage;
}

std::unique_ptr<CViewImage> MakeTarget(const double cop[3], const double P[3][3], int nWidth,
                                       int nHeight) {
    auto pImage = std::make_unique<CViewImage>();
    pImage->SetCamera(cop, P);
    pImage->SetWidth(nWidth);
    pImage->SetHeight(nHeight);
    pImage->SetSamples(NewGrid(nWidth, nHeight));
    return pImage;
}

int CountColoured(const CViewImage& image) {
    int nCount = 0;
    const PixelSample* pGrid = image.GetSamples();
    if (!pGrid)
        return 0;
    for (long i = 0; i < static_cast<long>(image.GetWidth()) * image.GetHeight(); ++i)
        if (pGrid[i].red != 0.0 || pGrid[i].green != 0.0 || pGrid[i].blue != 0.0)
            ++nCount;
    return nCount;
}
