#include "gti/params/par_tabl.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bytes.h"
#include "expect.h"
#include "faults.h"
#include "gti/options/module_list.h"
#include "gti/params/listing.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/system.h"
#include "support.h"

using namespace lib::literals;

using namespace params_test;
using gti_test::throws_with;
using lib::io::BinaryMemoryInputStream;
using lib::io::BinaryMemoryOutputStream;

namespace {

// A hook load on converter input 0 with a two-point curve and two extra values.
Param hook_load() {
    Param p;
    p.name = "Вес"_cp;
    p.short_name = "W";
    p.unit = "т"_cp;
    p.global_name = "вес_на_крюке"_cp;
    p.adc_channel = 0;
    p.range = 20;
    p.scale_max = 200;
    p.calibration = {{0.5, 10}, {4.5, 190}};
    p.ext_info.set("last_calibr_time", "45000.5");
    p.ext_info.set("half_life", "30");
    return p;
}

// A computed parameter without converter input: its curve is not stored.
Param computed() {
    Param p;
    p.name = p.short_name = "ДМК"_cp;
    p.unit = "мин/м"_cp;
    p.global_name = "дмк"_cp;
    p.range = p.scale_max = 100;
    p.flags = 2;
    p.calibration = {{1, 2}, {3, 4}};
    return p;
}

ParTabl golden_table() {
    ParTabl t;
    t.add(hook_load());
    t.add(computed());
    return t;
}

// The table file of golden_table(), worked out by hand.
const std::string golden_file = hex(
    // вес_на_крюке: "Вес", "W", "т", key; ADC 0, range 20, zero 0, scale 0..200, averaging 1, flags 0
    "C2 E5 F1 00  57 00  F2 00  E2 E5 F1 5F ED E0 5F EA F0 FE EA E5 00"
    "00 00 00 00  00 00 A0 41  00 00 00 00  00 00 00 00  00 00 48 43  01 00 00 00  00"
    // дмк: "ДМК", "ДМК", "мин/м", key; ADC -1, range 100, zero 0, scale 0..100, averaging 1, flags 2
    "C4 CC CA 00  C4 CC CA 00  EC E8 ED 2F EC 00  E4 EC EA 00"
    "FF FF FF FF  00 00 C8 42  00 00 00 00  00 00 00 00  00 00 C8 42  01 00 00 00  02"
    "0A 00"  // end marker
    // calibration of position 0: two points (0.5, 10) and (4.5, 190)
    "00 00 00 00  02 00 00 00"
    "00 00 00 00 00 00 E0 3F  00 00 00 00 00 00 24 40"
    "00 00 00 00 00 00 12 40  00 00 00 00 00 C0 67 40");
constexpr std::size_t first_record_end = 46, second_record_end = 89, marker_end = 91;

// Its ".extended" companion.
const std::string golden_extended =
    hex("45 58 54 5F 4E 42 4C 5F 46 49 4C 45 00  02 00 00 00"  // "EXT_NBL_FILE", 2 entries
        "E2 E5 F1 5F ED E0 5F EA F0 FE EA E5 00  02 00 00 00"  // вес_на_крюке, 2 values
        "68 61 6C 66 5F 6C 69 66 65 00  33 30 00"              // half_life=30
        "6C 61 73 74 5F 63 61 6C 69 62 72 5F 74 69 6D 65 00  34 35 30 30 30 2E 35 00"  // last_calibr_time
        "E4 EC EA 00  00 00 00 00");                                                   // дмк, no values
constexpr std::size_t first_entry_end = 72;

// The keys of a table in order.
std::vector<AnsiString> keys(const ParTabl& t) {
    std::vector<AnsiString> k;
    for (const Param& p : t.params)
        k.push_back(p.global_name);
    return k;
}

// A table read from the bytes of a table file.
ParTabl read(const std::string& bytes) {
    ParTabl t;
    BinaryMemoryInputStream in = input(bytes);
    t.read_table(in);
    return t;
}

std::string written(const ParTabl& t) {
    BinaryMemoryOutputStream out;
    t.write_table(out);
    return bytes_of(out);
}

// A table of catalogue parameters added by key.
ParTabl table_of(std::initializer_list<const char*> names) {
    ParTabl t;
    for (const char* name : names)
        t.add(AnsiString(name));
    return t;
}

TEST(ParTablFiles, GoldenBytesAndTheirRoundTrip) {
    const ParTabl t = golden_table();
    BinaryMemoryOutputStream ext;
    t.write_extended_info(ext);
    EXPECT_EQ(written(t), golden_file);
    EXPECT_EQ(bytes_of(ext), golden_extended);

    gti_test::temp_dir dir;
    const AnsiString name = dir.file("параметры.nbl"_cp);
    t.saved = false;
    EXPECT_TRUE(t.save_to(name));
    EXPECT_TRUE(t.saved);
    EXPECT_EQ(gti_test::read_bytes(name), golden_file);
    EXPECT_EQ(gti_test::read_bytes(name + ".extended"), golden_extended);

    ParTabl back = table_of({"метан_абс"_cp});
    back.load_from(name);
    ASSERT_EQ(keys(back), (std::vector<AnsiString>{"вес_на_крюке"_cp, "дмк"_cp}));
    EXPECT_EQ(back.params[0], hook_load());
    EXPECT_EQ(back.params[0].ext_info, hook_load().ext_info);
    Param stored = computed();
    stored.calibration.clear();
    EXPECT_EQ(back.params[1], stored);
    EXPECT_TRUE(back.params[1].ext_info.items().empty());
}

TEST(ParTablFiles, EveryPrefixKeepsWhatItHoldsWhole) {
    for (std::size_t n = 0; n <= golden_file.size(); ++n) {
        SCOPED_TRACE(n);
        const ParTabl t = read(golden_file.substr(0, n));
        const std::size_t count = n < first_record_end ? 0 : n < second_record_end ? 1 : 2;
        ASSERT_EQ(t.params.size(), count);
        if (count > 0) {
            EXPECT_EQ(t.params[0].calibration.size(), n == golden_file.size() ? 2u : 0u);
        }
    }
    for (std::size_t n = 0; n <= golden_extended.size(); ++n) {
        SCOPED_TRACE(n);
        ParTabl t = golden_table();
        for (Param& p : t.params)
            p.ext_info = ParamExtInfo();
        t.params[1].ext_info.set("before", "1");
        BinaryMemoryInputStream in = input(golden_extended.substr(0, n));
        t.read_extended_info(in);
        EXPECT_EQ(t.params[0].ext_info.items().size(), n < first_entry_end ? 0u : 2u);
        EXPECT_EQ(t.params[1].ext_info.items().size(), n == golden_extended.size() ? 0u : 1u);
    }
}

TEST(ParTablFiles, DamagedCalibrationEntriesAreSkipped) {
    const std::string records = golden_file.substr(0, marker_end);
    const std::string two_points =
        hex("02 00 00 00  00 00 00 00 00 00 F0 3F  00 00 00 00 00 00 00 40"
            "00 00 00 00 00 00 08 40  00 00 00 00 00 00 10 40");  // (1, 2), (3, 4)
    const std::string good = hex("00 00 00 00") + two_points;
    const std::pair<const char*, std::pair<std::string, std::size_t>> cases[] = {
        {"position past the list", {hex("05 00 00 00") + two_points + good, 2}},
        {"negative position", {hex("FE FF FF FF") + two_points + good, 2}},
        {"negative count", {hex("00 00 00 00  F0 FF FF FF") + good, 2}},
        {"count beyond the file", {hex("00 00 00 00  00 00 00 10") + two_points, 0}},
        {"count -1 ends the section", {hex("00 00 00 00  FF FF FF FF") + good, 0}},
        {"position -1 ends the section", {hex("FF FF FF FF  00 00 00 00") + good, 0}},
        {"half an entry at the end", {good + hex("01 00 00"), 2}},
        {"a later entry replaces the curve", {good + hex("00 00 00 00  00 00 00 00"), 0}},
    };
    for (const auto& [what, c] : cases) {
        SCOPED_TRACE(what);
        const ParTabl t = read(records + c.first);
        ASSERT_EQ(t.params.size(), 2u);
        EXPECT_EQ(t.params[0].calibration.size(), c.second);
    }
    // Points stored for a parameter without converter input are taken.
    EXPECT_EQ(read(records + hex("01 00 00 00") + two_points).params[1].calibration,
              (std::vector<UnitCalibrPoint>{{1, 2}, {3, 4}}));
}

TEST(ParTablFiles, OddRecordsKeepTheCurvesInPlace) {
    Param nameless = computed();
    nameless.global_name = "";
    nameless.adc_channel = 3;
    Param marker_name = computed();
    marker_name.name = "\n";  // would read as the end marker
    ParTabl t;
    t.add(nameless);
    t.add(marker_name);
    t.add(hook_load());
    const ParTabl back = read(written(t));
    ASSERT_EQ(keys(back), (std::vector<AnsiString>{"дмк"_cp, "вес_на_крюке"_cp}));
    EXPECT_EQ(back.params[0].name, "");
    // The curve of the dropped record reaches no one; the hook load's still reaches it.
    EXPECT_TRUE(back.params[0].calibration.empty());
    EXPECT_EQ(back.params[1].calibration, hook_load().calibration);
}

TEST(ParTablFiles, ForeignOrDamagedExtendedFilesChangeNothing) {
    const std::string magic_and_count = golden_extended.substr(0, 17);
    const std::pair<const char*, std::string> files[] = {
        {"another magic", hex("45 58 54 5F 4E 42 4C 5F 46 49 4C 46 00  01 00 00 00  E4 EC EA 00  00 00 00 00")},
        {"no zero after the magic", hex("45 58 54 5F 4E 42 4C 5F 46 49 4C 45 45  01 00 00 00")},
        {"unknown key", magic_and_count + hex("78 00  01 00 00 00  61 00 62 00")},
        {"huge counts", golden_extended.substr(0, 13) + hex("FF FF FF 7F  E4 EC EA 00  FF FF FF FF")},
        {"negative count", golden_extended.substr(0, 13) + hex("FF FF FF FF") + golden_extended.substr(17)},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        ParTabl t = golden_table();
        BinaryMemoryInputStream in = input(bytes);
        t.read_extended_info(in);
        EXPECT_EQ(t.params[0].ext_info, hook_load().ext_info);
        EXPECT_TRUE(t.params[1].ext_info.items().empty());
    }
    ParTabl t = golden_table();
    BinaryMemoryInputStream in = input(magic_and_count + hex("E4 EC EA 00  01 00 00 00  61 00 62 00  E2 E5"));
    t.read_extended_info(in);
    EXPECT_EQ(t.params[1].ext_info.get("a"), "b");  // applied before the damage
}

TEST(ParTablFiles, MissingFilesAndTheBackup) {
    gti_test::temp_dir dir;
    ParTabl t = table_of({"метан_абс"_cp});
    t.load_from(dir.file("missing.nbl"));
    t.load_from(dir.path());
    EXPECT_EQ(keys(t), std::vector<AnsiString>{"метан_абс"_cp});  // untouched, not even checked
    gti_test::write_bytes(dir.file("empty.nbl"), "");
    t.load_from(dir.file("empty.nbl"));
    EXPECT_TRUE(t.params.empty());

    EXPECT_FALSE(t.save());  // no file name yet
    t.saved = false;
    EXPECT_FALSE(t.save_to(dir.file("no/such/folder.nbl")));
    EXPECT_FALSE(t.saved);

    gti_test::write_bytes(dir.file("backup.nbl"), golden_file);
    gti_test::beep_recorder beeps;
    t.file_name = dir.file("main.nbl");
    t.backup_file_name = dir.file("backup.nbl");
    t.load();
    EXPECT_EQ(keys(t), (std::vector<AnsiString>{"вес_на_крюке"_cp, "дмк"_cp}));
    EXPECT_EQ(beeps.beeps, (gti_test::beep_recorder::list{{1000, 40}}));
    t.params.pop_back();
    EXPECT_TRUE(t.save());
    t.load();
    EXPECT_EQ(keys(t), std::vector<AnsiString>{"вес_на_крюке"_cp});
}

TEST(ParTablAccess, KeysIndexesAndTheSpare) {
    ParTabl t = golden_table();
    t.params[1].global_name = " дмк"_cp;
    EXPECT_EQ(t.find_global("  ВЕС_НА_КРЮКЕ\t"_cp), 0);
    EXPECT_EQ(t.find_global("дмк"_cp), -1);  // the stored key is not trimmed
    EXPECT_EQ(t.find_global("   "), -1);
    EXPECT_TRUE(t.param_exists("Вес_На_Крюке"_cp));
    EXPECT_EQ(&t["ВЕС_НА_КРЮКЕ"_cp], &t.params[0]);
    EXPECT_EQ(&t[1], &t.params[1]);

    Param& spare = t[-1];
    EXPECT_EQ(spare, Param());
    spare.name = "changed";
    EXPECT_EQ(t[2], Param());  // reset at the next miss
    t["нет"_cp].adc_channel = 7;
    EXPECT_EQ(&t["нет"_cp], &spare);
    EXPECT_EQ(spare.adc_channel, -1);
    EXPECT_EQ(t.params.size(), 2u);

    const ParTabl& c = t;
    EXPECT_EQ(c[0].global_name, "вес_на_крюке"_cp);
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { (void)c[2]; }, "vector"));
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { (void)c[-1]; }, "vector"));
}

