#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "math/Matrix.h"

namespace {

// A square matrix in the row-pointer form the routines take.
struct CTestMatrix {
    explicit CTestMatrix(int n) : nSize(n), storage(static_cast<size_t>(n * n), 0.0), rows(n) {
        for (int i = 0; i < n; ++i)
            rows[i] = storage.data() + i * n;
    }
    CTestMatrix(int n, std::initializer_list<double> values) : CTestMatrix(n) {
        int k = 0;
        for (double d : values)
            storage[k++] = d;
    }
    CTestMatrix(const CTestMatrix& other) : CTestMatrix(other.nSize) {
        std::copy(other.storage.begin(), other.storage.end(), storage.begin());
    }
    double** p() { return rows.data(); }
    double& at(int i, int j) { return rows[i][j]; }
    bool SameBits(const CTestMatrix& other) const {
        return std::memcmp(storage.data(), other.storage.data(), storage.size() * sizeof(double)) ==
               0;
    }

    int nSize;
    std::vector<double> storage;
    std::vector<double*> rows;
};

CTestMatrix Identity(int n) {
    CTestMatrix m(n);
    for (int i = 0; i < n; ++i)
        m.at(i, i) = 1.0;
    return m;
}

} // namespace

// ---------------------------------------------------------------- linear algebra

TEST(Matrix, InvertsExactlyInvertibleMatricesAndLeavesTheInputAlone) {
    struct Case {
        const char* pszName;
        CTestMatrix a;
        CTestMatrix expected;
    };
    std::vector<Case> cases = {
        {"identity", Identity(3), Identity(3)},
        {"diagonal", CTestMatrix(3, {2, 0, 0, 0, -4, 0, 0, 0, 0.5}),
         CTestMatrix(3, {0.5, 0, 0, 0, -0.25, 0, 0, 0, 2})},
        {"permutation", CTestMatrix(3, {0, 1, 0, 0, 0, 1, 1, 0, 0}),
         CTestMatrix(3, {0, 0, 1, 1, 0, 0, 0, 1, 0})},
        {"2x2", CTestMatrix(2, {4, 7, 2, 6}), CTestMatrix(2, {0.6, -0.7, -0.2, 0.4})},
    };
    CMatrix matrix;
    for (Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CRecordingSinks sinks;
        const CTestMatrix before(c.a);
        CTestMatrix inverse(c.a.nSize);
        matrix.Invert(c.a.p(), inverse.p(), c.a.nSize);
        EXPECT_TRUE(c.a.SameBits(before));
        for (int i = 0; i < c.a.nSize; ++i)
            for (int j = 0; j < c.a.nSize; ++j)
                EXPECT_NEAR(inverse.at(i, j), c.expected.at(i, j), 1e-15) << i << "," << j;
        EXPECT_TRUE(sinks.messages.empty());
    }
}

TEST(Matrix, ProductWithTheInverseIsTheIdentityForRandomMatrices) {
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<double> offset(-0.45, 0.45);
    CMatrix matrix;
    CRecordingSinks sinks;
    for (int nTrial = 0; nTrial < 2000; ++nTrial) {
        CTestMatrix a = Identity(3);
        for (double& d : a.storage)
            d += offset(rng);
        CTestMatrix inverse(3), left(3), right(3);
        matrix.Invert(a.p(), inverse.p(), 3);
        matrix.Multiply(a.p(), inverse.p(), right.p(), 3, 3, 3);
        matrix.Multiply(inverse.p(), a.p(), left.p(), 3, 3, 3);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const double dWant = i == j ? 1.0 : 0.0;
                ASSERT_NEAR(right.at(i, j), dWant, 1e-12) << "trial " << nTrial;
                ASSERT_NEAR(left.at(i, j), dWant, 1e-12) << "trial " << nTrial;
            }
    }
    EXPECT_TRUE(sinks.messages.empty());
}

