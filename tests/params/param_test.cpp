#include "gti/params/param.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "expect.h"
#include "support.h"

using gti_test::throws_with;
using lib::io::BinaryMemoryInputStream;
using lib::io::BinaryMemoryOutputStream;

namespace {

// Bytes from hexadecimal pairs; spaces are ignored.
std::string hex(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') continue;
        bytes.push_back(static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
        ++i;
    }
    return bytes;
}

std::string bytes_of(const BinaryMemoryOutputStream& out) {
    return out.get_size() == 0 ? std::string() : std::string(out.get_buffer(), out.get_size());
}

BinaryMemoryInputStream input(const std::string& bytes) {
    return BinaryMemoryInputStream(bytes.data(), static_cast<unsigned>(bytes.size()));
}

// The rate-of-penetration style parameter of the golden record below.
Param dmk() {
    Param p;
    p.name = "ДМК";
    p.short_name = "ДМК";
    p.unit = "мин/м";
    p.global_name = "дмк";
    p.range = 100;
    p.scale_max = 100;
    p.flags = 2;
    return p;
}

const std::string dmk_record =
    hex("C4 CC CA 00  C4 CC CA 00  EC E8 ED 2F EC 00  E4 EC EA 00"         // texts
        "FF FF FF FF  00 00 C8 42  00 00 00 00  00 00 00 00  00 00 C8 42"  // ADC -1, range, zero, scale
        "01 00 00 00  02");                                                // averaging 1, flags 2

TEST(UnitCalibrPoint, EqualityIsLopsidedLikeTheNearZeroTest) {
    const UnitCalibrPoint p(1.0, 2.0);
    EXPECT_EQ(p, UnitCalibrPoint(0.999995, 2.0));
    EXPECT_NE(p, UnitCalibrPoint(1.000005, 2.0));
    EXPECT_NE(p, UnitCalibrPoint(1.0, 2.1));
    EXPECT_EQ(UnitCalibrPoint(), UnitCalibrPoint(0, 0));
    EXPECT_TRUE(UnitCalibrPoint(1, 9) < UnitCalibrPoint(2, 0));
    EXPECT_FALSE(UnitCalibrPoint(2, 0) < UnitCalibrPoint(2, 9));
}

TEST(ParamExtInfo, ValuesByKey) {
    ParamExtInfo info;
    EXPECT_EQ(info.get("half_life"), "");
    EXPECT_EQ(info.get_float("half_life"), 0.0);
    info.set("half_life", "30,5");
    info.set("half_life", "30,17");
    EXPECT_EQ(info.get("half_life"), "30,17");
    EXPECT_DOUBLE_EQ(info.get_float("half_life"), 30.17);
    EXPECT_EQ(info.get("HALF_LIFE"), "");  // keys are case-sensitive
    info.clear();
    EXPECT_TRUE(info.items().empty());
}

TEST(ParamExtInfo, BlockKeepsKeysInByteOrder) {
    ParamExtInfo info;
    info.set("Я", "1");
    info.set("b", "");
    info.set("a", "x");
    BinaryMemoryOutputStream out;
    info.save(out);
    EXPECT_EQ(bytes_of(out), hex("03 00 00 00  61 00 78 00  62 00 00  DF 00 31 00"));

    ParamExtInfo back;
    back.set("old", "gone");
    BinaryMemoryInputStream in = input(bytes_of(out));
    back.load(in);
    EXPECT_EQ(back, info);
}

TEST(ParamExtInfo, LoadingTakesTheLastOfARepeatedKey) {
    BinaryMemoryInputStream in = input(hex("02 00 00 00  6B 00 31 00  6B 00 32 00"));
    ParamExtInfo info;
    info.load(in);
    EXPECT_EQ(info.items().size(), 1u);
    EXPECT_EQ(info.get("k"), "2");
}

TEST(ParamExtInfo, ACountBeyondTheDataFails) {
    BinaryMemoryInputStream in = input(hex("FF FF FF FF  6B 00 31 00"));
    ParamExtInfo info;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { info.load(in); }, "ParamExtInfo::load: eof"));
    EXPECT_EQ(info.get("k"), "1");
}

TEST(Param, Defaults) {
    const Param p;
    EXPECT_EQ(p.adc_channel, -1);
    EXPECT_EQ(p.averaging, 1);
    EXPECT_EQ(p.group, 0);
    EXPECT_EQ(p.range, 0.0f);
    EXPECT_EQ(p.flags, 0);
    EXPECT_TRUE(p.name.empty() && p.global_name.empty() && p.calibration.empty());
}

