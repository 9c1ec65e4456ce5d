#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/io/file_streams.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "support.h"
#include "values.h"

using namespace lib::literals;

using gti_test::throws_with;

namespace {

// The text block of a new run: the keys ri_to_data writes for default fields.
std::string default_run_text() {
    std::string t;
    for (const char* key :
         {"номер_рейса=1"_cp, "шаг_записи_по_времени=0"_cp, "нач_время=0"_cp, "конеч_время=0"_cp, "время_бурения=0"_cp,
          "время_циркуляции=0"_cp, "время_спо=0"_cp, "время_промывки=0"_cp, "время_проработки=0"_cp})
        t += std::string(key) + "\r\n";
    for (const char* key :
         {"диаметр_долота"_cp, "шаг_записи_по_глубине"_cp, "нач_глубина"_cp, "конеч_глубина"_cp, "средняя_нагрузка"_cp,
          "плотность"_cp, "среднее_давление"_cp, "средний_расход"_cp, "рейсовая_скорость"_cp, "диаметр_скважины"_cp,
          "толщина_корки"_cp, "процент_песка"_cp, "ph", "chl", "удельное_сопротивление"_cp})
        t += std::string(key) + "=0\r\n";
    for (const char* key : {"скважина"_cp, "площадь"_cp, "категория_скважины"_cp})
        t += std::string(key) + "=::НЕ ЗАДАНО::\r\n"_cp;
    return t + "способ_бурения=0\r\n"_cp;
}

std::string block(int type, const std::string& payload) {
    const auto size = static_cast<std::int16_t>(payload.size());
    std::string b(1, static_cast<char>(type));
    b.append(reinterpret_cast<const char*>(&size), 2);
    return b + payload;
}

// Two parameters and one record.
void fill_small(FileStorage& s) {
    s.add_parametr({"Вес"_cp, "W", "т"_cp, "вес"_cp, 0, 200});
    s.add_parametr({"Ходы"_cp, "N", "ход/мин"_cp, "ходы"_cp, 0, 60});
    FileStorageItem r;
    r.time = 0x01020304;
    r.depth = 1.5f;
    r.second_depth = 2.5f;
    r.third_depth = 3.5f;
    r.tag = 7;
    r.values = {10.0f, -1.0f};
    s.add_record(r);
}

const std::string small_params = std::string("\x02", 1) + "Вес"_cp + std::string("\0", 1) + "т"_cp +
                                 std::string("\0", 1) + "W" + std::string("\0", 1) + "вес"_cp +
                                 std::string("\0\0\0\0\0\0\0\x48\x43", 9) + "Ходы"_cp + std::string("\0", 1) +
                                 "ход/мин"_cp + std::string("\0", 1) + "N" + std::string("\0", 1) + "ходы"_cp +
                                 std::string("\0\0\0\0\0\0\0\x70\x42", 9);
const std::string small_record = std::string(
    "\x04\x03\x02\x01\x00\x00\xC0\x3F\x00\x00\x60\x40\x07\x00\x00\x20\x40\x02"
    "\x00\x00\x20\x41\x00\x00\x80\xBF",
    26);

std::string small_file() {
    return block(2, small_params) + block(1, small_record) + block(3, default_run_text() + std::string(1, '\0'));
}

class RegistrationTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("12.realtim");

    void read(FileStorage& s, const std::string& bytes, bool text_only = false) {
        gti_test::write_bytes(name, bytes);
        s.add_new_file(name, text_only);
    }
    static std::vector<AnsiString> warnings(const FileStorage& s) {
        std::vector<AnsiString> w;
        s.get_warnings(w);
        return w;
    }
};