TEST(Matrix, DecompositionFactorsThePermutedInputAndSolveLeavesTheFactors) {
    const CTestMatrix original(3, {1, 2, 3, 4, 5, 6, 7, 8, 10});
    CMatrix matrix;

    CTestMatrix lu(original);
    int perm[3] = {0, 0, 0};
    double dParity = 0.0;
    matrix.LUDecompose(lu.p(), 3, perm, &dParity);

    // Apply the recorded exchanges to the input, then compare with L * U.
    CTestMatrix permuted(original);
    double dExpectParity = 1.0;
    for (int j = 0; j < 3; ++j) {
        ASSERT_GE(perm[j], j + 1);
        ASSERT_LE(perm[j], 3);
        if (perm[j] != j + 1) {
            std::swap(permuted.rows[j], permuted.rows[perm[j] - 1]);
            dExpectParity = -dExpectParity;
        }
    }
    EXPECT_EQ(dParity, dExpectParity);
    CTestMatrix lower = Identity(3), upper(3), product(3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            (j < i ? lower.at(i, j) : upper.at(i, j)) = lu.at(i, j);
    matrix.Multiply(lower.p(), upper.p(), product.p(), 3, 3, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(product.at(i, j), permuted.rows[i][j], 1e-13) << i << "," << j;

    // Solve decomposes in place: its matrix ends up bit-identical to the factors above.
    CTestMatrix solved(original);
    double b[3] = {6, 15, 25}; // x = (1, 1, 1)
    matrix.Solve(solved.p(), b, 3);
    EXPECT_TRUE(solved.SameBits(lu));
    for (double d : b)
        EXPECT_NEAR(d, 1.0, 1e-13);
}

TEST(Matrix, EqualScaledCandidatesPickTheLaterRow) {
    CTestMatrix a(2, {1, 1, 1, -1});
    int perm[2] = {0, 0};
    double dParity = 0.0;
    CMatrix matrix;
    matrix.LUDecompose(a.p(), 2, perm, &dParity);
    EXPECT_EQ(perm[0], 2);
    EXPECT_EQ(perm[1], 2);
    EXPECT_EQ(dParity, -1.0);

    CTestMatrix b2(2, {1, 1, 1, -1});
    double b[2] = {3, 1};
    matrix.Solve(b2.p(), b, 2);
    EXPECT_EQ(b[0], 2.0);
    EXPECT_EQ(b[1], 1.0);
}

TEST(Matrix, RightHandSidesWithLeadingZerosSolveCorrectly) {
    // det -1 with an integer inverse, so every solution is a small integer vector.
    const CTestMatrix a(3, {2, 1, 1, 1, 3, 2, 1, 0, 0});
    struct Case {
        double b[3];
    };
    const Case cases[] = {{{0, 0, 1}}, {{0, 1, 0}}, {{0, 0, 0}}, {{0, 2, -3}}, {{1, 0, 0}}};
    CMatrix matrix;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.b[0]) + " " + std::to_string(c.b[1]) + " " +
                     std::to_string(c.b[2]));
        CTestMatrix work(a);
        double x[3] = {c.b[0], c.b[1], c.b[2]};
        matrix.Solve(work.p(), x, 3);
        CTestMatrix again(a);
        double y[3];
        matrix.MultiplyVector(again.p(), x, y, 3, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(std::isfinite(x[i]));
            EXPECT_NEAR(y[i], c.b[i], 1e-13) << i;
        }
    }
}

TEST(Matrix, ZeroRowsShowErrorOncePerRowPerDecomposition) {
    struct Case {
        const char* pszName;
        CTestMatrix a;
        size_t nMessages;
    };
    std::vector<Case> cases = {
        {"one zero row", CTestMatrix(3, {1, 2, 3, 0, 0, 0, 4, 5, 7}), 1},
        {"two zero rows", CTestMatrix(3, {0, 0, 0, 1, 2, 3, 0, 0, 0}), 2},
        // Every candidate is then 0 * infinity, not a number: no row qualifies as pivot and
        // the diagonal one is kept.
        {"zero matrix", CTestMatrix(3), 3},
    };
    CMatrix matrix;
    for (Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CRecordingSinks sinks;
        int perm[3] = {0, 0, 0};
        double dParity = 0.0;
        matrix.LUDecompose(c.a.p(), 3, perm, &dParity);
        EXPECT_EQ(sinks.messages, std::vector<std::string>(c.nMessages, "Error"));
        for (int j = 0; j < 3; ++j) {
            EXPECT_GE(perm[j], j + 1);
            EXPECT_LE(perm[j], 3);
        }
    }
    CRecordingSinks sinks;
    CTestMatrix zero(3);
    int perm[3];
    double dParity;
    matrix.LUDecompose(zero.p(), 3, perm, &dParity);
    EXPECT_EQ(perm[0], 1);
    EXPECT_EQ(perm[1], 2);
    EXPECT_EQ(perm[2], 3);
    EXPECT_EQ(dParity, 1.0);
}

