// Interval forms of the crossing-count test and of the interpolation's denominator and s.
#include "warp/RegionTest.h"

#include <algorithm>
#include <cmath>

namespace {

// An enclosure [lo, hi]. Sums and differences carry NaN and infinities along by themselves;
// products and quotients, whose min and max could hide a NaN, refuse ends that are not finite
// and give NaN instead. Every decision leaves an enclosure that is not finite open.
struct CInterval {
    double lo, hi;
};

inline bool IsFinite(CInterval a) {
    return std::isfinite(a.lo) && std::isfinite(a.hi);
}
inline CInterval Unusable() {
    return {std::nan(""), std::nan("")};
}

inline CInterval Sub(CInterval a, CInterval b) {
    return {a.lo - b.hi, a.hi - b.lo};
}
inline CInterval Sub(double a, CInterval b) {
    return {a - b.hi, a - b.lo};
}
inline CInterval Add(CInterval a, CInterval b) {
    return {a.lo + b.lo, a.hi + b.hi};
}
inline CInterval Mul(CInterval a, CInterval b) {
    if (!IsFinite(a) || !IsFinite(b))
        return Unusable();
    const double p1 = a.lo * b.lo, p2 = a.lo * b.hi, p3 = a.hi * b.lo, p4 = a.hi * b.hi;
    return {std::min(std::min(p1, p2), std::min(p3, p4)),
            std::max(std::max(p1, p2), std::max(p3, p4))};
}
// A number times an enclosure.
inline CInterval Mul(double a, CInterval b) {
    if (!std::isfinite(a) || !IsFinite(b))
        return Unusable();
    const double p1 = a * b.lo, p2 = a * b.hi;
    return {std::min(p1, p2), std::max(p1, p2)};
}
// Only for a divisor that is certainly not 0 (both ends of one sign).
inline CInterval Div(CInterval a, CInterval b) {
    if (!IsFinite(a) || !IsFinite(b))
        return Unusable();
    const double q1 = a.lo / b.lo, q2 = a.lo / b.hi, q3 = a.hi / b.lo, q4 = a.hi / b.hi;
    return {std::min(std::min(q1, q2), std::min(q3, q4)),
            std::max(std::max(q1, q2), std::max(q3, q4))};
}
inline CInterval Abs(CInterval a) {
    if (a.lo >= 0.0)
        return a;
    if (a.hi <= 0.0)
        return {-a.hi, -a.lo};
    return {0.0, std::max(-a.lo, a.hi)};
}

// |a| < limit.
inline ETri AbsBelow(CInterval a, double dLimit) {
    if (!IsFinite(a))
        return ETri::Unknown;
    const CInterval m = Abs(a);
    if (m.hi < dLimit)
        return ETri::True;
    if (m.lo >= dLimit)
        return ETri::False;
    return ETri::Unknown;
}
// |a| > limit.
inline ETri AbsAbove(CInterval a, double dLimit) {
    if (!IsFinite(a))
        return ETri::Unknown;
    const CInterval m = Abs(a);
    if (m.lo > dLimit)
        return ETri::True;
    if (m.hi <= dLimit)
        return ETri::False;
    return ETri::Unknown;
}
// 0 <= a <= 1.
inline ETri InUnit(CInterval a) {
    if (!IsFinite(a))
        return ETri::Unknown;
    if (a.lo >= 0.0 && a.hi <= 1.0)
        return ETri::True;
    if (a.hi < 0.0 || a.lo > 1.0)
        return ETri::False;
    return ETri::Unknown;
}

// SegmentCrossing of P -> F with the edge A -> B: whether it gives a t in [0, 1] (rather than
// -1), and the enclosure of that t.
struct CCrossing {
    ETri eHit;
    CInterval t;
};

CCrossing Cross(CInterval x1, CInterval y1, double x2, double y2, double x3, double y3, double x4,
                double y4) {
    const CCrossing unknown{ETri::Unknown, {0.0, 0.0}};
    const CCrossing miss{ETri::False, {-1.0, -1.0}};
    const CInterval dFx = Sub(x2, x1), dFy = Sub(y2, y1);
    const CInterval dDen = Sub(Mul(y4 - y3, dFx), Mul(dFy, CInterval{x4 - x3, x4 - x3}));
    const ETri eParallel = AbsBelow(dDen, 1e-20);
    if (eParallel == ETri::True)
        return miss;
    if (eParallel == ETri::Unknown)
        return unknown;
    const CInterval dAx = Sub(x3, x1);
    const CInterval dNum = Sub(Mul(dFy, dAx), Mul(Sub(y3, y1), dFx));
    const CInterval s = Div(dNum, dDen);
    const ETri eOnEdge = InUnit(s);
    if (eOnEdge == ETri::False)
        return miss;
    if (eOnEdge == ETri::Unknown)
        return unknown;
    CInterval t;
    const ETri eAlongX = AbsAbove(dFx, 1e-20);
    if (eAlongX == ETri::Unknown)
        return unknown;
    if (eAlongX == ETri::True) {
        t = Div(Add(dAx, Mul(x4 - x3, s)), dFx);
    } else {
        const ETri eAlongY = AbsAbove(dFy, 1e-20);
        if (eAlongY == ETri::Unknown)
            return unknown;
        if (eAlongY == ETri::False)
            return miss; // S has no length
        t = Div(Add(Sub(y3, y1), Mul(y4 - y3, s)), dFy);
    }
    const ETri eOnSegment = InUnit(t);
    if (eOnSegment == ETri::False)
        return miss;
    if (eOnSegment == ETri::Unknown)
        return unknown;
    return {ETri::True, t};
}

// The counting of PointInTriangle over three decided crossings; Unknown as soon as a
// difference it compares is not decided.
class CCount {
public:
    ETri Inside(const CCrossing& c1, const CCrossing& c2, const CCrossing& c3) {
        const bool b1 = c1.eHit == ETri::True, b2 = c2.eHit == ETri::True,
                   b3 = c3.eHit == ETri::True;
        int nCount = 0;
        if (b1) {
            ++nCount;
            if (b2 && Is(AbsAbove(Sub(c1.t, c2.t), 0.001))) {
                ++nCount;
                if (b3 && Is(AbsAbove(Sub(c1.t, c3.t), 0.001)) &&
                    Is(AbsAbove(Sub(c2.t, c3.t), 0.001)))
                    ++nCount;
            } else if (b2) {
                if (b3 && Is(AbsAbove(Sub(c3.t, c1.t), 1e-20)))
                    ++nCount;
            } else {
                if (b3 && Is(AbsAbove(Sub(c1.t, c3.t), 0.001)))
                    ++nCount;
            }
        } else {
            if (b2) {
                ++nCount;
                if (b3 && Is(AbsAbove(Sub(c2.t, c3.t), 0.001)))
                    ++nCount;
            } else if (b3) {
                ++nCount;
            }
        }
        if (m_bUnknown)
            return ETri::Unknown;
        return nCount == 1 ? ETri::True : ETri::False;
    }

private:
    bool m_bUnknown = false;
    // The value of a decided test; an undecided one makes the whole count undecided.
    bool Is(ETri e) {
        if (e == ETri::Unknown)
            m_bUnknown = true;
        return e == ETri::True;
    }
};

} // namespace

