#include "gti/platform/system.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "gti/platform/date_time.h"

namespace {

TEST(Beep, GoesToTheInstalledHandler) {
    std::vector<std::pair<unsigned, unsigned>> heard;
    auto previous = lib::set_beep_handler([&](unsigned f, unsigned ms) { heard.emplace_back(f, ms); });
    lib::beep(1000, 20);
    lib::beep(600, 50);
    lib::set_beep_handler(previous);
    lib::beep(3000, 50);  // back to the silent default
    EXPECT_EQ(heard, (std::vector<std::pair<unsigned, unsigned>>{{1000, 20}, {600, 50}}));
}

TEST(LocalClock, AgreesWithNow) {
    const lib::clock_fields c = lib::local_clock();
    EXPECT_GE(c.year, 2024);
    EXPECT_GE(c.month, 1);
    EXPECT_LE(c.month, 12);
    EXPECT_LE(c.millisecond, 999);
    const double today = lib::encode_date(c.year, c.month, c.day);
    EXPECT_GE(static_cast<double>(lib::now()), today);
}

}  // namespace