TEST(Matrix, InvertingAZeroRowMatrixShowsErrorPerColumnAndGivesNoInverse) {
    // The zero row is never chosen as pivot (its scaled candidates are 0 * infinity) until it
    // is the last row left, where the tiny pivot takes over: the values stay finite but are
    // meaningless, of the order of 1e20 in the column that the zero row feeds.
    CRecordingSinks sinks;
    CTestMatrix a(3, {1, 2, 3, 0, 0, 0, 4, 5, 7});
    const CTestMatrix before(a);
    CTestMatrix inverse(3), product(3);
    CMatrix matrix;
    matrix.Invert(a.p(), inverse.p(), 3);
    EXPECT_EQ(sinks.messages, std::vector<std::string>(3, "Error"));
    EXPECT_TRUE(a.SameBits(before));
    EXPECT_DOUBLE_EQ(inverse.at(2, 1), 1e20);
    matrix.Multiply(a.p(), inverse.p(), product.p(), 3, 3, 3);
    EXPECT_NE(product.at(1, 1), 1.0); // row 1 of a is zero: a * inverse is never the identity

    // The zero matrix: three messages per column, nine in all, and no index out of range.
    CTestMatrix zero(3);
    sinks.messages.clear();
    matrix.Invert(zero.p(), inverse.p(), 3);
    EXPECT_EQ(sinks.messages.size(), 9u);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_DOUBLE_EQ(inverse.at(i, j), i == j ? 1e20 : 0.0) << i << "," << j;
}

TEST(Matrix, SingularMatrixWithoutZeroRowGetsTinyPivotAndHugeFiniteSolution) {
    CRecordingSinks sinks;
    CTestMatrix a(2, {1, 2, 2, 4});
    double b[2] = {1, 1};
    CMatrix matrix;
    matrix.Solve(a.p(), b, 2);
    EXPECT_TRUE(sinks.messages.empty());
    EXPECT_EQ(a.at(1, 1), 1e-20);
    EXPECT_DOUBLE_EQ(b[1], 5e19);
    EXPECT_DOUBLE_EQ(b[0], -1e20);
}

TEST(Matrix, ProductsAndTransposeOfRectangularMatrices) {
    // a is 2 x 3, b is 3 x 2; the routines take row pointers of any shape.
    double a0[] = {1, 2, 3}, a1[] = {4, 5, 6};
    double b0[] = {7, 8}, b1[] = {9, 10}, b2[] = {11, 12};
    double* a[] = {a0, a1};
    double* b[] = {b0, b1, b2};
    double c0[2], c1[2];
    double* c[] = {c0, c1};
    CMatrix matrix;
    matrix.Multiply(a, b, c, 2, 3, 2);
    EXPECT_EQ(c0[0], 58.0);
    EXPECT_EQ(c0[1], 64.0);
    EXPECT_EQ(c1[0], 139.0);
    EXPECT_EQ(c1[1], 154.0);

    const double x[] = {1, -1, 2};
    double y[2] = {99, 99};
    matrix.MultiplyVector(a, x, y, 2, 3);
    EXPECT_EQ(y[0], 5.0);
    EXPECT_EQ(y[1], 11.0);

    double t0[2], t1[2], t2[2];
    double* t[] = {t0, t1, t2};
    matrix.Transpose(a, t, 2, 3);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(t[j][i], a[i][j]);
}