TEST_F(RegistrationTest, GoldenBytesOfTwoParametersAndOneRecordReadTwiceMerge) {
    FileStorage s;
    fill_small(s);
    s.save_with_new_format(name);
    EXPECT_EQ(gti_test::read_bytes(name), small_file());
    EXPECT_NE(lib::filetime_to_uint64(s.saved_file_time), 0u);

    FileStorage back;
    back.add_new_file(name, false);
    ASSERT_EQ(back.get_param_count(), 2);
    EXPECT_EQ(back.get_param(1)->unit, "ход/мин"_cp);
    EXPECT_EQ(back.get_param(1)->short_name, "N");
    EXPECT_EQ(back.get_param(0)->scale_max, 200.0f);
    ASSERT_EQ(back.get_record_count(), 1);
    const FileStorageItem& r = *back.get_record(0);
    EXPECT_EQ(r.time, 0x01020304u);
    EXPECT_EQ(r.third_depth, 3.5f);
    EXPECT_EQ(r.tag, 7);
    EXPECT_EQ(plain(r.values), (std::vector<float>{10.0f, -1.0f}));
    EXPECT_EQ(back.get_text_values().race_number, 1);
    EXPECT_EQ(back.get_text_values().well, "");  // an unset text is not taken from a file
    EXPECT_TRUE(warnings(back).empty());
    back.add_new_file(name, false);  // the same file twice merges its parameters
    EXPECT_EQ(back.get_param_count(), 2);
    EXPECT_EQ(back.get_record_count(), 2);
}

TEST_F(RegistrationTest, ColumnsFindTheirParametersByKey) {
    FileStorage s;
    s.add_parametr({"Давление"_cp, "P", "атм"_cp, "давление"_cp});
    s.add_parametr({"Ходы"_cp, "N", "ход/мин"_cp, "ХОДЫ"_cp});  // the file's key in other letter case
    read(s, small_file());
    ASSERT_EQ(s.get_param_count(), 3);
    EXPECT_EQ(s.get_param(2)->global_name, "вес"_cp);
    EXPECT_EQ(shown(plain(s.get_record(0)->values)), shown({missing_value, -1.0f, 10.0f}));  // no value for the first
}

TEST_F(RegistrationTest, RecordsOutsideTheTimeRangeAreDropped) {
    FileStorage writer;
    writer.add_parametr({"", "", "", "k"});
    for (std::uint32_t t : {99u, 100u, 150u, 200u, 201u}) {
        FileStorageItem r;
        r.time = t;
        r.values = {1};
        writer.add_record(r);
    }
    writer.save_with_new_format(name);
    FileStorage s;
    s.set_time_range(100, 200);
    s.add_new_file(name, false);
    ASSERT_EQ(s.get_record_count(), 3);
    EXPECT_EQ(s.get_record(0)->time, 100u);
    EXPECT_EQ(s.get_record(2)->time, 200u);
}

TEST_F(RegistrationTest, UnknownBlocksAreSkippedAndSizeZeroEndsTheFile) {
    FileStorage s;
    read(s, block(2, small_params) + block(7, "12345") + block(1, small_record) + std::string("\x01\0\0", 3));
    EXPECT_EQ(s.get_record_count(), 1);
    EXPECT_TRUE(warnings(s).empty());
}

TEST_F(RegistrationTest, DamagedOrCutBlocksKeepWhatCameBeforeAndSayWhereAndHowMuch) {
    struct row {
        std::string tail;
        bool at_end;  // the file ends with the tail; else a whole record block follows it
        std::string what;
    };
    std::string bad_count = small_record;
    bad_count[17] = 3;
    const std::string record = block(1, small_record), text = block(3, default_run_text() + '\0');
    const std::string params = block(2, small_params);
    for (const row& r : {
             row{block(3, "a=1"), false, "Повреждён файл в области текстовых данных"_cp},
             row{std::string("\x05\x00\x80", 3), false, "line_header.size = -32768"},
             row{block(1, bad_count + "1234"), false, "Недопустимое число параметров в файле: 3"_cp},
             row{block(2, std::string("\x81", 1)), false, "слишком много параметров"_cp},
             row{std::string("\x01\0\0", 3), false, "a block header of size 0 ends the file early"},
             row{record.substr(0, 20), true, "a record block is cut short"},
             row{record.substr(0, 2), true, "the file ends inside a block header"},
             row{text.substr(0, 10), true, "a run-information block is cut short"},
             row{params.substr(0, 12), true, "a parameter block is cut short"},
             row{block(7, "12345").substr(0, 5), true, "a block of type 7 is cut short"},
         }) {
        SCOPED_TRACE(r.what);
        FileStorage s;
        read(s, params + record + r.tail + (r.at_end ? "" : record));
        EXPECT_EQ(s.get_record_count(), 1);
        const std::size_t left = r.tail.size() + (r.at_end ? 0 : record.size());
        EXPECT_EQ(warnings(s),
                  std::vector<AnsiString>{name + ": damaged at byte 81: " + r.what + "; 1 record read before it; " +
                                          std::to_string(left) + " bytes not read"});
        EXPECT_EQ(s.get_text_values().race_number, 0);  // the run fields are still converted
    }
}

