#include "gti/params/all_params.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gti/params/listing.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/system.h"
#include "support.h"

using namespace lib::literals;

namespace {

// FNV-1a over the texts of one column, each followed by a zero byte.
std::uint32_t column_hash(AllParams& all, AnsiString DefaultParam::*column, std::size_t& bytes) {
    std::uint32_t h = 0x811C9DC5u;
    bytes = 0;
    for (int i = 0; i < all.get_items_count(); ++i) {
        const AnsiString& text = all.at(i).*column;
        for (std::size_t k = 0; k <= text.size(); ++k) {
            h = (h ^ static_cast<unsigned char>(k < text.size() ? text[k] : '\0')) * 0x01000193u;
        }
        bytes += text.size() + 1;
    }
    return h;
}

TEST(Catalogue, HoldsTheBuiltInTable) {
    AllParams all;
    ASSERT_EQ(all.get_items_count(), 83);
    std::set<std::string> keys;
    std::vector<int> flagged, per_group(9, 0), inputs;
    double ranges = 0, scale_mins = 0, scale_maxes = 0;
    int averaging = 0;
    for (int i = 0; i < 83; ++i) {
        const DefaultParam& e = all.at(i);
        keys.insert(lib::cp1251::to_lower(e.global_name.view()));
        if (e.flags != 0) flagged.push_back(i);
        ASSERT_TRUE(e.group >= 0 && e.group <= 8) << i;
        ++per_group[static_cast<std::size_t>(e.group)];
        if (e.adc_channel >= 0) inputs.push_back(i);
        EXPECT_EQ(e.zero, 0.0f) << i;
        ranges += e.range;
        scale_mins += e.scale_min;
        scale_maxes += e.scale_max;
        averaging += e.averaging;
    }
    EXPECT_EQ(keys.size(), 83u);
    EXPECT_EQ(flagged, (std::vector<int>{57, 73, 74}));
    EXPECT_EQ(all.at(57).flags, 2);
    EXPECT_EQ(per_group, (std::vector<int>{0, 13, 30, 4, 4, 18, 4, 0, 10}));
    EXPECT_EQ(inputs, (std::vector<int>{0,  1,  6,  11, 12, 13, 14, 15, 16, 17, 18, 19, 29,
                                        30, 31, 32, 33, 34, 36, 54, 55, 73, 74, 78, 79, 80}));
    EXPECT_EQ(ranges, 5948);
    EXPECT_EQ(scale_mins, -24);
    EXPECT_EQ(scale_maxes, 5984);
    EXPECT_EQ(averaging, 776);

    // Every text byte for byte: hashes of the columns of the table as printed.
    const std::pair<AnsiString DefaultParam::*, std::pair<std::size_t, std::uint32_t>> columns[] = {
        {&DefaultParam::global_name, {1228, 0xF485CB08u}},
        {&DefaultParam::name, {1250, 0x4C4B2366u}},
        {&DefaultParam::short_name, {550, 0x5D44682Du}},
        {&DefaultParam::unit, {267, 0x60E8E5A5u}},
    };
    for (const auto& [column, expected] : columns) {
        std::size_t bytes = 0;
        const std::uint32_t h = column_hash(all, column, bytes);
        EXPECT_EQ(bytes, expected.first);
        EXPECT_EQ(h, expected.second);
    }
}

TEST(Catalogue, SampleRowsAsListedByGroup) {
    AllParams all;
    TStringList lines;
    lines.Add("kept");
    lib::list_catalogue(all, lines);
    ASSERT_EQ(lines.Count(), 84);
    // Rows typed out apart from the table: group, index, key, name, short name, unit, ADC input,
    // range, scale, averaging, flags.
    const char* const rows[] = {
        "ТИ\t0\tвес_на_крюке\tВес на крюке\tW кр.\tт\t0\t20\t0\t200\t1\t0"_cp,
        "ТИ\t7\tобороты_ротора\tОбороты ротора\tоб.рот.\tоб/мин\t-1\t60\t0\t10\t2\t0"_cp,
        "Раствор\t28\tобъем_актив_емкости\tОбъем ПЖ в активн.ёмкостях\tV актив.\tм3\t-1\t200\t0\t160\t1\t0"_cp,
        "Раствор\t36\tрасход_на_выходе\tРасход ПЖ на выходе\tQ вых.\tл/с\t5\t30\t0\t30\t10\t0"_cp,
        "Газ\t57\tмаксимальный_газ\tМаксимальный газ\tГ.max.\t%\t-1\t100\t0\t100\t1\t2"_cp,
        "Дифференциальные\t58\tдифф_плотность\tРазность плотности\tДифф.плот.\tг/см3\t-1\t2\t-2\t2\t1\t0"_cp,
        "Раствор\t80\tплотн_пж_вых_радиоакт\tПлот. вых. радиоактив.\tПл.вых.р.\tг/см3\t19\t2\t0\t2\t120\t0"_cp,
    };
    for (const char* row : rows)
        EXPECT_NE(lines.IndexOf(row), -1) << lib::cp1251::to_utf8(row);
    EXPECT_EQ(lines[1], rows[0]);
    EXPECT_EQ(lines[14].substr(0, 10), "Раствор\t1\t"_cp);  // groups in ascending order, rows by index
    EXPECT_EQ(lines[83], "Дополнительные\t71\tпараметр10\tПараметр - 10\t\t\t-1\t100\t0\t100\t1\t0"_cp);
    // Look-alike letters stay what they are: Cyrillic "С1", Latin "C1 отн.", Cyrillic "°С".
    EXPECT_EQ(static_cast<unsigned char>(all.at(42).short_name[0]), 0xD1);
    EXPECT_EQ(all.at(48).short_name[0], 'C');
    EXPECT_EQ(all.at(31).unit, AnsiString("\xB0\xD1"));
}

TEST(Catalogue, NamedKeysAndEveryKeyOfTheDependencyRulesAreKnown) {
    using namespace ParamVars;
    const char* const named[] = {
        h_emk1, h_emk2,        h_emk3,         h_emk4,          h_emk5,           h_emk6,     h_emk7,     v_emk1,
        v_emk2, v_emk3,        v_emk4,         v_emk5,          v_emk6,           v_emk7,     v_meh,      ob_rot,
        nagr,   radio_dens_in, radio_dens_out, ud_soprotivl_in, ud_soprotivl_out, el_prov_in, el_prov_out};
    AllParams all;
    for (const char* key : named)
        EXPECT_NE(all.get_param_number(key), -1) << lib::cp1251::to_utf8(key);
    // The keys of the dependency rules that have no constant.
    for (const char* key :
         {"объем_актив_емкости"_cp, "объем_емкости"_cp, "объем_раствора"_cp, "метан_абс"_cp, "этан_абс"_cp,
          "пропан_абс"_cp, "бутан_абс"_cp, "пентан_абс"_cp, "гексан_абс"_cp, "метан_отн"_cp, "этан_отн"_cp,
          "пропан_отн"_cp, "бутан_отн"_cp, "пентан_отн"_cp, "гексан_отн"_cp, "сумм_газ"_cp}) {
        EXPECT_NE(all.get_param_number(key), -1) << lib::cp1251::to_utf8(key);
    }
}

TEST(Catalogue, LookupsOptionsAndGroupNames) {
    AllParams all;
    EXPECT_EQ(all.get_param_number("ВЕС_НА_КРЮКЕ"_cp), 0);
    EXPECT_EQ(all.get_param_number("Плотн_ПЖ_Вых_Радиоакт"_cp), 80);
    EXPECT_EQ(all.get_param_number(" вес_на_крюке"_cp), -1);  // no trimming
    EXPECT_EQ(all.get_param_number("нет_такого"_cp), -1);
    EXPECT_EQ(all.get_param_number(nullptr), -1);

    EXPECT_TRUE(all.test_param("плотн_пж_вх_радиоакт"_cp, AllParams::has_options));
    EXPECT_TRUE(all.test_param("плотн_пж_вых_радиоакт"_cp, AllParams::has_options));
    EXPECT_FALSE(all.test_param("ПЛОТН_ПЖ_ВХ_РАДИОАКТ"_cp, AllParams::has_options));
    EXPECT_FALSE(all.test_param("плотность_на_входе"_cp, AllParams::has_options));
    EXPECT_FALSE(all.test_param("плотн_пж_вх_радиоакт"_cp, static_cast<AllParams::ParamTest>(1)));

    const char* const names[] = {"",
                                 "ТИ"_cp,
                                 "Раствор"_cp,
                                 "Скорости"_cp,
                                 "Расчётные"_cp,
                                 "Газ"_cp,
                                 "Дифференциальные"_cp,
                                 "Эксперементальные"_cp,
                                 "Дополнительные"_cp};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(AllParams::get_group_name(i), names[i]) << i;
    EXPECT_EQ(AllParams::get_group_name(9), "???????");
    EXPECT_EQ(AllParams::get_group_name(-1), "???????");
}

TEST(Catalogue, AnIndexOutsideBeepsTwiceAndGivesAnEmptyEntry) {
    gti_test::beep_recorder beeps;
    AllParams all;
    DefaultParam& missing = all.at(83);
    EXPECT_EQ(beeps.beeps, (gti_test::beep_recorder::list{{1000, 50}, {600, 50}}));
    EXPECT_TRUE(missing.global_name.empty() && missing.adc_channel == 0 && missing.averaging == 0);
    missing.global_name = "x";
    missing.range = 5;
    const DefaultParam& again = all.at(-1);
    EXPECT_TRUE(again.global_name.empty() && again.range == 0);
    EXPECT_EQ(beeps.beeps.size(), 4u);
    all.at(82);
    EXPECT_EQ(beeps.beeps.size(), 4u);
}

TEST(Catalogue, CopiesAndRebuilds) {
    AllParams all;
    std::vector<Param> out(3);
    all.get_all_params(out);
    ASSERT_EQ(out.size(), 83u);
    EXPECT_EQ(out[0].global_name, "вес_на_крюке"_cp);
    EXPECT_EQ(out[0].group, 0);  // the group stays the new Param's
    EXPECT_EQ(out[36].averaging, 10);

    Param p;
    p.group = 7;
    p.calibration = {{1, 1}, {2, 2}};
    p.ext_info.set("half_life", "30");
    all.at(22).assign_to(p);
    EXPECT_EQ(p.name, "Объём-3"_cp);
    EXPECT_TRUE(p.group == 7 && p.calibration.size() == 2 && p.ext_info.get("half_life") == "30");

    all.at(0).name = "changed";
    all.init();
    EXPECT_EQ(all.at(0).name, "Вес на крюке"_cp);
    EXPECT_EQ(&get_all_params(), &get_all_params());
    EXPECT_EQ(get_all_params().get_items_count(), 83);
}

}  // namespace
