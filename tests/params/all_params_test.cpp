#include "gti/params/all_params.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gti/params/listing.h"
#include "gti/platform/codepage.h"
#include "gti/platform/system.h"
#include "support.h"

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

// Sample rows of the built-in table, typed out apart from it.
struct row {
    int index;
    const char* global_name;
    const char* name;
    const char* short_name;
    const char* unit;
    int adc;
    float range;
    float scale_min;
    float scale_max;
    int averaging;
    int group;
    int flags;
};

const row sample_rows[] = {
    {0, "вес_на_крюке", "Вес на крюке", "W кр.", "т", 0, 20, 0, 200, 1, 1, 0},
    {7, "обороты_ротора", "Обороты ротора", "об.рот.", "об/мин", -1, 60, 0, 10, 2, 1, 0},
    {11, "давление_в_затрубъе", "Давление в затрубъе", "P затр.", "атм", 19, 100, 0, 100, 1, 1, 0},
    {19, "уровень_в_долив_емкости", "Уровень в доливе", "H долива", "м", 12, 2, 0, 2, 30, 2, 0},
    {22, "объем_в_емкости3", "Объём-3", "V-3", "м3", -1, 60, 0, 60, 1, 2, 0},
    {28, "объем_актив_емкости", "Объем ПЖ в активн.ёмкостях", "V актив.", "м3", -1, 200, 0, 160, 1, 2, 0},
    {31, "температура_на_входе", "Температура на входе", "Т.вх", "°С", 6, 100, 0, 100, 1, 2, 0},
    {36, "расход_на_выходе", "Расход ПЖ на выходе", "Q вых.", "л/с", 5, 30, 0, 30, 10, 2, 0},
    {42, "метан_абс", "Метан абс.", "С1", "%", -1, 100, 0, 100, 1, 5, 0},
    {48, "метан_отн", "Метан отн.", "C1 отн.", "%", -1, 100, 0, 100, 1, 5, 0},
    {55, "сумм_газ3", "Газосумматор - 2", "Сумматор-2", "%", 17, 100, 0, 100, 1, 5, 0},
    {57, "максимальный_газ", "Максимальный газ", "Г.max.", "%", -1, 100, 0, 100, 1, 5, 2},
    {58, "дифф_плотность", "Разность плотности", "Дифф.плот.", "г/см3", -1, 2, -2, 2, 1, 6, 0},
    {71, "параметр10", "Параметр - 10", "", "", -1, 100, 0, 100, 1, 8, 0},
    {74, "водород", "Водород", "H2", "%", 18, 100, 0, 100, 1, 5, 2},
    {78, "положение_клиньев", "Положение клиньев", "Клин.", "", 10, 1, 0, 1, 1, 1, 0},
    {80, "плотн_пж_вых_радиоакт", "Плот. вых. радиоактив.", "Пл.вых.р.", "г/см3", 19, 2, 0, 2, 120, 2, 0},
    {82, "уд_сопротивл_вых", "Уд. сопротивление вых.", "Сопр.вых.", "ом/м", -1, 2, 0, 2, 1, 2, 0},
};

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

TEST(Catalogue, SampleRows) {
    AllParams all;
    for (const row& r : sample_rows) {
        SCOPED_TRACE(r.index);
        const DefaultParam& e = all.at(r.index);
        EXPECT_EQ(e.global_name, r.global_name);
        EXPECT_EQ(e.name, r.name);
        EXPECT_EQ(e.short_name, r.short_name);
        EXPECT_EQ(e.unit, r.unit);
        EXPECT_EQ(e.adc_channel, r.adc);
        EXPECT_EQ(e.range, r.range);
        EXPECT_EQ(e.zero, 0.0f);
        EXPECT_EQ(e.scale_min, r.scale_min);
        EXPECT_EQ(e.scale_max, r.scale_max);
        EXPECT_EQ(e.averaging, r.averaging);
        EXPECT_EQ(e.group, r.group);
        EXPECT_EQ(e.flags, r.flags);
    }
    // Look-alike letters stay what they are: Cyrillic "С1", Latin "C1 отн.", Cyrillic "°С".
    EXPECT_EQ(static_cast<unsigned char>(all.at(42).short_name[0]), 0xD1);
    EXPECT_EQ(all.at(48).short_name[0], 'C');
    EXPECT_EQ(all.at(31).unit, AnsiString("\xB0\xD1"));
}