TEST(ParTablAccess, EditingTheList) {
    ParTabl t;
    t.add(AnsiString("ОБЪЕМ_В_ЕМКОСТИ3"_cp));
    t.add(AnsiString("объем_в_емкости3"_cp));
    t.add(AnsiString("неизвестный"_cp));
    ASSERT_EQ(t.get_items_count(), 1);
    const Param& p = t.params[0];
    EXPECT_EQ(p.global_name, "объем_в_емкости3"_cp);
    EXPECT_TRUE(p.range == 60 && p.scale_max == 60 && p.averaging == 1 && p.adc_channel == -1);
    EXPECT_EQ(p.unit, "м3"_cp);

    t.add(computed());
    t.add(computed());  // appended blindly
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { t.erase(3); }, "ParTabl::erase: index out of range"));
    t.erase(0);
    EXPECT_EQ(keys(t), (std::vector<AnsiString>{"дмк"_cp, "дмк"_cp}));
    t.resize(3);
    EXPECT_EQ(t.params[2], Param());
    t.resize(1);
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { t.resize(-1); }, "ParTabl::resize: negative count"));
    EXPECT_EQ(keys(t), std::vector<AnsiString>{"дмк"_cp});
}

TEST(ParTablAccess, NamesAndListings) {
    ParTabl t = golden_table();
    Param blank;
    blank.global_name = "x";
    blank.name = " \t ";
    t.add(blank);
    TStringList names;
    names.Add("first");
    t.get_params_list(&names);
    EXPECT_EQ(names.Text(), "first\r\nВес\r\nДМК\r\n"_cp);

    TStringList lines;
    lib::list_params(golden_table(), lines);
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[0],
              "0\tвес_на_крюке\tВес\tW\tт\t0\t20\t0\t0\t200\t1\t0\t2\thalf_life=30; last_calibr_time=45000.5"_cp);
    EXPECT_EQ(lines[1], "1\tдмк\tДМК\tДМК\tмин/м\t-1\t100\t0\t0\t100\t1\t2\t2\t"_cp);
}

