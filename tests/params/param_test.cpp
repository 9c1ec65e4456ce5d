#include "gti/params/param.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bytes.h"
#include "expect.h"
#include "support.h"

using namespace lib::literals;

using namespace params_test;
using gti_test::throws_with;

namespace {

Param dmk() {
    Param p;
    p.name = p.short_name = "ДМК"_cp;
    p.unit = "мин/м"_cp;
    p.global_name = "дмк"_cp;
    p.range = p.scale_max = 100;
    p.flags = 2;
    return p;
}

const std::string dmk_record =
    hex("C4 CC CA 00  C4 CC CA 00  EC E8 ED 2F EC 00  E4 EC EA 00"         // texts
        "FF FF FF FF  00 00 C8 42  00 00 00 00  00 00 00 00  00 00 C8 42"  // ADC -1, range, zero, scale
        "01 00 00 00  02");                                                // averaging 1, flags 2

Param read_record(const std::string& bytes) {
    Param p;
    lib::io::BinaryMemoryInputStream in = input(bytes);
    p.load_from_file(in);
    return p;
}

std::string record_of(const Param& p) {
    lib::io::BinaryMemoryOutputStream out;
    p.save_to_file(out);
    return bytes_of(out);
}

TEST(UnitCalibrPoint, EqualityIsLopsidedLikeTheNearZeroTest) {
    const UnitCalibrPoint p(1.0, 2.0);
    EXPECT_EQ(p, UnitCalibrPoint(0.999995, 2.0));
    EXPECT_NE(p, UnitCalibrPoint(1.000005, 2.0));
    EXPECT_NE(UnitCalibrPoint(0.999995, 2.0), p);  // not symmetric
    EXPECT_NE(p, UnitCalibrPoint(1.0, 2.1));
    EXPECT_TRUE(UnitCalibrPoint(1, 9) < UnitCalibrPoint(2, 0));
    EXPECT_FALSE(UnitCalibrPoint(2, 0) < UnitCalibrPoint(2, 9));
}

TEST(ParamExtInfo, ValuesTheirBlockRepeatedKeysAndShortData) {
    ParamExtInfo info;
    EXPECT_EQ(info.get("half_life"), "");
    EXPECT_EQ(info.get_float("half_life"), 0.0);
    info.set("half_life", "30,5");
    info.set("half_life", "30,17");
    EXPECT_DOUBLE_EQ(info.get_float("half_life"), 30.17);
    EXPECT_EQ(info.get("HALF_LIFE"), "");  // keys are case-sensitive
    info.clear();
    info.set("Я"_cp, "1");
    info.set("b", "");
    info.set("a", "x");
    lib::io::BinaryMemoryOutputStream out;
    info.save(out);
    EXPECT_EQ(bytes_of(out), hex("03 00 00 00  61 00 78 00  62 00 00  DF 00 31 00"));  // keys by byte order

    ParamExtInfo back;
    back.set("old", "gone");
    lib::io::BinaryMemoryInputStream in = input(bytes_of(out));
    back.load(in);
    EXPECT_EQ(back, info);

    // Repeated keys: the last value counts; data cut short keeps what came before.
    lib::io::BinaryMemoryInputStream twice = input(hex("02 00 00 00  6B 00 31 00  6B 00 32 00"));
    info.load(twice);
    EXPECT_EQ(info.items().size(), 1u);
    EXPECT_EQ(info.get("k"), "2");
    lib::io::BinaryMemoryInputStream short_data = input(hex("FF FF FF FF  6B 00 33 00"));
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { info.load(short_data); }, "ParamExtInfo::load: eof"));
    EXPECT_EQ(info.get("k"), "3");
}