TEST_F(RegistrationTest, BytesThatDoNotBeginLikeARegistrationFileAreAnError) {
    for (const std::string& bytes :
         {std::string("date,time\r\n1,2\r\n"), std::string("~Version\r\n VERS. 2.0\r\n"), std::string(300, '\0'),
          std::string("\x02\x05", 2), block(0, "abc") + small_file(), block(2, "") + small_file()}) {
        FileStorage s;
        EXPECT_TRUE(
            throws_with<FileStorageException>([&] { read(s, bytes); }, (name + ": not a registration file").str()));
    }
    FileStorage s;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { read(s, ""); }, (name + ": the file is empty").str()));
}

TEST_F(RegistrationTest, AParameterBlockCutShortStillGivesEveryRecordItsColumns) {
    FileStorage s;
    read(s, small_file());
    // Two descriptors announced, the file ends after the first.
    const std::string zero(1, '\0');
    const std::string cut = std::string("\x02\x40\x00\x02", 4) + "Новый"_cp + zero + "т"_cp + zero + "Н"_cp + zero +
                            "новый"_cp + zero + std::string(8, '\0');
    read(s, cut);
    EXPECT_EQ(warnings(s).size(), 1u);
    EXPECT_EQ(s.get_param_count(), 3);
    EXPECT_EQ(s.get_record(0)->values.size(), 3u);
}

TEST_F(RegistrationTest, RecordsBeforeAParameterBlockAreNotMappedByAnotherFile) {
    FileStorage s;
    read(s, small_file());
    read(s, block(1, small_record));
    EXPECT_EQ(s.get_record_count(), 1);
    EXPECT_EQ(warnings(s), std::vector<AnsiString>{name + ": damaged at byte 0: " +
                                                   "Недопустимое число параметров в файле: 2; 0 records read "_cp +
                                                   "before it; 29 bytes not read"});
}

TEST_F(RegistrationTest, EveryPrefixOfTheGoldenFileReadsToTheLastWholeRecord) {
    const std::string file = small_file();
    const std::size_t params_end = 3 + small_params.size(), record_end = params_end + 3 + small_record.size();
    for (std::size_t n = 1; n < file.size(); ++n) {
        SCOPED_TRACE(n);
        FileStorage s;
        if (n < 3) {
            EXPECT_THROW(read(s, file.substr(0, n)), FileStorageException);
            continue;
        }
        read(s, file.substr(0, n));
        EXPECT_EQ(s.get_record_count(), n >= record_end ? 1 : 0);
        // Only a cut that falls between blocks reads without a warning.
        EXPECT_EQ(warnings(s).size(), n == params_end || n == record_end ? 0u : 1u);
    }
}

