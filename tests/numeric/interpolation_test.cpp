#include "gti/numeric/interpolation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <stdexcept>

#include "expect.h"

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// A table of the given points, set in the order given.
lib::Interpolation table(std::initializer_list<lib::Interpolation::Point> points) {
    lib::Interpolation t;
    t.set_size(static_cast<int>(points.size()));
    int i = 0;
    for (const auto& p : points)
        t.set_point(i++, p.x, p.y);
    return t;
}

struct reading {
    double x;
    double y;
};

TEST(IsOverNull, TheIntervalIsOpenAndLopsided) {
    for (const reading& r :
         {reading{0.0, 1}, {5e-6, 1}, {9.99e-6, 1}, {-9e-13, 1}, {1e-5, 0}, {-1e-12, 0}, {-1e-6, 0}, {nan, 0}}) {
        SCOPED_TRACE(r.x);
        EXPECT_EQ(lib::is_over_null(r.x), r.y == 1);
    }
}

TEST(Interpolation, LinearReadsBetweenAndBeyondThePoints) {
    lib::Interpolation t = table({{10, 100}, {0, 0}});  // sorted before the first reading
    for (const reading& r : {reading{5, 50}, {-5, -50}, {20, 200}, {10, 100}, {0, 0}}) {
        SCOPED_TRACE(r.x);
        EXPECT_EQ(t.get_line_value(r.x), r.y);
    }
    EXPECT_EQ(t.get_point(0).x, 0);
    t.set_point(0, 20, 0);  // a change sorts again
    EXPECT_EQ(t.get_line_value(15), 50);
}

TEST(Interpolation, LinearOverRepeatedAbscissas) {
    EXPECT_EQ(table({{3, 1}, {3, 2}}).get_line_value(3), 0.0);  // no slope anywhere
    EXPECT_EQ(table({{1, 1}, {1 + 1e-13, 1}, {1, 1}}).get_line_value(5), 0.0);
    EXPECT_EQ(table({{0, 0}}).get_line_value(0), 0.0);
    EXPECT_EQ(table({}).get_line_value(0), 0.0);
    // A repeated end point still reads along the outermost points apart.
    lib::Interpolation ends = table({{0, 0}, {0, 0}, {10, 100}, {10, 100}});
    for (const reading& r : {reading{10, 100}, {20, 200}, {-5, -50}, {5, 50}}) {
        SCOPED_TRACE(r.x);
        EXPECT_EQ(ends.get_line_value(r.x), r.y);
    }
    EXPECT_EQ(table({{0, 0}, {1, 7}, {1 + 1e-13, 7}, {2, 0}}).get_line_value(1 + 5e-14), 7);
}

TEST(Interpolation, LagrangeRunsThroughEveryAbscissaOnce) {
    lib::Interpolation t = table({{2, 4}, {0, 0}, {1, 1}});
    for (const reading& r : {reading{3, 9}, {1, 1}, {0.5, 0.25}, {-2, 4}}) {
        SCOPED_TRACE(r.x);
        EXPECT_DOUBLE_EQ(t.get_lagr_value(r.x), r.y);
    }
    EXPECT_DOUBLE_EQ(table({{0, 0}, {1, 1}, {1, 1}, {2, 4}}).get_lagr_value(3), 9);
    EXPECT_EQ(table({{4, 2}}).get_lagr_value(-7), 2);
    EXPECT_EQ(table({}).get_lagr_value(1), 0);
}

TEST(Interpolation, QuadraticWindowsShareTheirEndPoints) {
    lib::Interpolation squares = table({{0, 0}, {1, 1}, {2, 4}, {3, 9}});
    for (const reading& r : {reading{2.5, 6.5}, {0.5, 0.25}, {2, 4}, {3, 9}, {4, 16}, {-1, 1}}) {
        SCOPED_TRACE(r.x);
        EXPECT_DOUBLE_EQ(squares.get_bi_value(r.x), r.y);
    }
    EXPECT_DOUBLE_EQ(table({{0, 0}, {1, 1}, {2, 4}, {3, 9}, {4, 16}}).get_bi_value(3.5), 12.25);
    EXPECT_EQ(table({{0, 0}, {1, 1}, {1, 1}, {2, 4}}).get_bi_value(0.5), 0.0);  // equal x in the window
    EXPECT_EQ(table({{0, 0}, {1, 1}}).get_bi_value(0.5), 0.0);
}

