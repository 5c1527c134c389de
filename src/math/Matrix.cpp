// CMatrix: every sum below is evaluated in exactly the order written, and nothing is fused
// (the build uses -ffp-contract=off), so that the warp gives bit-identical images everywhere.
#include "math/Matrix.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "framework/Services.h"

namespace {

// Scratch sizes come from the caller unchecked; a non-positive size simply means no work.
std::size_t ScratchSize(int n) {
    return n > 0 ? static_cast<std::size_t>(n) : 0u;
}

} // namespace

void CMatrix::LUDecompose(double** a, int n, int* perm, double* parity) {
    std::vector<double> scale(ScratchSize(n));
    *parity = 1.0;

    // Implicit pivoting: the reciprocal of each row's largest magnitude weighs the pivot
    // candidates only; the factors themselves are not scaled.
    for (int i = 0; i < n; ++i) {
        double dBig = 0.0;
        for (int j = 0; j < n; ++j)
            if (std::fabs(a[i][j]) > dBig)
                dBig = std::fabs(a[i][j]);
        if (dBig == 0.0)
            ShowMessageBox("Error"); // a zero row: the factors become non-finite, we go on
        scale[i] = 1.0 / dBig;
    }

    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            double dSum = a[i][j];
            for (int k = 0; k < i; ++k)
                dSum = dSum - a[i][k] * a[k][j];
            a[i][j] = dSum;
        }

        // A candidate that is not a number never passes ">=", so after a zero row every
        // candidate of a column can fail; the pivot then stays on the diagonal, which is
        // always a valid row.
        double dBig = 0.0;
        int nPivot = j;
        for (int i = j; i < n; ++i) {
            double dSum = a[i][j];
            for (int k = 0; k < j; ++k)
                dSum = dSum - a[i][k] * a[k][j];
            a[i][j] = dSum;
            const double dCandidate = std::fabs(dSum) * scale[i];
            if (dCandidate >= dBig) { // ties go to the later row
                dBig = dCandidate;
                nPivot = i;
            }
        }

        if (nPivot != j) {
            for (int k = 0; k < n; ++k) {
                const double dTemp = a[nPivot][k];
                a[nPivot][k] = a[j][k];
                a[j][k] = dTemp;
            }
            *parity = -*parity;
            scale[nPivot] = scale[j];
        }
        perm[j] = nPivot + 1; // 1-based row number

        if (a[j][j] == 0.0)
            a[j][j] = 1e-20; // singular: go on with a tiny pivot, the solution comes out huge

        if (j != n - 1) {
            const double dFactor = 1.0 / a[j][j];
            for (int i = j + 1; i < n; ++i)
                a[i][j] = a[i][j] * dFactor;
        }
    }
}

void CMatrix::LUBackSubstitute(double** lu, int n, const int* perm, double* b) {
    // nFirst is the first row with a non-zero permuted right-hand side (-1: none yet); the
    // forward substitution skips the leading zeros before it.
    int nFirst = -1;
    for (int i = 0; i < n; ++i) {
        const int p = perm[i] - 1;
        double dSum = b[p];
        b[p] = b[i];
        if (nFirst >= 0) {
            for (int j = nFirst; j < i; ++j)
                dSum = dSum - lu[i][j] * b[j];
        } else if (dSum != 0.0) {
            nFirst = i;
        }
        b[i] = dSum;
    }
    for (int i = n - 1; i >= 0; --i) {
        double dSum = b[i];
        for (int j = i + 1; j < n; ++j)
            dSum = dSum - lu[i][j] * b[j];
        b[i] = dSum / lu[i][i];
    }
}

void CMatrix::Solve(double** a, double* b, int n) {
    std::vector<int> perm(ScratchSize(n));
    double dParity = 1.0; // not used by the solve
    LUDecompose(a, n, perm.data(), &dParity);
    LUBackSubstitute(a, n, perm.data(), b);
}

void CMatrix::Invert(double** a, double** inverse, int n) {
    const std::size_t nSize = ScratchSize(n);
    std::vector<double> workStorage(nSize * nSize);
    std::vector<double*> work(nSize);
    for (std::size_t i = 0; i < nSize; ++i)
        work[i] = workStorage.data() + i * nSize;
    std::vector<double> col(nSize);

    // Every column gets a fresh decomposition of an untouched copy, so a is never changed.
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k)
                work[i][k] = a[i][k];
        for (int i = 0; i < n; ++i)
            col[i] = 0.0;
        col[j] = 1.0;
        Solve(work.data(), col.data(), n);
        for (int i = 0; i < n; ++i)
            inverse[i][j] = col[i];
    }
}

void CMatrix::Multiply(double** a, double** b, double** c, int rows, int inner, int cols) {
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            double dSum = 0.0;
            for (int k = 0; k < inner; ++k)
                dSum = a[i][k] * b[k][j] + dSum;
            c[i][j] = dSum;
        }
}

void CMatrix::MultiplyVector(double** a, const double* x, double* y, int rows, int cols) {
    for (int i = 0; i < rows; ++i)
        y[i] = 0.0;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            y[i] = a[i][j] * x[j] + y[i];
}

void CMatrix::Transpose(double** a, double** t, int rows, int cols) {
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            t[j][i] = a[i][j];
}

double CMatrix::BilinearInterpolate(double fx, double fy, double q00, double q10, double q01,
                                    double q11) {
    const double dTop = (q10 - q00) * fx + q00;
    const double dBottom = (q11 - q01) * fx + q01;
    return (dBottom - dTop) * fy + dTop;
}

void CMatrix::CrossProduct(const double* u, const double* v, double* w) {
    w[0] = u[1] * v[2] - u[2] * v[1];
    w[1] = u[2] * v[0] - u[0] * v[2];
    w[2] = u[0] * v[1] - u[1] * v[0];
}

