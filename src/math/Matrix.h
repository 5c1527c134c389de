// CMatrix: the dense linear algebra of the warp (LU decomposition with implicit partial
// pivoting, substitution, solve, inverse, products, transpose, bilinear interpolation, cross
// and dot products) and the plane-triangle routines of the rasteriser.
//
// A stateless class used as a local object. Matrices are in row-pointer form: an array of row
// pointers, each to a row of doubles; element (i, j) is a[i][j]. The caller allocates, fills
// and frees every matrix and vector it passes; sizes are passed explicitly. Outputs must not
// alias inputs. Every sum is evaluated in the order written in the .cpp so that results are
// bit-reproducible.
#pragma once

class CMatrix {
public:
    CMatrix() = default;
    virtual ~CMatrix() = default;

    // Crout's method with implicit partial pivoting. a (n x n) is replaced by the LU factors of
    // its row permutation; perm[j] receives the 1-based row exchanged with row j + 1; *parity is
    // +1.0 for an even number of exchanges, -1.0 for an odd one. A row of zeros shows "Error"
    // and the decomposition goes on with non-finite factors; a zero pivot becomes 1e-20.
    void LUDecompose(double** a, int n, int* perm, double* parity);
    // Replaces b by the solution of A x = b, A being the matrix decomposed into lu and perm.
    void LUBackSubstitute(double** lu, int n, const int* perm, double* b);
    // Replaces b by the solution of a x = b; a is left holding its LU factors.
    void Solve(double** a, double* b, int n);
    // inverse (caller-allocated, n x n) receives the inverse of a; a is not changed. Each
    // column is solved with a fresh decomposition.
    void Invert(double** a, double** inverse, int n);
    // c (rows x cols) = a (rows x inner) * b (inner x cols).
    void Multiply(double** a, double** b, double** c, int rows, int inner, int cols);
    // y (rows) = a (rows x cols) * x (cols).
    void MultiplyVector(double** a, const double* x, double* y, int rows, int cols);
    // t (cols x rows) = transpose of a (rows x cols).
    void Transpose(double** a, double** t, int rows, int cols);
    double BilinearInterpolate(double fx, double fy, double q00, double q10, double q01,
                               double q11);
    // w = u x v (3-vectors).
    void CrossProduct(const double* u, const double* v, double* w);
    // (u0 v0 + u1 v1) + u2 v2.
    double DotProduct(const double* u, const double* v);

    // Position t in [0, 1] along S = (x1,y1)->(x2,y2) where S meets E = (x3,y3)->(x4,y4), or -1.0.
    double SegmentCrossing(double x1, double y1, double x2, double y2, double x3, double y3,
                           double x4, double y4);
    // 1 when P lies in the triangle by the crossing-count rule, else 0. The count runs towards
    // the far point (2 max x, 3 max y); when every vertex has x <= 0 and y <= 0 that point could
    // fall inside the triangle, so (1.0, 1.0), outside the bounding box, is used instead.
    int PointInTriangle(double px, double py, double x1, double y1, double x2, double y2, double x3,
                        double y3);
    // The value at P interpolated from the vertex values along the line from A through P to BC,
    // or -valueA when P cannot be placed ("Too TINY" when P is on A or AP is parallel to BC).
    double InterpolateInTriangle(double valueA, double valueB, double valueC, double px, double py,
                                 double ax, double ay, double bx, double by, double cx, double cy);
    // 1 if every side is at least 0.5 long, else 0.
    int IsTriangleLargeEnough(double x1, double y1, double x2, double y2, double x3, double y3);
};