TEST(ParTablCheck, DependencyRules) {
    const std::pair<std::vector<const char*>, std::vector<AnsiString>> cases[] = {
        {{"уд_сопротивл_вх"_cp}, {}},  // rule 8 removes it, rule 10 then has no source
        {{"уровень_в_емкости3"_cp},
         {"уровень_в_емкости3"_cp, "объем_в_емкости3"_cp, "объем_актив_емкости"_cp, "объем_емкости"_cp,
          "объем_раствора"_cp}},
        {{"метан_отн"_cp, "вес_на_крюке"_cp}, {"вес_на_крюке"_cp}},
        {{"сумм_газ"_cp, "этан_отн"_cp}, {}},
        {{"этан_абс"_cp}, {"этан_абс"_cp, "этан_отн"_cp, "сумм_газ"_cp}},
        {{"электропроводность_на_выходе"_cp}, {"электропроводность_на_выходе"_cp, "уд_сопротивл_вых"_cp}},
        {{"объем_в_емкости1"_cp, "объем_емкости"_cp, "объем_в_долив_емкости"_cp, "дмк"_cp}, {"дмк"_cp}},
        {{"уровень_в_долив_емкости"_cp},
         {"уровень_в_долив_емкости"_cp, "объем_в_долив_емкости"_cp, "объем_актив_емкости"_cp, "объем_емкости"_cp,
          "объем_раствора"_cp}},
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(lib::cp1251::to_utf8(before[0]));
        ParTabl t;
        for (const char* key : before)
            t.add(AnsiString(key));
        t.check();
        EXPECT_EQ(keys(t), after);
    }
}