double CMatrix::DotProduct(const double* u, const double* v) {
    return (u[0] * v[0] + u[1] * v[1]) + u[2] * v[2];
}

double CMatrix::SegmentCrossing(double x1, double y1, double x2, double y2, double x3, double y3,
                                double x4, double y4) {
    const double dNum = (y2 - y1) * (x3 - x1) - (y3 - y1) * (x2 - x1);
    const double dDen = (y4 - y3) * (x2 - x1) - (y2 - y1) * (x4 - x3);
    if (std::fabs(dDen) < 1e-20)
        return -1.0; // parallel or degenerate

    // The range tests are written so that a value that is not a number fails them too.
    const double s = dNum / dDen; // position along E
    if (!(s >= 0.0 && s <= 1.0))
        return -1.0;

    double t;
    if (std::fabs(x2 - x1) > 1e-20)
        t = ((x3 - x1) + (x4 - x3) * s) / (x2 - x1);
    else if (std::fabs(y2 - y1) > 1e-20)
        t = ((y3 - y1) + (y4 - y3) * s) / (y2 - y1);
    else
        t = -1.0; // S has no length
    if (!(t >= 0.0 && t <= 1.0))
        return -1.0;
    return t;
}

void CMatrix::FarPoint(double x1, double y1, double x2, double y2, double x3, double y3,
                       double* pFarX, double* pFarY) {
    double dMaxX = x1;
    if (x2 > dMaxX)
        dMaxX = x2;
    if (x3 > dMaxX)
        dMaxX = x3;
    double dMaxY = y1;
    if (y2 > dMaxY)
        dMaxY = y2;
    if (y3 > dMaxY)
        dMaxY = y3;

    // (2 max x, 3 max y) lies beyond the bounding box as soon as one maximum is positive. In
    // the lower-left quadrant it can fall inside the triangle and the count would invert, so
    // there (1, 1), which is beyond the box, is used instead.
    *pFarX = 2.0 * dMaxX;
    *pFarY = 3.0 * dMaxY;
    if (dMaxX <= 0.0 && dMaxY <= 0.0) {
        *pFarX = 1.0;
        *pFarY = 1.0;
    }
}

int CMatrix::PointInTriangle(double px, double py, double x1, double y1, double x2, double y2,
                             double x3, double y3) {
    if ((px > x1 && px > x2 && px > x3) || (px < x1 && px < x2 && px < x3) ||
        (py > y1 && py > y2 && py > y3) || (py < y1 && py < y2 && py < y3))
        return 0;

    double dFarX, dFarY;
    FarPoint(x1, y1, x2, y2, x3, y3, &dFarX, &dFarY);

    const double t1 = SegmentCrossing(px, py, dFarX, dFarY, x1, y1, x2, y2);
    const double t2 = SegmentCrossing(px, py, dFarX, dFarY, x2, y2, x3, y3);
    const double t3 = SegmentCrossing(px, py, dFarX, dFarY, x3, y3, x1, y1);

    // Crossings at the same position along P -> F are one crossing through a shared vertex.
    int nCount = 0;
    if (t1 >= 0.0) {
        ++nCount;
        if (t2 >= 0.0 && std::fabs(t1 - t2) > 0.001) {
            ++nCount;
            if (t3 >= 0.0 && std::fabs(t1 - t3) > 0.001 && std::fabs(t2 - t3) > 0.001)
                ++nCount;
        } else if (t2 >= 0.0) {
            if (t3 >= 0.0 && std::fabs(t3 - t1) > 1e-20)
                ++nCount;
        } else {
            if (t3 >= 0.0 && std::fabs(t1 - t3) > 0.001)
                ++nCount;
        }
    } else {
        if (t2 >= 0.0) {
            ++nCount;
            if (t3 >= 0.0 && std::fabs(t2 - t3) > 0.001)
                ++nCount;
        } else if (t3 >= 0.0) {
            ++nCount;
        }
    }
    return nCount == 1 ? 1 : 0;
}

double CMatrix::InterpolateInTriangle(double valueA, double valueB, double valueC, double px,
                                      double py, double ax, double ay, double bx, double by,
                                      double cx, double cy) {
    const double dDen = (cy - by) * (ax - px) - (ay - py) * (cx - bx);
    if (std::fabs(dDen) < 1e-20) {
        ShowMessageBox("Too TINY"); // P on A, or AP parallel to BC
        return -valueA;
    }

    // s: where the line from A through P meets BC; not a number fails the test as well.
    const double s = ((ay - py) * (bx - px) - (by - py) * (ax - px)) / dDen;
    if (!(s >= 0.0 && s <= 1.0))
        return -valueA;

    const double dValueQ = (1.0 - s) * valueB + s * valueC;
    const double dQx = (cx - bx) * s + bx;
    const double dQy = (cy - by) * s + by;

    const double dA = std::sqrt((ax - px) * (ax - px) + (ay - py) * (ay - py));
    const double dQ = std::sqrt((px - dQx) * (px - dQx) + (py - dQy) * (py - dQy));
    const double w = dQ / (dQ + dA);
    return (1.0 - w) * dValueQ + w * valueA;
}

int CMatrix::IsTriangleLargeEnough(double x1, double y1, double x2, double y2, double x3,
                                   double y3) {
    const double d12 = std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
    const double d13 = std::sqrt((x3 - x1) * (x3 - x1) + (y3 - y1) * (y3 - y1));
    const double d32 = std::sqrt((x2 - x3) * (x2 - x3) + (y2 - y3) * (y2 - y3));
    if (d12 < 0.5 || d13 < 0.5 || d32 < 0.5)
        return 0;
    return 1;
}