TEST(Param, EqualityCoversEveryFieldButTheExtraValues) {
    const Param base = dmk();
    const std::vector<std::pair<const char*, std::function<void(Param&)>>> changes = {
        {"name", [](Param& p) { p.name = "дмк"; }},
        {"short_name", [](Param& p) { p.short_name += " "; }},
        {"unit", [](Param& p) { p.unit = "м/мин"; }},
        {"global_name", [](Param& p) { p.global_name = "ДМК"; }},
        {"adc_channel", [](Param& p) { p.adc_channel = 0; }},
        {"averaging", [](Param& p) { p.averaging = 2; }},
        {"group", [](Param& p) { p.group = 3; }},
        {"range", [](Param& p) { p.range = 100.0001f; }},
        {"zero", [](Param& p) { p.zero = -0.5f; }},
        {"scale_min", [](Param& p) { p.scale_min = 1; }},
        {"scale_max", [](Param& p) { p.scale_max = 99; }},
        {"flags", [](Param& p) { p.flags = 0; }},
        {"calibration",
         [](Param& p) {
             p.calibration = {{0, 0}};
         }},
    };
    for (const auto& [field, change] : changes) {
        SCOPED_TRACE(field);
        Param other = base;
        change(other);
        EXPECT_FALSE(base.equal(other));
        EXPECT_TRUE(base != other);
    }
    Param other = base;
    other.ext_info.set("half_life", "30");
    EXPECT_TRUE(base == other);
    Param a = base, b = base;
    a.calibration = {{1.0, 5.0}, {2.0, 9.0}};
    b.calibration = {{0.999995, 5.0}, {2.0, 9.0}};
    EXPECT_EQ(a, b);
}

TEST(Param, RecordGoldenBytes) {
    BinaryMemoryOutputStream out;
    Param p = dmk();
    p.calibration = {{1, 2}};
    p.ext_info.set("a", "b");
    p.save_to_file(out);
    EXPECT_EQ(bytes_of(out), dmk_record);

    Param back;
    BinaryMemoryInputStream in = input(dmk_record);
    back.load_from_file(in);
    EXPECT_EQ(back, dmk());
    EXPECT_TRUE(in.eof());
}

TEST(Param, EveryPrefixOfARecordFailsToRead) {
    for (std::size_t n = 0; n < dmk_record.size(); ++n) {
        SCOPED_TRACE(n);
        BinaryMemoryInputStream in = input(dmk_record.substr(0, n));
        Param p;
        EXPECT_THROW(p.load_from_file(in), std::runtime_error);
    }
}

TEST(Param, ALoneLineFeedNameEndsAList) {
    Param marker;
    marker.short_name = "kept";
    BinaryMemoryInputStream in = input(hex("0A 00"));
    marker.load_from_file(in);
    EXPECT_TRUE(marker.is_end_marker());
    EXPECT_EQ(marker.short_name, "kept");

    // Two bytes starting with a line feed make an ordinary name.
    Param named = dmk();
    named.name = "\nX";
    BinaryMemoryOutputStream out;
    named.save_to_file(out);
    Param back;
    BinaryMemoryInputStream again = input(bytes_of(out));
    back.load_from_file(again);
    EXPECT_FALSE(back.is_end_marker());
    EXPECT_EQ(back, named);
}

TEST(Param, TextsOfARecordHoldAtMost511Bytes) {
    Param p = dmk();
    p.name = AnsiString(511, 'n');
    p.unit = AnsiString(600, 'u');
    p.short_name = AnsiString("ab\0cd", 5);
    BinaryMemoryOutputStream out;
    p.save_to_file(out);
    Param back;
    BinaryMemoryInputStream in = input(bytes_of(out));
    back.load_from_file(in);
    EXPECT_EQ(back.name, p.name);
    EXPECT_EQ(back.unit, AnsiString(511, 'u'));
    EXPECT_EQ(back.short_name, "ab");
    EXPECT_EQ(back.global_name, "дмк");

    const std::string long_name = std::string(512, 'x') + '\0' + dmk_record.substr(4);
    BinaryMemoryInputStream too_long = input(long_name);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { back.load_from_file(too_long); },
                                                "Param::load_from_file: text longer than 511 bytes"));
}

TEST(Param, SerialListCarriesTheRecordFields) {
    Param p = dmk();
    p.group = 5;
    p.calibration = {{1, 2}};
    lib::serial_buffer buffer(lib::serialize);
    lib::get_serial_list(p, buffer);
    EXPECT_EQ(std::string(buffer.get_bytes().begin(), buffer.get_bytes().end()), dmk_record);

    buffer.set_state(lib::deserialize);
    Param back;
    buffer | back;
    EXPECT_EQ(back, dmk());
}

TEST(Param, ExtendedRecordGoldenBytes) {
    Param p = dmk();
    p.ext_info.set("half_life", "30");
    BinaryMemoryOutputStream out;
    p.save_extended_info(out);
    EXPECT_EQ(bytes_of(out), hex("E4 EC EA 00  01 00 00 00  68 61 6C 66 5F 6C 69 66 65 00  33 30 00"));
}

struct voltage_case {
    double voltage;
    double value;
};