TEST(Param, EqualityCoversEveryFieldButTheExtraValues) {
    const Param base = dmk();
    const std::vector<std::function<void(Param&)>> changes = {
        [](Param& p) { p.name = "дмк"_cp; },
        [](Param& p) { p.short_name += " "; },
        [](Param& p) { p.unit = "м/мин"_cp; },
        [](Param& p) { p.global_name = "ДМК"_cp; },
        [](Param& p) { p.adc_channel = 0; },
        [](Param& p) { p.averaging = 2; },
        [](Param& p) { p.group = 3; },
        [](Param& p) { p.range = 100.0001f; },
        [](Param& p) { p.zero = -0.5f; },
        [](Param& p) { p.scale_min = 1; },
        [](Param& p) { p.scale_max = 99; },
        [](Param& p) { p.flags = 0; },
        [](Param& p) { p.calibration.emplace_back(0, 0); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        Param other = base;
        changes[i](other);
        EXPECT_TRUE(base != other);
    }
    Param a = base, b = base;
    a.calibration = {{1.0, 5.0}, {2.0, 9.0}};
    b.calibration = {{0.999995, 5.0}, {2.0, 9.0}};
    b.ext_info.set("half_life", "30");
    EXPECT_TRUE(a == b);
}

TEST(Param, RecordGoldenBytesAndEveryPrefix) {
    Param p = dmk();
    p.group = 4;
    p.calibration = {{1, 2}};
    p.ext_info.set("a", "b");
    EXPECT_EQ(record_of(p), dmk_record);  // group, curve and extra values are not in the record
    EXPECT_EQ(read_record(dmk_record), dmk());

    lib::serial_buffer buffer(lib::serialize);
    lib::get_serial_list(p, buffer);  // the module stream carries the same fields
    EXPECT_EQ(std::string(buffer.get_bytes().begin(), buffer.get_bytes().end()), dmk_record);

    for (std::size_t n = 0; n < dmk_record.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_THROW(read_record(dmk_record.substr(0, n)), std::runtime_error);
    }
}

TEST(Param, ALoneLineFeedNameEndsAList) {
    Param marker;
    marker.short_name = "kept";
    lib::io::BinaryMemoryInputStream in = input(hex("0A 00"));
    marker.load_from_file(in);
    EXPECT_TRUE(marker.is_end_marker());
    EXPECT_EQ(marker.short_name, "kept");

    Param named = dmk();
    named.name = "\nX";  // two bytes starting with a line feed: an ordinary name
    EXPECT_FALSE(read_record(record_of(named)).is_end_marker());
    EXPECT_EQ(read_record(record_of(named)), named);
}

TEST(Param, TextsOfARecordHoldAtMost511Bytes) {
    Param p = dmk();
    p.name = AnsiString(511, 'n');
    p.unit = AnsiString(600, 'u');
    p.short_name = AnsiString("ab\0cd", 5);
    const Param back = read_record(record_of(p));
    EXPECT_EQ(back.name, p.name);
    EXPECT_EQ(back.unit, AnsiString(511, 'u'));
    EXPECT_EQ(back.short_name, "ab");
    EXPECT_EQ(back.global_name, "дмк"_cp);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { read_record(std::string(512, 'x') + '\0' + dmk_record); },
                                                "Param::load_from_file: text longer than 511 bytes"));
}

struct reading {
    double voltage;
    double value;
};

TEST(CalcValueByVoltage, LinearRangeAndHookFactor) {
    Param p;
    p.range = 20;
    for (const reading& r : {reading{5, 20}, {2.5, 10}, {0, 0}, {-1, -4}}) {
        SCOPED_TRACE(r.voltage);
        EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(r.voltage, 3.0), r.value);
    }
    p.zero = 1.5f;
    p.calibration = {{7, 7}};  // a single point is no curve
    for (const auto& [key, value] :
         {std::pair{"вес_на_крюке"_cp, 41.5}, {"ВЕС_НА_КРЮКЕ"_cp, 41.5}, {"давление_на_входе"_cp, 21.5}}) {
        SCOPED_TRACE(key);
        p.global_name = key;
        EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(5, 2), value);
    }
}

