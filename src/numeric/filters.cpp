#include "gti/numeric/filters.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

// Puts `value` in front of a history of fixed length and drops its oldest element.
void push_front(lib::array<double>& history, double value) noexcept {
    if (history.empty()) return;
    std::shift_right(history.begin(), history.end(), 1);
    *history.begin() = value;
}

}  // namespace

namespace lib {

void CustomFilter::set_freq(double f) {
    // Zero gives a filter that never responds, a negative or NaN frequency one whose output
    // grows without bound or is NaN for ever: refused before anything changes.
    if (!(f > 0.0)) throw std::invalid_argument("CustomFilter::set_freq: the frequency must be above 0");
    const double previous = freq_;
    freq_ = f;
    try {
        on_set_freq(f);
    } catch (...) {
        freq_ = previous;
        throw;
    }
}

void CustomFilter::on_set_freq(double) {}

RecursiveFilter::RecursiveFilter(int n_a, int n_b) {
    if (n_a < 0 || n_b < 0) throw std::invalid_argument("RecursiveFilter::RecursiveFilter: negative tap count");
    inputs_.reset(n_a);
    outputs_.reset(n_b);
    input_coefs_.reset(n_a);
    output_coefs_.reset(n_b);
}

void RecursiveFilter::add(double x) {
    // A sample that is no number would stay in the feedback for ever; the previous input stands
    // in for it.
    if (!std::isfinite(x)) x = inputs_.empty() ? 0.0 : *inputs_.begin();
    push_front(inputs_, x);
}

double RecursiveFilter::get() {
    // Summed in tap order, newest first: the order fixes the rounding, so a series filtered
    // again gives the same numbers to the last bit.
    double y = 0.0;
    const double* input = inputs_.begin();
    for (double a : input_coefs_)
        y = a * *input++ + y;
    const double* output = outputs_.begin();
    for (double b : output_coefs_)
        y = b * *output++ + y;
    push_front(outputs_, y);
    return y;
}

void RecursiveLowPassFilter::on_set_freq(double f) {
    if (f < min_freq)
        throw std::invalid_argument("RecursiveLowPassFilter::set_freq: the frequency must be at least 0.0001");
    const double x = std::exp(-2.0 * std::numbers::pi * f);
    double* b = output_coefs().data();
    input_coefs()[0] = std::pow(1.0 - x, 4.0);
    b[0] = 4.0 * x;
    b[1] = -6.0 * x * x;
    b[2] = 4.0 * x * x * x;
    b[3] = -x * x * x * x;
}

}  // namespace lib