TEST(Matrix, SumsRunInTheWrittenOrder) {
    // Values chosen so that another order of the additions gives a different double.
    CMatrix matrix;
    const double u[] = {1e16, -1e16, 1.0}, v[] = {1.0, 1.0, 1.0};
    EXPECT_EQ(matrix.DotProduct(u, v), 1.0); // (1e16 - 1e16) + 1
    const double u2[] = {1.0, 1e16, -1e16};
    EXPECT_EQ(matrix.DotProduct(u2, v), 0.0); // (1 + 1e16) - 1e16

    // Multiply and MultiplyVector accumulate k = 0, 1, 2 into a running sum.
    double r0[] = {1.0, 1e16, -1e16};
    double* a[] = {r0};
    double x[] = {1.0, 1.0, 1.0};
    double y[1];
    matrix.MultiplyVector(a, x, y, 1, 3);
    EXPECT_EQ(y[0], 0.0);
    double k0[] = {1.0}, k1[] = {1.0}, k2[] = {1.0};
    double* b[] = {k0, k1, k2};
    double c0[1];
    double* c[] = {c0};
    matrix.Multiply(a, b, c, 1, 3, 1);
    EXPECT_EQ(c0[0], 0.0);
}

TEST(Matrix, CrossDotAndBilinear) {
    CMatrix matrix;
    const double ex[] = {1, 0, 0}, ey[] = {0, 1, 0};
    double w[3];
    matrix.CrossProduct(ex, ey, w);
    EXPECT_EQ(w[0], 0.0);
    EXPECT_EQ(w[1], 0.0);
    EXPECT_EQ(w[2], 1.0);
    const double u[] = {1, 2, 3}, v[] = {-2, 0.5, 4};
    matrix.CrossProduct(u, v, w);
    EXPECT_EQ(w[0], 6.5);
    EXPECT_EQ(w[1], -10.0);
    EXPECT_EQ(w[2], 4.5);
    EXPECT_EQ(matrix.DotProduct(w, u), 0.0);
    EXPECT_EQ(matrix.DotProduct(u, u), 14.0);

    struct Case {
        double fx, fy, dWant;
    };
    const Case cases[] = {{0, 0, 1}, {1, 0, 2}, {0, 1, 3}, {1, 1, 5}, {0.5, 0.5, 2.75}};
    for (const Case& c : cases)
        EXPECT_EQ(matrix.BilinearInterpolate(c.fx, c.fy, 1, 2, 3, 5), c.dWant)
            << c.fx << "," << c.fy;
}

// ---------------------------------------------------------------- triangle routines

TEST(Triangle, SegmentCrossing) {
    struct Case {
        double x3, y3, x4, y4;
        double dWant;
    };
    // S runs from (0, 0) to (10, 0).
    const Case cases[] = {
        {5, -5, 5, 5, 0.5},     {10, -5, 10, 5, 1.0},  {0, -5, 0, 5, 0.0}, // both ends count
        {0, 1, 10, 1, -1.0},    {11, -5, 11, 5, -1.0}, {-1, -5, -1, 5, -1.0},
        {5, 1, 5, 5, -1.0},     {5, -5, 5, 0, 0.5}, // E ends on S
        {2.5, 5, 7.5, -5, 0.5}, {NAN, -5, 5, 5, -1.0},
    };
    CMatrix matrix;
    for (const Case& c : cases)
        EXPECT_EQ(matrix.SegmentCrossing(0, 0, 10, 0, c.x3, c.y3, c.x4, c.y4), c.dWant)
            << c.x3 << "," << c.y3 << " -> " << c.x4 << "," << c.y4;

    // A vertical S is measured along y; an S of zero length never crosses.
    EXPECT_EQ(matrix.SegmentCrossing(0, 0, 0, 8, -1, 2, 1, 2), 0.25);
    EXPECT_EQ(matrix.SegmentCrossing(3, 3, 3, 3, 0, 0, 6, 6), -1.0);
    EXPECT_EQ(matrix.SegmentCrossing(3, 3, 3, 3, 3, 0, 3, 6), -1.0);
}

