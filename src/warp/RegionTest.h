// What the crossing-count test and the interpolation decide for a whole box of target
// positions at once, proven with interval arithmetic, so that the rasteriser can settle large
// parts of a triangle's box without testing every position.
//
// Every quantity of PointInTriangle and InterpolateInTriangle is formed with the same operations
// in the same order, on intervals instead of numbers. Rounding to nearest is monotone, so for
// +, -, * and / (a divisor that cannot be 0) the computed result at any point of the input
// intervals lies between the smallest and the largest of the computed results at their
// endpoints: the intervals enclose the very doubles that the position-by-position form computes,
// not only the exact values. A decision is taken only when it holds over the whole interval;
// any doubt (an enclosure that straddles a threshold, or that is not finite) leaves it open, and
// the caller splits the box. A single position is always decided the plain way.
#pragma once

// Three-valued outcome of a test over a box.
enum class ETri { False, True, Unknown };

// One warped triangle as the region tests see it: vertices (vertex 1 first, as the
// interpolation measures from it) and the far point of the crossing count.
class CRegionTest {
public:
    CRegionTest(double X1, double Y1, double X2, double Y2, double X3, double Y3, double Fx,
                double Fy);

    // Over the box of integer positions xa..xb, ya..yb, which must lie within the vertices'
    // extent (no position beyond the smallest or largest vertex coordinate, where the quick
    // rejection of PointInTriangle would apply):
    // whether PointInTriangle gives 1;
    ETri Inside(double xa, double xb, double ya, double yb) const;
    // whether the interpolation's denominator is below 1e-20 in magnitude ("Too TINY"), and
    // where it is not, whether its s lies in [0, 1] (*peSpan Unknown otherwise).
    ETri Tiny(double xa, double xb, double ya, double yb, ETri* peSpan) const;

private:
    double m_dX[3], m_dY[3];
    double m_dFx, m_dFy;
};