TEST(ParTablCheck, RuleStepsReportWhatTheyDid) {
    TStringList sources, dependents;
    sources.SetCommaText("метан_абс,этан_абс"_cp);
    dependents.SetCommaText("метан_отн,сумм_газ"_cp);
    ParTabl t = table_of({"метан_отн"_cp, "сумм_газ"_cp});
    Param twin;
    twin.global_name = "метан_отн"_cp;
    t.add(twin);
    EXPECT_TRUE(t.check_remove_exists(&sources, &dependents));  // every copy goes
    EXPECT_EQ(t.get_items_count(), 0);
    EXPECT_FALSE(t.check_remove_exists(&sources, &dependents));
    EXPECT_FALSE(t.check_add_depend(&sources, &dependents));

    t = table_of({"этан_абс"_cp, "метан_отн"_cp});
    EXPECT_FALSE(t.check_remove_exists(&sources, &dependents));
    EXPECT_TRUE(t.check_add_depend(&sources, &dependents));
    EXPECT_EQ(keys(t), (std::vector<AnsiString>{"этан_абс"_cp, "метан_отн"_cp, "сумм_газ"_cp}));
    EXPECT_FALSE(t.check_add_depend(&sources, &dependents));
    dependents.Add("не_из_каталога"_cp);
    EXPECT_TRUE(t.check_add_depend(&sources, &dependents));  // tried, though nothing came
    EXPECT_EQ(t.get_items_count(), 3);
}

