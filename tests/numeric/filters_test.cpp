#include "gti/numeric/filters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "expect.h"

namespace {

// Feeds the samples one by one and collects the outputs.
std::vector<double> run(lib::CustomFilter& filter, const std::vector<double>& samples) {
    std::vector<double> out;
    for (double x : samples) {
        filter.add(x);
        out.push_back(filter.get());
    }
    return out;
}

TEST(RecursiveFilter, TapsAreSummedNewestFirstWithFeedbackAdded) {
    lib::RecursiveFilter average(2, 0);
    average.input_coefs()[0] = 0.5;
    average.input_coefs()[1] = 0.5;
    EXPECT_EQ(run(average, {2, 4, 6}), (std::vector<double>{1, 3, 5}));

    lib::RecursiveFilter decay(1, 1);
    decay.input_coefs()[0] = 1;
    decay.output_coefs()[0] = -0.5;  // feedback carries its own sign
    EXPECT_EQ(run(decay, {1, 0, 0, 0}), (std::vector<double>{1, -0.5, 0.25, -0.125}));

    lib::RecursiveFilter none(0, 0);
    EXPECT_EQ(run(none, {1, 2}), (std::vector<double>{0, 0}));
    EXPECT_TRUE(gti_test::throws_with<std::invalid_argument>([] { lib::RecursiveFilter bad(1, -1); },
                                                             "RecursiveFilter::RecursiveFilter: negative tap count"));
}

TEST(RecursiveLowPassFilter, PassesNothingUntilTheFrequencyIsSet) {
    lib::RecursiveLowPassFilter filter;
    EXPECT_EQ(filter.get_freq(), 0.5);
    EXPECT_EQ(run(filter, {1, -3, 1e6}), (std::vector<double>{0, 0, 0}));
}

TEST(RecursiveLowPassFilter, CoefficientsGiveUnitGain) {
    lib::RecursiveLowPassFilter filter;
    filter.set_freq(0.5);  // x = exp(-pi)
    EXPECT_NEAR(filter.input_coefs()[0], 0.838030, 1e-6);
    EXPECT_NEAR(filter.output_coefs()[0], 4 * 0.0432139, 1e-6);
    for (double f : {0.5, 0.25, 0.1, 0.01, 0.001, 0.0001}) {
        SCOPED_TRACE(f);
        filter.set_freq(f);
        const auto b = filter.output_coefs();
        EXPECT_NEAR(filter.input_coefs()[0] + std::accumulate(b.begin(), b.end(), 0.0), 1.0, 1e-15);
    }
}

TEST(RecursiveLowPassFilter, EqualsFourSinglePoleStagesInARow) {
    for (double f : {0.5, 0.1, 0.02}) {
        SCOPED_TRACE(f);
        lib::RecursiveLowPassFilter filter;
        filter.set_freq(f);
        const double x = std::exp(-2 * 3.141592653589793 * f);
        std::array<double, 4> stage{};
        double rise = 0;
        for (int n = 0; n < 3000; ++n) {
            const double input = n < 2000 ? 1.0 : std::sin(n * 0.3);
            double s = input;
            for (double& st : stage)
                s = st = (1 - x) * s + x * st;
            filter.add(input);
            const double y = filter.get();
            ASSERT_NEAR(y, s, 1e-9) << "sample " << n;
            if (n < 2000) {  // a step response without overshoot
                ASSERT_GE(y, rise - 1e-9);
                ASSERT_LE(y, 1 + 1e-9);
                rise = y;
            }
        }
    }
}

TEST(RecursiveLowPassFilter, NewFrequencyContinuesFromTheHistory) {
    lib::RecursiveLowPassFilter filter;
    filter.set_freq(0.5);
    run(filter, std::vector<double>(100, 1.0));
    filter.set_freq(0.01);
    EXPECT_NEAR(run(filter, {1.0})[0], 1.0, 1e-9);
}

TEST(RecursiveLowPassFilter, SecondGetFeedsTheFirstBack) {
    lib::RecursiveLowPassFilter filter;
    filter.set_freq(0.5);
    filter.add(1.0);
    const double first = filter.get();
    const double second = filter.get();
    EXPECT_DOUBLE_EQ(first, filter.input_coefs()[0]);
    EXPECT_DOUBLE_EQ(second, first + filter.output_coefs()[0] * first);
}

TEST(RecursiveLowPassFilter, RefusedFrequenciesChangeNothing) {
    struct refused {
        double f;
        const char* message;
    };
    const char* const not_above_zero = "CustomFilter::set_freq: the frequency must be above 0";
    for (const refused& r : {refused{0.0, not_above_zero},
                             {-0.1, not_above_zero},
                             {std::numeric_limits<double>::quiet_NaN(), not_above_zero},
                             {5e-5, "RecursiveLowPassFilter::set_freq: the frequency must be at least 0.0001"}}) {
        SCOPED_TRACE(r.f);
        lib::RecursiveLowPassFilter filter;
        filter.set_freq(0.25);
        const double a = filter.input_coefs()[0];
        EXPECT_TRUE(gti_test::throws_with<std::invalid_argument>([&] { filter.set_freq(r.f); }, r.message));
        EXPECT_EQ(filter.get_freq(), 0.25);
        EXPECT_EQ(filter.input_coefs()[0], a);
    }
}

TEST(RecursiveLowPassFilter, SamplesThatAreNoNumbersRepeatThePreviousInput) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    lib::RecursiveLowPassFilter clean;
    lib::RecursiveLowPassFilter dropout;
    clean.set_freq(0.1);
    dropout.set_freq(0.1);
    EXPECT_EQ(run(dropout, {nan, 2, nan, -inf, inf, 3}), run(clean, {0, 2, 2, 2, 2, 3}));
}

}  // namespace
