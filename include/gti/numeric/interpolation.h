// Interpolation in tables of points, running means, root finding and the near-zero test.
//
// Interpolation holds a table of (x, y) points, for example a calibration curve of counts
// against density, and reads a value at any x in one of four ways. The table is sorted by x
// before the first reading after a change; the order of points with equal x is not defined.
//
//   get_line_value      the straight line through the two neighbouring points; beyond either
//                       end the line through the two outermost points that lie apart (more
//                       than 1e-12), so 10 past the end of (0,0) (10,100) reads 200
//   get_lagr_value      the polynomial through all points; of points with equal x only the
//                       first counts, and an x that equals a point's gives that point's y
//   get_bi_value        the parabola through a window of three points: windows [0,2], [2,4],
//                       [4,6], ... that share their end points; with an even count the last
//                       window holds two points and is a straight line
//   get_nearest_value   the y of the point nearest to x; of equally near points the first
//
// Degenerate tables read as 0: linear with fewer than two points or with all x within 1e-12 of
// each other; Lagrange and nearest with no points; quadratic with fewer than three points or
// with two equal x in the window. A point whose x is NaN takes no part, and reading at a NaN x
// gives NaN.
#pragma once

#include <cstdint>
#include <span>

#include "gti/util/array.h"

namespace lib {

// True when v counts as zero before a division: -1e-12 < v < 1e-5. The interval is not
// symmetric: it is meant for differences that are not positive (x_lo - x_hi of sorted points)
// and for values that are about to divide something.
bool is_over_null(double v) noexcept;

// A table of (x, y) points that reads values between and beyond them.
class Interpolation {
public:
    // One point of the table.
    struct Point {
        double x = 0.0;
        double y = 0.0;
    };

    // An empty table.
    Interpolation() = default;

    // Discards the points and makes room for n points, each (0, 0) until set. Throws
    // std::invalid_argument when n is negative; the old points stay when memory runs out.
    void set_size(int n);
    // Sets point i to (x, y). Throws std::out_of_range unless 0 <= i < get_size().
    void set_point(int i, double x, double y);
    // The number of points.
    int get_size() const noexcept { return points_.size(); }
    // Point i in the table's current order. Throws std::out_of_range unless 0 <= i < get_size().
    Point get_point(int i) const;
    // Orders the points by ascending x (points whose x is NaN go last).
    void sort();

    // Linear interpolation and extrapolation at x.
    double get_line_value(double x);
    // The Lagrange polynomial through all points at x.
    double get_lagr_value(double x);
    // Piecewise quadratic interpolation at x.
    double get_bi_value(double x);
    // The y of the point nearest to x.
    double get_nearest_value(double x);

private:
    std::span<const Point> ordered();

    bool sorted_ = false;
    lib::array<Point> points_;
};

// The mean of the readings taken since the previous mean, optionally ignoring near-zero ones.
class AverValue {
public:
    // With `accept_small` false, readings with |v| < 0.001 are ignored.
    explicit AverValue(bool accept_small);

    // Takes one reading. Readings that are not finite numbers are always ignored.
    void add(double v);
    // The mean of the readings since the previous get() and starts a new period; with no
    // readings in the period the previous mean is repeated (0 before the first).
    double get();
    // Forgets the readings and the previous mean.
    void clear();

private:
    double sum_ = 0.0;
    double last_ = 0.0;
    std::int64_t count_ = 0;
    bool accept_small_;
};

// Finds a root of f between a and b by bisection and returns the last midpoint m: it stops when
// |f(m)| <= eps (or the comparison fails on NaN), when no sign change is left on either side of
// m, or when the midpoint no longer moves because the interval is down to neighbouring doubles.
// Each step calls f three times, at a, m and b. Throws std::invalid_argument when f is null.
double zero_of_function(double (*f)(double), double a, double b, double eps);

}  // namespace lib