TEST_F(RegistrationTest, TextValuesMergeUnsetValuesDoNotReplaceAndTextOnlyReadsNothingElse) {
    FileStorage s;
    s.get_text_values().get_list().SetText("скважина=Южная-7\r\nмастер=Петров\r\n"_cp);
    read(s, block(3, "СКВАЖИНА=::не задано::\r\nмастер=\"Иванов\"\r\nновый=1\r\n"_cp + std::string(1, '\0')));
    EXPECT_EQ(s.get_text_values().get_list().Text(), "скважина=Южная-7\r\nмастер=Иванов\r\nновый=1\r\n"_cp);
    EXPECT_EQ(s.get_text_values().well, "Южная-7"_cp);
    EXPECT_EQ(s.get_text_values().foreman, "Иванов"_cp);
    FileStorage text_only;
    read(text_only, small_file(), true);
    EXPECT_EQ(text_only.get_param_count() + text_only.get_record_count(), 0);
    EXPECT_EQ(text_only.get_text_values().get_text("номер_рейса"_cp), "1");
}

TEST_F(RegistrationTest, AFullStoreOf128ParametersRoundTrips) {
    FileStorage s;
    FileStorageItem r;
    for (int i = 0; i < 128; ++i) {
        s.add_parametr({"", "", "", AnsiString("k" + std::to_string(i))});
        r.values.push_back(static_cast<float>(i));
    }
    s.add_record(r);
    s.save_with_new_format(name);
    const std::string bytes = gti_test::read_bytes(name);
    const std::size_t record_at = bytes.find(std::string("\x01\x12\x02", 3));  // type 1, 18 + 512 bytes
    ASSERT_NE(record_at, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(bytes[record_at + 3 + 17]), 0x80);
    FileStorage back;
    back.add_new_file(name, false);
    EXPECT_EQ(plain(back.get_record(0)->values), plain(r.values));
}

TEST_F(RegistrationTest, RecordsAreWrittenWithTheStoresValueCount) {
    FileStorage s;
    s.add_parametr({"", "", "", "a"});
    s.add_parametr({"", "", "", "b"});
    FileStorageItem few, many;
    few.values = {1};
    many.values = {1, 2, 3, 4};
    s.add_record(few);
    s.add_record(many);
    s.save_with_new_format(name);
    FileStorage back;
    back.add_new_file(name, false);
    ASSERT_EQ(back.get_record_count(), 2);
    EXPECT_EQ(shown(plain(back.get_record(0)->values)), shown({1, missing_value}));  // written as missing
    EXPECT_EQ(plain(back.get_record(1)->values), (std::vector<float>{1, 2}));
}

TEST_F(RegistrationTest, AStoreThatDoesNotFitABlockIsRefusedBeforeTheFileIsTouched) {
    FileStorage good;
    fill_small(good);
    good.save_with_new_format(name);
    const std::string before = gti_test::read_bytes(name);
    FileStorage huge;
    fill_small(huge);
    huge.get_text_values().mud_type = AnsiString(40000, 'x');
    EXPECT_TRUE(throws_with<FileStorageException>([&] { huge.save_with_new_format(name); },
                                                  "Блок файла регистрации больше 32767 байт: 40531"_cp));
    EXPECT_EQ(gti_test::read_bytes(name), before);
}

TEST_F(RegistrationTest, AReaderNeverSeesAHalfWrittenFile) {
    // One process rewrites the file again and again while another reads it.
    FileStorage big;
    big.add_parametr({"", "", "", "k"});
    FileStorageItem r;
    r.values = {1};
    for (int i = 0; i < 20000; ++i) {
        r.time = static_cast<std::uint32_t>(i);
        big.add_record(r);
    }
    big.save_with_new_format(name);
    gti_test::child_process writer([&](const gti_test::child_process::channel& c) {
        c.send('w');
        for (int round = 0; round < 30; ++round)
            big.save_with_new_format(name);
        return 0;
    });
    ASSERT_EQ(writer.receive(), 'w');
    int complete = 0;
    for (int round = 0; round < 30; ++round) {
        FileStorage s;
        try {
            s.add_new_file(name, false);
            EXPECT_EQ(s.get_record_count(), 20000);
            EXPECT_TRUE(warnings(s).empty());
            ++complete;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "Невозможно заблокировать файл!"_cp);
        }
    }
    EXPECT_EQ(writer.wait(), 0);
    EXPECT_GT(complete, 0);
}

}  // namespace