TEST(CalcValueByVoltage, CurvesReadAlongTheirSegments) {
    Param p;
    p.range = 1000;  // no part with a curve, nor the hook factor
    p.global_name = "вес_на_крюке"_cp;
    p.calibration = {{0, 0}, {1, 10}, {2, 30}};
    for (const reading& r : {reading{1.5, 20}, {3, 50}, {-1, -10}, {0.5, 5}, {1, 10}, {2, 30}}) {
        SCOPED_TRACE(r.voltage);
        EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(r.voltage, 9), r.value);
    }
    p.calibration = {{1, 5}, {1, 7}};  // too short a segment
    for (double v : {0.0, 1.0, 4.0})
        EXPECT_EQ(p.calc_value_by_voltage(v, 1), 0.0) << v;
}

TEST(CalcValueByVoltage, RadioactiveDensityMakesUpForDecay) {
    const TDateTime calibrated = 45000.0;
    const double half_life_days = 365.25 * 30;
    Param p;
    p.global_name = "плотн_пж_вх_радиоакт"_cp;
    p.range = 20;  // 2.5 V reads 10 before the correction
    p.ext_info.set("last_calibr_time", "45000");
    p.ext_info.set("half_life", "30");
    for (const reading& r :
         {reading{0.5, 10}, {-3, 10}, {1, 10.000633}, {half_life_days, 20}, {2 * half_life_days, 40}}) {
        SCOPED_TRACE(r.voltage);
        EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1, calibrated + r.voltage), r.value, 1e-5);
    }
    const TDateTime later = calibrated + half_life_days;
    p.calibration = {{0, 0}, {10, 1}};  // the curve is read at the corrected input
    EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1, later), 0.5, 1e-12);
    p.calibration.clear();
    p.global_name = "ПЛОТН_ПЖ_ВЫХ_РАДИОАКТ"_cp;
    EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1, later), 20, 1e-9);
    p.global_name = "плотность_на_входе"_cp;
    EXPECT_EQ(p.calc_value_by_voltage(2.5, 1, later), 10);

    p.global_name = "плотн_пж_вх_радиоакт"_cp;
    for (const char* h : {"", "0", "-30", "abc"}) {
        p.ext_info.set("half_life", h);
        EXPECT_EQ(p.calc_value_by_voltage(2.5, 1, later), 10) << h;
    }
    p.ext_info.set("half_life", "30");
    p.ext_info.set("last_calibr_time", "");
    EXPECT_EQ(p.calc_value_by_voltage(2.5, 1, later), 10);
    // Without a moment given, the present one counts.
    p.ext_info.set("last_calibr_time", std::to_string(lib::now() - half_life_days));
    EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1), 20, 1e-3);
}

TEST(CheckChanges, ReportsEachChangeInOrder) {
    Param before;
    before.range = 20;
    Param after = before;
    after.range = 30;
    AnsiString report = "old text";
    EXPECT_TRUE(before.check_changes(after, report));
    EXPECT_EQ(report, "диап.[20.00 -> 30.00] "_cp);

    before = dmk();
    before.adc_channel = 1;
    before.averaging = 2;
    after = before;
    after.name = "A";
    after.short_name = "B";
    after.unit = "C";
    after.adc_channel = -1;
    after.averaging = 4;
    after.range = 99.555f;
    after.zero = 1.5f;
    after.calibration = {{0, 0}, {5, 1}};
    EXPECT_TRUE(before.check_changes(after, report));
    EXPECT_EQ(report,
              "назв.[ДМК -> A] кратк.назв.[ДМК -> B] ед.изм.[мин/м -> C] АЦП[1 -> -1] осредн.[2 -> 4] "_cp
              "диап.[100.00 -> 99.56] нуль[0.00 -> 1.50] произведена калибровка по нескольким точкам "_cp);
    EXPECT_TRUE(after.check_changes(before, report));
    EXPECT_TRUE(report.ends_with("удалены точки калибровки "_cp));

    // The key, scale, flags, extra values and a near-zero change of range go unreported.
    after = before;
    after.global_name = "другой"_cp;
    after.scale_min = -5;
    after.flags = 0;
    after.ext_info.set("half_life", "1");
    after.range = 99.99999f;  // old - new is 7.6e-6
    EXPECT_FALSE(before.check_changes(after, report));
    EXPECT_EQ(report, "");
}

}  // namespace