TEST(Catalogue, NamedKeysAndTheRowsThatUseThem) {
    const std::pair<const char*, const char*> constants[] = {
        {ParamVars::h_emk1, "уровень_в_емкости"},
        {ParamVars::h_emk2, "уровень_в_емкости2"},
        {ParamVars::h_emk3, "уровень_в_емкости3"},
        {ParamVars::h_emk4, "уровень_в_емкости4"},
        {ParamVars::h_emk5, "уровень_в_емкости5"},
        {ParamVars::h_emk6, "уровень_в_емкости6"},
        {ParamVars::h_emk7, "уровень_в_долив_емкости"},
        {ParamVars::v_emk1, "объем_в_емкости1"},
        {ParamVars::v_emk2, "объем_в_емкости2"},
        {ParamVars::v_emk3, "объем_в_емкости3"},
        {ParamVars::v_emk4, "объем_в_емкости4"},
        {ParamVars::v_emk5, "объем_в_емкости5"},
        {ParamVars::v_emk6, "объем_в_емкости6"},
        {ParamVars::v_emk7, "объем_в_долив_емкости"},
        {ParamVars::v_meh, "скорость_механическая"},
        {ParamVars::ob_rot, "обороты_ротора"},
        {ParamVars::nagr, "нагрузка"},
        {ParamVars::radio_dens_in, "плотн_пж_вх_радиоакт"},
        {ParamVars::radio_dens_out, "плотн_пж_вых_радиоакт"},
        {ParamVars::ud_soprotivl_in, "уд_сопротивл_вх"},
        {ParamVars::ud_soprotivl_out, "уд_сопротивл_вых"},
        {ParamVars::el_prov_in, "электропроводность_на_входе"},
        {ParamVars::el_prov_out, "электропроводность_на_выходе"},
    };
    AllParams all;
    for (const auto& [constant, text] : constants) {
        SCOPED_TRACE(text);
        EXPECT_EQ(AnsiString(constant), text);
        EXPECT_NE(all.get_param_number(constant), -1);
    }
    const std::pair<int, const char*> rows[] = {
        {7, ParamVars::ob_rot},
        {9, ParamVars::nagr},
        {13, ParamVars::h_emk1},
        {19, ParamVars::h_emk7},
        {20, ParamVars::v_emk1},
        {26, ParamVars::v_emk7},
        {33, ParamVars::el_prov_in},
        {34, ParamVars::el_prov_out},
        {39, ParamVars::v_meh},
        {79, ParamVars::radio_dens_in},
        {80, ParamVars::radio_dens_out},
        {81, ParamVars::ud_soprotivl_in},
        {82, ParamVars::ud_soprotivl_out},
    };
    for (const auto& [index, key] : rows)
        EXPECT_EQ(all.at(index).global_name, key) << index;
}

TEST(Catalogue, EveryKeyOfTheDependencyRulesIsKnown) {
    AllParams all;
    for (const char* key : {"уровень_в_емкости",
                            "уровень_в_емкости2",
                            "уровень_в_емкости3",
                            "уровень_в_емкости4",
                            "уровень_в_емкости5",
                            "уровень_в_емкости6",
                            "уровень_в_долив_емкости",
                            "объем_в_емкости1",
                            "объем_в_емкости2",
                            "объем_в_емкости3",
                            "объем_в_емкости4",
                            "объем_в_емкости5",
                            "объем_в_емкости6",
                            "объем_в_долив_емкости",
                            "электропроводность_на_входе",
                            "электропроводность_на_выходе",
                            "уд_сопротивл_вх",
                            "уд_сопротивл_вых",
                            "объем_актив_емкости",
                            "объем_емкости",
                            "объем_раствора",
                            "метан_абс",
                            "этан_абс",
                            "пропан_абс",
                            "бутан_абс",
                            "пентан_абс",
                            "гексан_абс",
                            "метан_отн",
                            "этан_отн",
                            "пропан_отн",
                            "бутан_отн",
                            "пентан_отн",
                            "гексан_отн",
                            "сумм_газ"}) {
        SCOPED_TRACE(key);
        EXPECT_NE(all.get_param_number(key), -1);
    }
}

TEST(Catalogue, LooksKeysUpWithoutRegardToCase) {
    AllParams all;
    EXPECT_EQ(all.get_param_number("ВЕС_НА_КРЮКЕ"), 0);
    EXPECT_EQ(all.get_param_number("Плотн_ПЖ_Вых_Радиоакт"), 80);
    EXPECT_EQ(all.get_param_number(" вес_на_крюке"), -1);  // no trimming
    EXPECT_EQ(all.get_param_number("нет_такого"), -1);
    EXPECT_EQ(all.get_param_number(nullptr), -1);
}

