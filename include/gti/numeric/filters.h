// Digital filters that smooth measured signals sample by sample.
//
// A filter is fed one sample with add() and gives one filtered value with get(); the two are
// called in pairs, once per sample of the series. Frequencies are fractions of the sampling
// rate (0 < f < 0.5): with one sample a second, f = 0.01 passes what changes slower than about
// once in 100 s.
//
// RecursiveFilter is the general recursive (infinite impulse response) filter
//
//     y[n] = a[0]·x[n] + ... + a[Na-1]·x[n-Na+1] + b[0]·y[n-1] + ... + b[Nb-1]·y[n-Nb]
//
// whose feedback coefficients b carry their own signs (they are added). RecursiveLowPassFilter
// is the four-pole low-pass made of four identical single-pole stages with x = exp(-2π·f):
//
//     a[0] = (1 - x)^4     b = { 4x, -6x², 4x³, -x⁴ }     so that a[0] + Σb = 1 (unit gain)
//
// A filter starts with zero history: its output rises from 0 towards a constant input, the
// slower the lower the frequency. The low-pass gives 0 until its frequency is set, and refuses
// frequencies below 1e-4: there its four coincident poles lie so close to 1 that doubles cannot
// hold the coefficients precisely enough (at 3e-5 the gain is 8 % off, at 1e-5 the output grows
// without bound).
//
// Input samples that are not finite numbers (a sensor dropout written as NaN) do not enter the
// history: the filter repeats the previous input instead, so one bad sample cannot turn every
// later output into NaN. Feeding and filtering allocate nothing.
#pragma once

#include <span>

#include "gti/util/array.h"

namespace lib {

// The interface of every filter: feed a sample, take the filtered value, set the frequency.
class CustomFilter {
public:
    virtual ~CustomFilter() = default;

    // Sets the cut-off frequency (a fraction of the sampling rate) and recomputes what depends on
    // it. Throws std::invalid_argument, changing nothing, unless f is above 0 and the filter
    // accepts it.
    void set_freq(double f);
    // The last cut-off frequency set; 0.5 initially.
    double get_freq() const noexcept { return freq_; }

    // Feeds one input sample.
    virtual void add(double x) = 0;
    // Computes the next output; call it once per add().
    virtual double get() = 0;

protected:
    CustomFilter() = default;
    CustomFilter(const CustomFilter&) = default;
    CustomFilter& operator=(const CustomFilter&) = default;

    // Called by set_freq after storing a frequency above 0; does nothing here. An override that
    // cannot take f throws std::invalid_argument before changing anything, and set_freq then
    // restores the previous frequency.
    virtual void on_set_freq(double f);

private:
    double freq_ = 0.5;
};

// A recursive filter with Na input taps and Nb output taps, all coefficients 0 until set.
class RecursiveFilter : public CustomFilter {
public:
    // Builds the filter with zero coefficients and zero history. Throws std::invalid_argument
    // when a tap count is negative.
    RecursiveFilter(int n_a, int n_b);

    // Pushes x in front of the input history and drops the oldest input (see the header note on
    // samples that are not finite).
    void add(double x) override;
    // Returns Σ a[i]·input[i] + Σ b[k]·output[k] (newest first) and pushes the result in front of
    // the output history, so a second get() without add() sees its own previous result.
    double get() override;

    // The input coefficients a[0..Na-1], to read or change in place.
    std::span<double> input_coefs() noexcept { return input_coefs_; }
    std::span<const double> input_coefs() const noexcept { return input_coefs_; }
    // The feedback coefficients b[0..Nb-1], to read or change in place.
    std::span<double> output_coefs() noexcept { return output_coefs_; }
    std::span<const double> output_coefs() const noexcept { return output_coefs_; }

private:
    lib::array<double> inputs_;   // the last Na inputs, newest first
    lib::array<double> outputs_;  // the last Nb outputs, newest first
    lib::array<double> input_coefs_;
    lib::array<double> output_coefs_;
};

// The four-pole low-pass filter; it passes nothing (every output 0) until set_freq is called.
class RecursiveLowPassFilter : public RecursiveFilter {
public:
    // The lowest frequency the low-pass accepts.
    static constexpr double min_freq = 1e-4;

    // A low-pass with one input tap and four output taps, all 0.
    RecursiveLowPassFilter() : RecursiveFilter(1, 4) {}

protected:
    // Computes the coefficients of frequency f; the history is kept, so the output goes on
    // smoothly from where it was. Throws std::invalid_argument below min_freq.
    void on_set_freq(double f) override;
};

}  // namespace lib