CRegionTest::CRegionTest(double X1, double Y1, double X2, double Y2, double X3, double Y3,
                         double Fx, double Fy)
    : m_dX{X1, X2, X3}, m_dY{Y1, Y2, Y3}, m_dFx(Fx), m_dFy(Fy) {}

ETri CRegionTest::Inside(double xa, double xb, double ya, double yb) const {
    const CInterval px{xa, xb}, py{ya, yb};
    // The count reads every crossing's outcome, so one that is open leaves the count open.
    CCrossing c[3];
    for (int i = 0; i < 3; ++i) {
        const int j = i == 2 ? 0 : i + 1;
        c[i] = Cross(px, py, m_dFx, m_dFy, m_dX[i], m_dY[i], m_dX[j], m_dY[j]);
        if (c[i].eHit == ETri::Unknown)
            return ETri::Unknown;
    }
    return CCount().Inside(c[0], c[1], c[2]);
}

ETri CRegionTest::Tiny(double xa, double xb, double ya, double yb, ETri* peSpan) const {
    const CInterval px{xa, xb}, py{ya, yb};
    const double X1 = m_dX[0], Y1 = m_dY[0], X2 = m_dX[1], Y2 = m_dY[1], X3 = m_dX[2], Y3 = m_dY[2];
    const CInterval dDen =
        Sub(Mul(Y3 - Y2, Sub(X1, px)), Mul(Sub(Y1, py), CInterval{X3 - X2, X3 - X2}));
    const ETri eTiny = AbsBelow(dDen, 1e-20);
    *peSpan = ETri::Unknown;
    if (eTiny == ETri::False)
        *peSpan =
            InUnit(Div(Sub(Mul(Sub(Y1, py), Sub(X2, px)), Mul(Sub(Y2, py), Sub(X1, px))), dDen));
    return eTiny;
}
