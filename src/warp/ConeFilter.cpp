// The cone filter: half lines of rows that the crossing-count test provably rejects.
#include "warp/ConeFilter.h"

#include <algorithm>
#include <cmath>

#include "math/Matrix.h"

bool CConeFilter::Init(double X1, double Y1, double X2, double Y2, double X3, double Y3, int xs,
                       int xe, int ys, int ye) {
    m_dVx[0] = X1, m_dVy[0] = Y1, m_dVx[1] = X2, m_dVy[1] = Y2, m_dVx[2] = X3, m_dVy[2] = Y3;
    // The far point of the crossing test itself: the proof holds for that point only.
    CMatrix::FarPoint(X1, Y1, X2, Y2, X3, Y3, &m_dFx, &m_dFy);
    double dL = 1.0;
    const double values[] = {X1,    Y1,    X2,         Y2,         X3,         Y3,
                             m_dFx, m_dFy, double(xs), double(xe), double(ys), double(ye)};
    for (double d : values)
        dL = std::max(dL, std::fabs(d));
    if (!(dL <= 1e100))
        return false;
    m_dM = 1e-13 * dL * dL;
    return true;
}

void CConeFilter::Column(int x, int ys, int ye, int* pLo, int* pHi) const {
    // Rows where every a_V > M (plus) and where every a_V < -M (minus).
    int nPlusLo = ys, nPlusHi = ye, nMinusLo = ys, nMinusHi = ye;
    const double px = x;
    for (int i = 0; i < 3; ++i) {
        const double dVx = m_dVx[i], dVy = m_dVy[i];
        const double dSlope = m_dFx - dVx; // its sign is exact
        if (dSlope == 0.0) {
            // a_V does not depend on the row.
            const double a = Eval(i, px, ys);
            if (!(a > 2.0 * m_dM))
                nPlusLo = ye + 1;
            if (!(a < -2.0 * m_dM))
                nMinusLo = ye + 1;
            continue;
        }
        // The row where a_V changes sign, and the rows beyond which |a_V| exceeds M.
        const double dRoot = -((dVx - px) * m_dFy - dVy * (m_dFx - px)) / dSlope;
        const double dReach = m_dM / std::fabs(dSlope);
        const int nFrom = FirstRow(i, px, dRoot + dReach + 1.0, ys, ye, dSlope > 0.0);
        const int nTo = LastRow(i, px, dRoot - dReach - 1.0, ys, ye, dSlope < 0.0);
        if (dSlope > 0.0) {
            nPlusLo = std::max(nPlusLo, nFrom);
            nMinusHi = std::min(nMinusHi, nTo);
        } else {
            nPlusHi = std::min(nPlusHi, nTo);
            nMinusLo = std::max(nMinusLo, nFrom);
        }
    }
    auto inPlus = [&](int y) { return y >= nPlusLo && y <= nPlusHi; };
    auto inMinus = [&](int y) { return y >= nMinusLo && y <= nMinusHi; };
    // The two sets are disjoint intervals: skip them from either end.
    int nLo = ys, nHi = ye;
    for (int k = 0; k < 3; ++k) {
        if (inPlus(nLo))
            nLo = nPlusHi + 1;
        if (inMinus(nLo))
            nLo = nMinusHi + 1;
        if (inPlus(nHi))
            nHi = nPlusLo - 1;
        if (inMinus(nHi))
            nHi = nMinusLo - 1;
    }
    *pLo = nLo;
    *pHi = nHi;
}

int CConeFilter::FirstRow(int i, double px, double dEstimate, int ys, int ye, bool bPlus) const {
    if (!(dEstimate <= ye)) // also NaN
        return ye + 1;
    int y = dEstimate <= ys ? ys : static_cast<int>(std::ceil(dEstimate));
    for (int nTry = 0; nTry < 4 && y <= ye; ++nTry, ++y)
        if (Confirmed(i, px, y, bPlus))
            return y;
    return ye + 1;
}

int CConeFilter::LastRow(int i, double px, double dEstimate, int ys, int ye, bool bPlus) const {
    if (!(dEstimate >= ys)) // also NaN
        return ys - 1;
    int y = dEstimate >= ye ? ye : static_cast<int>(std::floor(dEstimate));
    for (int nTry = 0; nTry < 4 && y >= ys; ++nTry, --y)
        if (Confirmed(i, px, y, bPlus))
            return y;
    return ys - 1;
}