TEST(CalcValueByVoltage, LinearRangeAndZero) {
    Param p;
    p.range = 20;
    for (const voltage_case& c : {voltage_case{5, 20}, {2.5, 10}, {0, 0}, {-1, -4}}) {
        SCOPED_TRACE(c.voltage);
        EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(c.voltage, 3.0), c.value);
    }
    p.zero = 1.5f;
    EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(5, 1), 21.5);
}

TEST(CalcValueByVoltage, OnlyTheHookLoadTakesTheHookFactor) {
    Param p;
    p.range = 20;
    p.calibration = {{7, 7}};  // a single point is no curve
    p.global_name = "вес_на_крюке";
    EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(5, 2), 40);
    p.global_name = "ВЕС_НА_КРЮКЕ";
    EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(5, 2), 40);
    p.global_name = "давление_на_входе";
    EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(5, 2), 20);
}

TEST(CalcValueByVoltage, CurvesReadAlongTheirSegments) {
    Param p;
    p.range = 1000;  // plays no part with a curve
    p.global_name = "вес_на_крюке";
    p.calibration = {{0, 0}, {1, 10}, {2, 30}};
    for (const voltage_case& c : {voltage_case{1.5, 20}, {3, 50}, {-1, -10}, {0.5, 5}, {1, 10}, {2, 30}}) {
        SCOPED_TRACE(c.voltage);
        EXPECT_DOUBLE_EQ(p.calc_value_by_voltage(c.voltage, 9), c.value);
    }
    p.calibration = {{1, 5}, {1, 7}};
    for (double v : {0.0, 1.0, 4.0}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(p.calc_value_by_voltage(v, 1), 0.0);
    }
}

TEST(CalcValueByVoltage, RadioactiveDensityMakesUpForDecay) {
    const TDateTime calibrated = 45000.0;
    const double half_life = 30;
    const double one_half_life = 365.25 * half_life;
    Param p;
    p.global_name = "плотн_пж_вх_радиоакт";
    p.range = 20;
    p.ext_info.set("last_calibr_time", "45000");
    p.ext_info.set("half_life", "30");
    struct decay_case {
        const char* what;
        double days;
        double factor;
    };
    for (const decay_case& c : {decay_case{"half a day", 0.5, 1},
                                {"clock behind", -3, 1},
                                {"one day", 1, 1.0000632},
                                {"one half-life", one_half_life, 2},
                                {"two half-lives", 2 * one_half_life, 4}}) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1, calibrated + c.days), 10 * c.factor, 1e-5);
    }
    // The curve is read at the corrected input.
    p.calibration = {{0, 0}, {10, 1}};
    EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1, calibrated + one_half_life), 0.5, 1e-12);

    p.calibration.clear();
    const TDateTime later = calibrated + one_half_life;
    p.global_name = "ПЛОТН_ПЖ_ВЫХ_РАДИОАКТ";
    EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1, later), 20, 1e-9);
    p.global_name = "плотность_на_входе";
    EXPECT_EQ(p.calc_value_by_voltage(2.5, 1, later), 10);

    p.global_name = "плотн_пж_вх_радиоакт";
    for (const char* h : {"", "0", "-30", "abc"}) {
        SCOPED_TRACE(h);
        p.ext_info.set("half_life", h);
        EXPECT_EQ(p.calc_value_by_voltage(2.5, 1, later), 10);
    }
    p.ext_info.set("half_life", "30");
    p.ext_info.set("last_calibr_time", "");
    EXPECT_EQ(p.calc_value_by_voltage(2.5, 1, later), 10);

    // Without a moment given, the present one counts.
    p.ext_info.set("last_calibr_time", std::to_string(lib::now() - one_half_life));
    EXPECT_NEAR(p.calc_value_by_voltage(2.5, 1), 20, 1e-3);
}

TEST(CheckChanges, ReportsEachChangeInOrder) {
    Param before;
    before.range = 20;
    Param after = before;
    after.range = 30;
    AnsiString report = "old text";
    EXPECT_TRUE(before.check_changes(after, report));
    EXPECT_EQ(report, "диап.[20.00 -> 30.00] ");

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
              "назв.[ДМК -> A] кратк.назв.[ДМК -> B] ед.изм.[мин/м -> C] АЦП[1 -> -1] осредн.[2 -> 4] "
              "диап.[100.00 -> 99.56] нуль[0.00 -> 1.50] произведена калибровка по нескольким точкам ");
    EXPECT_TRUE(after.check_changes(before, report));
    EXPECT_TRUE(report.ends_with("удалены точки калибровки "));
}

TEST(CheckChanges, KeyScaleFlagsAndExtraValuesGoUnreported) {
    const Param before = dmk();
    Param after = before;
    after.global_name = "другой";
    after.scale_min = -5;
    after.scale_max = 5;
    after.flags = 0;
    after.ext_info.set("half_life", "1");
    after.range = 99.99999f;  // old - new is 7.6e-6: counts as zero
    AnsiString report = "x";
    EXPECT_FALSE(before.check_changes(after, report));
    EXPECT_EQ(report, "");
}

}  // namespace
