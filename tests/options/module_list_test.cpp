#include "gti/options/module_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "gti/util/ini_file.h"
#include "support.h"

using namespace lib::literals;

using namespace lib;

namespace {

// A stream module that records the order in which it is written.
struct stream_module : SerialModule {
    explicit stream_module(const char* name, std::vector<std::string>* order = nullptr) : name(name), order(order) {}
    void get_serial_list(serial_list& list, unsigned) override {
        if (order != nullptr) order->push_back(name);
        list | value;
    }
    void get_serial_name(AnsiString& n) override { n = name; }
    std::string name;
    std::vector<std::string>* order;
    int value = 0;
};

// An option set that is at the same time an INI-element set.
struct both : OptModule, ini_options {
    int a = 1;
    int b = 2;
    void enum_values(options_list& list) override {
        list.sector("descriptors", "D");
        list.add(a, 0, "a", "A", "");
    }
    void get_elements_list(ini_options_elements& e) override { e.add(b, "elements", "b"); }
};

TEST(ModuleList, TheFirstModuleKeepsItsName) {
    ModuleList list;
    stream_module first("x"), second("y");
    list.register_module("имя"_cp, &first);
    list.register_module("имя"_cp, &second);
    EXPECT_TRUE(first.registered);
    EXPECT_FALSE(second.registered);
    EXPECT_EQ(list.modules().size(), 1u);
}

TEST(ModuleList, ModulesGoInByteOrderOfTheirNames) {
    ModuleList list;
    std::vector<std::string> order;
    stream_module cyr("Б"_cp, &order), small("a", &order), capital("B", &order);
    list.register_module("Б"_cp, &cyr);
    list.register_module("a", &small);
    list.register_module("B", &capital);
    TMemoryStream stream;
    lock_object lock;
    list.serialize(&stream, &lock, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"B", "a", "Б"_cp}));

    std::vector<SerialModuleBase*> twice;
    list.get_ser_modules(twice);
    list.get_ser_modules(twice);
    EXPECT_EQ(twice.size(), 6u);
}

TEST(ModuleList, StreamsRoundTripThroughTheRegistry) {
    ModuleList out, in;
    stream_module w1("Первый"_cp), w2("Второй"_cp), r1("первый"_cp), r2("ВТОРОЙ"_cp);
    w1.value = 11;
    w2.value = 22;
    out.register_module("1", &w1);
    out.register_module("2", &w2);
    in.register_module("1", &r1);
    in.register_module("2", &r2);
    TMemoryStream stream;
    lock_object lock;
    out.serialize(&stream, &lock, 4);
    stream.Seek(0, soFromBeginning);
    in.deserialize(&stream, 4);
    EXPECT_EQ(r1.value, 11);
    EXPECT_EQ(r2.value, 22);
}

TEST(ModuleList, AModuleOfTwoKindsIsSavedBothWays) {
    gti_test::temp_dir dir;
    ModuleList list;
    both m;
    list.register_module("оба"_cp, &m);
    TIniFile ini(dir.file("modules.ini"));
    list.save_to_ini(&ini);
    EXPECT_EQ(ini.ReadInteger("descriptors", "a", 0), 1);
    EXPECT_EQ(ini.ReadInteger("elements", "b", 0), 2);
    m.a = m.b = 0;
    list.load_from_ini(&ini);
    EXPECT_EQ(m.a, 1);
    EXPECT_EQ(m.b, 2);
}

}  // namespace