TEST(ParTablStream, PayloadAndRoundTrip) {
    ParTabl t;
    t.add(hook_load());
    lib::SerialOutputBuffer out;
    t.get_serial_list(out, 0);
    const std::string record = golden_file.substr(0, first_record_end);
    EXPECT_EQ(std::string(out.get_bytes().begin(), out.get_bytes().end()), hex("01 00 00 00") + record);
    EXPECT_TRUE(t.is_my_name("partable"));

    lib::ModuleList sender, receiver;
    ParTabl from = golden_table(), to = table_of({"метан_абс"_cp});
    sender.register_module("параметры"_cp, &from);
    receiver.register_module("параметры"_cp, &to);
    TMemoryStream stream;
    lib::lock_object lock;
    sender.serialize(&stream, &lock, 3);
    stream.Seek(0, soFromBeginning);
    receiver.deserialize(&stream, 3);
    ASSERT_EQ(keys(to), (std::vector<AnsiString>{"вес_на_крюке"_cp, "дмк"_cp}));
    EXPECT_EQ(to.params[1].flags, 2);
    EXPECT_TRUE(to.params[0].calibration.empty());  // curves do not travel

    for (const std::string& payload : {hex("02 00 00 00") + record, hex("FF FF FF FF") + record}) {
        lib::SerialInputBuffer in;
        in.set_bytes(std::vector<char>(payload.begin(), payload.end()));
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { to.get_serial_list(in, 0); },
                                                    "serial_buffer: element count exceeds the data"));
        EXPECT_EQ(to.get_items_count(), 2);
    }
}

}  // namespace

namespace {

TEST(ParTablFiles, AKilledOrFailingSaveLeavesTheOldFileOrTheNewOne) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("params.nbl");
    ASSERT_TRUE(table_of({"вес_на_крюке"_cp}).save_to(name));
    const ParTabl t = golden_table();
    EXPECT_GE(gti_test::expect_whole_at_every_call(name, [&] { return t.save_to(name); }), 6);
}

}  // namespace
