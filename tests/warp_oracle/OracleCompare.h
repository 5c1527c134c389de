// Comparisons of a product warp with the plain oracle, shared by the differential tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "WarpOracle.h"
#include "image/ViewImage.h"

// The same texts with the same counts, in the same order.
inline ::testing::AssertionResult SameMessages(const std::vector<WarpReport::Message>& a,
                                               const std::vector<WarpReport::Message>& b) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << a.size() << " messages vs " << b.size();
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].strText != b[i].strText || a[i].nCount != b[i].nCount)
            return ::testing::AssertionFailure()
                   << "\"" << a[i].strText << "\" x" << a[i].nCount << " vs \"" << b[i].strText
                   << "\" x" << b[i].nCount;
    return ::testing::AssertionSuccess();
}

// Byte-identical grid, window and camera; names the first differing sample.
inline ::testing::AssertionResult SameImage(const CViewImage& product, const OracleResult& oracle) {
    if (product.GetWidth() != oracle.nWidth || product.GetHeight() != oracle.nHeight)
        return ::testing::AssertionFailure()
               << "size " << product.GetWidth() << "x" << product.GetHeight() << " vs "
               << oracle.nWidth << "x" << oracle.nHeight;
    if (std::memcmp(product.GetP(), oracle.newP, sizeof oracle.newP) != 0 ||
        std::memcmp(product.GetCOP(), oracle.newCOP, sizeof oracle.newCOP) != 0)
        return ::testing::AssertionFailure() << "camera differs";
    const WarpReport& r = product.GetWarpReport();
    if (r.nZone != oracle.nZone || r.nEx != oracle.nEx || r.nEy != oracle.nEy ||
        r.nXOff != oracle.nXOff || r.nYOff != oracle.nYOff || r.bCut != oracle.bCut)
        return ::testing::AssertionFailure()
               << "report differs: zone " << r.nZone << " vs " << oracle.nZone << ", offsets "
               << r.nXOff << "," << r.nYOff << " vs " << oracle.nXOff << "," << oracle.nYOff;
    const size_t nCount = oracle.samples.size();
    if (nCount == 0)
        return product.GetSamples() ? ::testing::AssertionFailure() << "grid instead of none"
                                    : ::testing::AssertionSuccess();
    if (!product.GetSamples())
        return ::testing::AssertionFailure() << "no grid";
    if (std::memcmp(product.GetSamples(), oracle.samples.data(), nCount * sizeof(PixelSample)) == 0)
        return ::testing::AssertionSuccess();
    long nDiffer = 0, nFirst = -1;
    for (size_t i = 0; i < nCount; ++i)
        if (std::memcmp(&product.GetSamples()[i], &oracle.samples[i], sizeof(PixelSample)) != 0) {
            if (nFirst < 0)
                nFirst = static_cast<long>(i);
            ++nDiffer;
        }
    return ::testing::AssertionFailure()
           << nDiffer << " samples differ, first at column " << nFirst % oracle.nWidth << ", row "
           << nFirst / oracle.nWidth;
}