TEST(Interpolation, NearestTakesTheFirstOfEquallyNearPoints) {
    lib::Interpolation t = table({{2, 20}, {0, 10}, {0, 10}, {1e250, 30}});
    for (const reading& r : {reading{1, 10}, {1.5, 20}, {2, 20}, {-inf, 10}, {inf, 30}, {9e249, 30}}) {
        SCOPED_TRACE(r.x);
        EXPECT_EQ(t.get_nearest_value(r.x), r.y);
    }
    EXPECT_EQ(table({}).get_nearest_value(1), 0.0);
}

TEST(Interpolation, NanAbscissasTakeNoPart) {
    lib::Interpolation t = table({{0, 0}, {nan, 5}, {10, 100}});
    EXPECT_EQ(t.get_line_value(5), 50);
    EXPECT_EQ(t.get_nearest_value(9), 100);
    EXPECT_TRUE(std::isnan(t.get_point(2).x));
    EXPECT_EQ(t.get_bi_value(5), 0.0);  // two usable points are too few for a parabola
    for (auto read : {&lib::Interpolation::get_line_value, &lib::Interpolation::get_lagr_value,
                      &lib::Interpolation::get_bi_value, &lib::Interpolation::get_nearest_value})
        EXPECT_TRUE(std::isnan((t.*read)(nan)));
}

TEST(Interpolation, SizeAndIndexAreChecked) {
    lib::Interpolation t = table({{1, 1}, {2, 2}});
    EXPECT_TRUE(gti_test::throws_with<std::invalid_argument>([&] { t.set_size(-1); },
                                                             "Interpolation::set_size: negative point count"));
    EXPECT_EQ(t.get_size(), 2);
    for (int i : {-1, 2}) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(gti_test::throws_with<std::out_of_range>([&] { t.set_point(i, 0, 0); },
                                                             "Interpolation::set_point: index out of range"));
    }
    t.set_size(3);
    EXPECT_EQ(t.get_point(2).y, 0.0);
    EXPECT_EQ(t.get_line_value(1), 0.0);  // every new point is (0, 0)
}

TEST(AverValue, MeansThePeriodAndRepeatsItWhenEmpty) {
    lib::AverValue strict(false);
    for (double v : {0.0005, 2.0, nan, inf})
        strict.add(v);
    EXPECT_EQ(strict.get(), 2.0);
    EXPECT_EQ(strict.get(), 2.0);
    strict.add(1);
    strict.add(-4);
    EXPECT_EQ(strict.get(), -1.5);
    strict.clear();
    EXPECT_EQ(strict.get(), 0.0);

    lib::AverValue all(true);
    all.add(0.0005);
    all.add(0.0015);
    EXPECT_DOUBLE_EQ(all.get(), 0.001);
}

int calls = 0;

TEST(ZeroOfFunction, BisectsUntilCloseOrStuck) {
    const auto line = [](double x) {
        ++calls;
        return x - 1;
    };
    struct search {
        double a, b, eps, root;
        int calls;
    };
    for (const search& s : {search{2, 3, 1e-9, 2.5, 3},  // no sign change: one step
                            {3, 3, 0, 3, 3},             // an empty interval
                            {1, 1, 0, 1, 3},
                            {0.5, 1.5, 0, 1, 3}}) {  // the root is the first midpoint
        SCOPED_TRACE(s.a);
        calls = 0;
        EXPECT_EQ(lib::zero_of_function(line, s.a, s.b, s.eps), s.root);
        EXPECT_EQ(calls, s.calls);
    }
    EXPECT_NEAR(lib::zero_of_function(line, 0, 3, 1e-9), 1, 1e-9);
    EXPECT_NEAR(lib::zero_of_function(line, 3, 0, 1e-9), 1, 1e-9);
}

TEST(ZeroOfFunction, EndsWhereDoublesRunOut) {
    const auto two = [](double x) { return x * x - 2; };
    EXPECT_NEAR(lib::zero_of_function(two, 0, 2, 0), std::sqrt(2.0), 1e-15);
    const auto step = [](double x) { return x > 0 ? 1.0 : -1.0; };
    EXPECT_EQ(lib::zero_of_function(step, -1, 1, 0), 0.0);
    EXPECT_TRUE(std::isnan(lib::zero_of_function(step, -inf, inf, 0)));
    EXPECT_TRUE(std::isnan(lib::zero_of_function(two, nan, 1, 0)));
    EXPECT_EQ(lib::zero_of_function(step, 0, inf, 0), inf);
    EXPECT_TRUE(gti_test::throws_with<std::invalid_argument>([] { lib::zero_of_function(nullptr, 0, 1, 0); },
                                                             "zero_of_function: no function given"));
}

}  // namespace