TEST(Triangle, PointInTriangleInsideOutsideAndBoundary) {
    struct Case {
        double px, py;
        int nWant;
    };
    CMatrix matrix;
    // (0, 0), (10, 0), (0, 10): a boundary point belongs to the triangle where the way to the
    // far point (20, 30) leaves it, that is on the edge V2V3 and its ends.
    const Case cases[] = {
        {2, 2, 1}, {1, 1, 1}, {6, 6, 0},  {-1, 5, 0}, {11, 0, 0}, {3, -1, 0}, {0, 0, 0},
        {5, 0, 0}, {0, 5, 0}, {10, 0, 1}, {0, 10, 1}, {5, 5, 1},  {4, 6, 1},  {9.9, 0.05, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matrix.PointInTriangle(c.px, c.py, 0, 0, 10, 0, 0, 10), c.nWant)
            << c.px << "," << c.py;

    // A triangle of the lower-left quadrant, where (2 max x, 3 max y) = (-2, -3) lies inside
    // it: the count runs towards (1, 1) there instead and still answers correctly.
    const Case lowerLeft[] = {{-50, -20, 1}, {-60, -60, 0}, {-2, -3, 1},
                              {-10, -10, 1}, {-99, -99, 0}, {-0.5, -50, 0}};
    for (const Case& c : lowerLeft)
        EXPECT_EQ(matrix.PointInTriangle(c.px, c.py, -1, -1, -100, -1, -1, -100), c.nWant)
            << c.px << "," << c.py;

    // Vertices touching the axes keep their maxima at 0 and use (1, 1) as well.
    EXPECT_EQ(matrix.PointInTriangle(-1, -1, 0, 0, -10, 0, 0, -10), 1);
    EXPECT_EQ(matrix.PointInTriangle(-6, -6, 0, 0, -10, 0, 0, -10), 0);
}

TEST(Triangle, PointInTriangleAgreesWithEdgeSignsInEveryQuadrant) {
    // Random triangles around the origin, many wholly in the lower-left quadrant. Points near
    // an edge, or whose way to the far point passes close to a vertex (where the crossing
    // count merges nearby crossings by design), are left out.
    std::mt19937 rng(7u);
    std::uniform_real_distribution<double> centre(-60.0, 60.0), spread(-20.0, 20.0);
    CMatrix matrix;
    int nLowerLeft = 0, nChecked = 0;
    for (int nTri = 0; nTri < 400; ++nTri) {
        const double cx = centre(rng), cy = centre(rng);
        double x[3], y[3];
        for (int k = 0; k < 3; ++k) {
            x[k] = cx + spread(rng);
            y[k] = cy + spread(rng);
        }
        const double dArea = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (std::fabs(dArea) < 20.0)
            continue;
        const double dMaxX = std::max({x[0], x[1], x[2]}), dMaxY = std::max({y[0], y[1], y[2]});
        const bool bLowerLeft = dMaxX <= 0.0 && dMaxY <= 0.0;
        nLowerLeft += bLowerLeft;
        const double fx = bLowerLeft ? 1.0 : 2.0 * dMaxX, fy = bLowerLeft ? 1.0 : 3.0 * dMaxY;
        for (int nPoint = 0; nPoint < 50; ++nPoint) {
            const double px = cx + spread(rng), py = cy + spread(rng);
            bool bClear = true, bAllPositive = true, bAllNegative = true;
            const double dLen = std::hypot(fx - px, fy - py);
            for (int k = 0; k < 3; ++k) {
                const int m = (k + 1) % 3;
                const double dEdge = std::hypot(x[m] - x[k], y[m] - y[k]);
                const double dSide = ((x[m] - x[k]) * (py - y[k]) - (y[m] - y[k]) * (px - x[k]));
                bClear = bClear && std::fabs(dSide) / dEdge > 1e-3;
                bAllPositive = bAllPositive && dSide > 0;
                bAllNegative = bAllNegative && dSide < 0;
                const double dOff = std::fabs((fx - px) * (y[k] - py) - (fy - py) * (x[k] - px));
                bClear = bClear && dOff / dLen > 0.01 * dLen;
            }
            if (!bClear)
                continue;
            ++nChecked;
            const int nWant = (bAllPositive || bAllNegative) ? 1 : 0;
            ASSERT_EQ(matrix.PointInTriangle(px, py, x[0], y[0], x[1], y[1], x[2], y[2]), nWant)
                << "triangle (" << x[0] << "," << y[0] << ") (" << x[1] << "," << y[1] << ") ("
                << x[2] << "," << y[2] << ") point " << px << "," << py;
        }
    }
    EXPECT_GT(nLowerLeft, 20);
    EXPECT_GT(nChecked, 5000);
}

TEST(Triangle, InterpolateInTriangle) {
    struct Case {
        const char* pszName;
        double valueA, px, py;
        double dWant;
        bool bTooTiny;
    };
    // A = (0, 0), B = (10, 0), C = (0, 10); values 10, 20, 30 unless stated.
    const Case cases[] = {
        {"interior", 10, 2, 3, 18, false},
        {"vertex B", 10, 10, 0, 20, false},
        {"vertex C", 10, 0, 10, 30, false},
        {"edge BC midpoint", 10, 5, 5, 25, false},
        {"vertex A", 10, 0, 0, -10, true},
        {"beyond BC on the line from A", 10, 20, -5, -10, false},
    };
    CMatrix matrix;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CRecordingSinks sinks;
        const double d =
            matrix.InterpolateInTriangle(c.valueA, 20, 30, c.px, c.py, 0, 0, 10, 0, 0, 10);
        EXPECT_NEAR(d, c.dWant, 1e-12);
        EXPECT_EQ(sinks.messages,
                  c.bTooTiny ? std::vector<std::string>{"Too TINY"} : std::vector<std::string>{});
    }

    // Every meeting of the condition shows the message again.
    CRecordingSinks sinks;
    const double dZero = matrix.InterpolateInTriangle(0, 20, 30, 0, 0, 0, 0, 10, 0, 0, 10);
    EXPECT_EQ(dZero, 0.0);
    EXPECT_TRUE(std::signbit(dZero)); // the failure value of 0 is -0
    matrix.InterpolateInTriangle(5, 20, 30, 1, 3, 2, 2, 10, 0, 0, 10); // AP parallel to BC
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY", "Too TINY"}));

    // Inside a general triangle it is linear interpolation of the vertex values.
    const double ax = 1.5, ay = -2, bx = 9, by = 1, cx = 3, cy = 7.25;
    const double vA = 40, vB = 100, vC = 7;
    const double pts[][2] = {{4, 1}, {5, 2.5}, {3, 3}, {7, 1.2}};
    for (const auto& p : pts) {
        const double dArea = (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
        const double l1 = ((bx - p[0]) * (cy - p[1]) - (cx - p[0]) * (by - p[1])) / dArea;
        const double l2 = ((cx - p[0]) * (ay - p[1]) - (ax - p[0]) * (cy - p[1])) / dArea;
        const double l3 = 1.0 - l1 - l2;
        EXPECT_NEAR(matrix.InterpolateInTriangle(vA, vB, vC, p[0], p[1], ax, ay, bx, by, cx, cy),
                    l1 * vA + l2 * vB + l3 * vC, 1e-11)
            << p[0] << "," << p[1];
    }
}

TEST(Triangle, IsTriangleLargeEnoughNeedsEverySideAtLeastHalfAPixel) {
    struct Case {
        double x1, y1, x2, y2, x3, y3;
        int nWant;
    };
    const Case cases[] = {
        {0, 0, 0.5, 0, 0, 0.5, 1}, {0, 0, 0.49, 0, 0, 0.5, 0}, {0, 0, 0.5, 0, 0, 0.49, 0},
        {0, 0, 10, 0, 10, 0.4, 0}, {0, 0, 10, 0, 5, 8, 1},     {3, 3, 3, 3, 9, 9, 0},
    };
    CMatrix matrix;
    for (const Case& c : cases)
        EXPECT_EQ(matrix.IsTriangleLargeEnough(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3), c.nWant)
            << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2 << " " << c.x3 << "," << c.y3;
}
