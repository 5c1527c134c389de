// The cone filter of the rasteriser: which rows of a box column can hold a position that the
// crossing-count test accepts, decided with margins that no rounding can overcome, so that the
// rows it rules out need not be tested one by one.
#pragma once

// Which rows of a box column can hold a position that PointInTriangle accepts, decided with
// margins that no rounding of the crossing test can overcome.
//
// The crossing test runs the segment from P to its far point F (taken as the test takes it)
// against the three edges. For an edge A -> B its numerator is a = (A - P) x (F - P) and its
// denominator is a - b with b = (B - P) x (F - P); the crossing lies on the edge only when a and
// b differ in sign. Write L for the largest magnitude of any coordinate involved (vertices, F,
// box positions). Each of a, b and a - b is formed with an error below 4.5e-16 * 8 L^2, so when
// a and b both exceed M = 1e-13 L^2 with the same sign, the computed quotient is either
// negative or beyond 1 + 1e-14, and the edge gives -1. When that holds for all three vertices
// (the whole triangle strictly on one side of the line PF) the count is 0 and the test returns
// 0. For a column x the quantity a_V(y) = (Vx - x)(Fy - y) - (Vy - y)(Fx - x) is linear in y
// with the exact slope Fx - Vx, so the rows where it exceeds M (or is below -M) form a half
// line. Its end is estimated, then confirmed at the end row itself by evaluating a_V there
// (error below M) against 2 M; a row that cannot be confirmed stays a row to test. Every row
// outside the returned range therefore gets 0 from the exact test, and every row inside it is
// still decided by the exact test.
class CConeFilter {
public:
    // False when the coordinates are too large for the margins (every row is then tested).
    bool Init(double X1, double Y1, double X2, double Y2, double X3, double Y3, int xs, int xe,
              int ys, int ye);

    // The rows of column x within ys..ye that must go through the exact test: *pLo..*pHi, empty
    // when *pLo > *pHi.
    void Column(int x, int ys, int ye, int* pLo, int* pHi) const;

private:
    double m_dVx[3] = {}, m_dVy[3] = {};
    double m_dFx = 0.0, m_dFy = 0.0, m_dM = 0.0;

    // a_V at (x, y), formed as the crossing test forms its numerator.
    double Eval(int i, double px, double py) const {
        return (m_dFy - py) * (m_dVx[i] - px) - (m_dVy[i] - py) * (m_dFx - px);
    }
    bool Confirmed(int i, double px, int y, bool bPlus) const {
        const double a = Eval(i, px, y);
        return bPlus ? a > 2.0 * m_dM : a < -2.0 * m_dM;
    }
    // The first row from dEstimate on (a lower end) whose a_V has the wanted sign beyond the
    // margin; ye + 1 when none can be confirmed.
    int FirstRow(int i, double px, double dEstimate, int ys, int ye, bool bPlus) const;
    // The last row up to dEstimate (an upper end) likewise; ys - 1 when none.
    int LastRow(int i, double px, double dEstimate, int ys, int ye, bool bPlus) const;
};
