#include "gti/numeric/interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>

namespace {

using Point = lib::Interpolation::Point;

// Ascending x with NaN after every number: a strict weak order even for tables holding NaN.
bool before(const Point& p, const Point& q) {
    return p.x < q.x || (!std::isnan(p.x) && std::isnan(q.x));
}

// The Lagrange polynomial through points[first..last] at x, or 0 when two of them share an x.
double window_value(std::span<const Point> points, std::size_t first, std::size_t last, double x) {
    double sum = 0.0;
    for (std::size_t i = first; i <= last; ++i) {
        double numerator = 1.0;
        double denominator = 1.0;
        for (std::size_t j = first; j <= last; ++j) {
            if (j == i) continue;
            numerator *= x - points[j].x;
            denominator *= points[i].x - points[j].x;
        }
        if (denominator == 0.0) return 0.0;
        sum += points[i].y * numerator / denominator;
    }
    return sum;
}

}  // namespace

namespace lib {

bool is_over_null(double v) noexcept {
    return v > -1e-12 && v < 1e-5;
}

void Interpolation::set_size(int n) {
    if (n < 0) throw std::invalid_argument("Interpolation::set_size: negative point count");
    points_.reset(n);
    sorted_ = false;
}

void Interpolation::set_point(int i, double x, double y) {
    if (i < 0 || i >= points_.size()) throw std::out_of_range("Interpolation::set_point: index out of range");
    points_[i] = Point{x, y};
    sorted_ = false;
}

Interpolation::Point Interpolation::get_point(int i) const {
    if (i < 0 || i >= points_.size()) throw std::out_of_range("Interpolation::get_point: index out of range");
    return points_[i];
}

void Interpolation::sort() {
    std::ranges::sort(points_, before);
    sorted_ = true;
}

std::span<const Point> Interpolation::ordered() {
    if (!sorted_) sort();
    const Point* end = std::ranges::partition_point(points_, [](const Point& p) { return !std::isnan(p.x); });
    return {points_.begin(), end};
}

double Interpolation::get_line_value(double x) {
    if (std::isnan(x)) return x;
    const std::span<const Point> p = ordered();
    const std::size_t n = p.size();
    if (n < 2) return 0.0;

    const auto index = [&](std::span<const Point>::iterator at) { return static_cast<std::size_t>(at - p.begin()); };
    std::size_t lo = 0;
    std::size_t hi = 0;
    if (x < p[0].x) {
        // Left of the table: along the first point and the first one apart from it, since a
        // repeated first point gives no slope.
        hi = index(std::ranges::partition_point(p, [&](const Point& q) { return is_over_null(p[0].x - q.x); }));
        if (hi == n) return 0.0;
    } else if (x >= p[n - 1].x) {
        // At or right of the last point: along it and the last point apart from it.
        hi = n - 1;
        const std::size_t tail =
            index(std::ranges::partition_point(p, [&](const Point& q) { return !is_over_null(q.x - p[hi].x); }));
        if (tail == 0) return 0.0;
        lo = tail - 1;
    } else {
        // Inside: lo is the first point at x when there is one, else the last point before x.
        lo = index(std::ranges::lower_bound(p, x, {}, &Point::x));
        hi = index(std::ranges::upper_bound(p, x, {}, &Point::x));
        if (lo == hi) --lo;
        // x lies on or between two points less than 1e-12 apart: both values are as good.
        if (is_over_null(p[lo].x - p[hi].x)) return p[lo].y;
    }
    return (x - p[lo].x) * (p[hi].y - p[lo].y) / (p[hi].x - p[lo].x) + p[lo].y;
}

double Interpolation::get_lagr_value(double x) {
    if (std::isnan(x)) return x;
    const std::span<const Point> p = ordered();
    const auto at = std::ranges::lower_bound(p, x, {}, &Point::x);
    if (at != p.end() && at->x == x) return at->y;

    // A repeated x would make every other term's polynomial vanish at both copies while their
    // own terms divide by zero: the polynomial runs through the first point of each x instead.
    const auto repeated = [&](std::size_t k) { return k > 0 && p[k].x == p[k - 1].x; };
    double sum = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (repeated(i)) continue;
        double numerator = 1.0;
        double denominator = 1.0;
        for (std::size_t j = 0; j < p.size(); ++j) {
            if (j == i || repeated(j)) continue;
            numerator *= x - p[j].x;
            denominator *= p[i].x - p[j].x;
        }
        // Only an underflow of the product is left to give 0 here; such a term is skipped.
        if (denominator == 0.0) continue;
        sum += p[i].y * numerator / denominator;
    }
    return sum;
}

double Interpolation::get_bi_value(double x) {
    if (std::isnan(x)) return x;
    const std::span<const Point> p = ordered();
    const std::size_t n = p.size();
    if (n < 3) return 0.0;

    std::size_t first = 0;
    std::size_t last = 2;
    if (x > p[n - 1].x) {
        first = n - 3;
        last = n - 1;
    } else if (x >= p[0].x) {
        // The first window [first, last] with x_first <= x < x_last; x at the last point takes
        // the last window.
        for (first = 0;; first += 2) {
            last = std::min(first + 2, n - 1);
            if ((p[first].x <= x && x < p[last].x) || first + 2 >= n - 1) break;
        }
    }
    return window_value(p, first, last, x);
}

double Interpolation::get_nearest_value(double x) {
    if (std::isnan(x)) return x;
    const std::span<const Point> p = ordered();
    if (p.empty()) return 0.0;

    // The nearest points are the first at or after x and the run of points just before it; on
    // equal distance the one before wins, and of a run the first.
    const auto right = std::ranges::lower_bound(p, x, {}, &Point::x);
    if (right == p.begin()) return right->y;
    const auto left = std::ranges::lower_bound(p.begin(), right, std::prev(right)->x, {}, &Point::x);
    if (right == p.end() || std::fabs(left->x - x) <= std::fabs(right->x - x)) return left->y;
    return right->y;
}

AverValue::AverValue(bool accept_small) : accept_small_(accept_small) {
    clear();
}

void AverValue::add(double v) {
    if (!std::isfinite(v)) return;
    if (!accept_small_ && std::fabs(v) < 0.001) return;
    sum_ += v;
    ++count_;
}

double AverValue::get() {
    if (count_ > 0) {
        last_ = sum_ / static_cast<double>(count_);
        sum_ = 0.0;
        count_ = 0;
    }
    return last_;
}

void AverValue::clear() {
    sum_ = 0.0;
    last_ = 0.0;
    count_ = 0;
}

double zero_of_function(double (*f)(double), double a, double b, double eps) {
    if (f == nullptr) throw std::invalid_argument("zero_of_function: no function given");
    double previous = std::numeric_limits<double>::quiet_NaN();
    for (;;) {
        const double m = (a + b) * 0.5;
        // A midpoint that repeats the previous one (the interval is down to neighbouring doubles)
        // or is NaN stays so for ever: it is the answer.
        if (std::isnan(m) || m == previous) return m;
        previous = m;
        const double fa = f(a);
        const double fm = f(m);
        const double fb = f(b);
        if (!(std::fabs(fm) > eps)) return m;
        if (fa * fm < 0.0) {
            b = m;
        } else if (fm * fb >= 0.0) {
            return m;
        } else {
            a = m;
        }
    }
}

}  // namespace lib