TEST(Catalogue, OnlyTheRadioactiveDensitiesHaveOptions) {
    AllParams all;
    const auto other = static_cast<AllParams::ParamTest>(1);
    EXPECT_TRUE(all.test_param("плотн_пж_вх_радиоакт", AllParams::has_options));
    EXPECT_TRUE(all.test_param("плотн_пж_вых_радиоакт", AllParams::has_options));
    EXPECT_FALSE(all.test_param("ПЛОТН_ПЖ_ВХ_РАДИОАКТ", AllParams::has_options));
    EXPECT_FALSE(all.test_param("плотность_на_входе", AllParams::has_options));
    EXPECT_FALSE(all.test_param("плотн_пж_вх_радиоакт", other));
}

TEST(Catalogue, GroupNames) {
    const std::pair<int, const char*> names[] = {
        {0, ""},
        {1, "ТИ"},
        {2, "Раствор"},
        {3, "Скорости"},
        {4, "Расчётные"},
        {5, "Газ"},
        {6, "Дифференциальные"},
        {7, "Эксперементальные"},
        {8, "Дополнительные"},
        {9, "???????"},
        {-1, "???????"},
    };
    for (const auto& [index, name] : names)
        EXPECT_EQ(AllParams::get_group_name(index), name) << index;
}

TEST(Catalogue, AnIndexOutsideBeepsTwiceAndGivesAnEmptyEntry) {
    std::vector<std::pair<unsigned, unsigned>> beeps;
    const lib::beep_handler old = lib::set_beep_handler([&](unsigned f, unsigned ms) { beeps.emplace_back(f, ms); });
    AllParams all;
    DefaultParam& missing = all.at(83);
    EXPECT_EQ(beeps, (std::vector<std::pair<unsigned, unsigned>>{{1000, 50}, {600, 50}}));
    EXPECT_TRUE(missing.global_name.empty());
    EXPECT_EQ(missing.adc_channel, 0);
    EXPECT_EQ(missing.averaging, 0);
    missing.global_name = "x";
    missing.range = 5;
    const DefaultParam& again = all.at(-1);
    EXPECT_TRUE(again.global_name.empty());
    EXPECT_EQ(again.range, 0.0f);
    EXPECT_EQ(beeps.size(), 4u);
    all.at(82);
    EXPECT_EQ(beeps.size(), 4u);
    lib::set_beep_handler(old);
}

TEST(Catalogue, CopiesAndRebuilds) {
    AllParams all;
    std::vector<Param> out(3);
    all.get_all_params(out);
    ASSERT_EQ(out.size(), 83u);
    EXPECT_EQ(out[0].global_name, "вес_на_крюке");
    EXPECT_EQ(out[0].group, 0);  // the group stays the new Param's
    EXPECT_EQ(out[36].averaging, 10);

    Param p;
    p.group = 7;
    p.calibration = {{1, 1}, {2, 2}};
    p.ext_info.set("half_life", "30");
    all.at(22).assign_to(p);
    EXPECT_EQ(p.name, "Объём-3");
    EXPECT_EQ(p.group, 7);
    EXPECT_EQ(p.calibration.size(), 2u);
    EXPECT_EQ(p.ext_info.get("half_life"), "30");

    all.at(0).name = "changed";
    all.init();
    EXPECT_EQ(all.at(0).name, "Вес на крюке");
    EXPECT_EQ(&get_all_params(), &get_all_params());
    EXPECT_EQ(get_all_params().get_items_count(), 83);
}

TEST(Catalogue, ListingByGroup) {
    AllParams all;
    TStringList lines;
    lines.Add("kept");
    lib::list_catalogue(all, lines);
    ASSERT_EQ(lines.Count(), 84);
    EXPECT_EQ(lines[1], "ТИ\t0\tвес_на_крюке\tВес на крюке\tW кр.\tт\t0\t20\t0\t200\t1\t0");
    EXPECT_EQ(lines[14], "Раствор\t1\tдавление_на_входе\tДавление ПЖ на входе\tP вх.\tатм.\t1\t250\t0\t250\t1\t0");
    EXPECT_EQ(lines[83], "Дополнительные\t71\tпараметр10\tПараметр - 10\t\t\t-1\t100\t0\t100\t1\t0");
}

}  // namespace
