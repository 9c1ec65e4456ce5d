#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/io/file_streams.h"
#include "gti/numeric/interpolation.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "support.h"
#include "values.h"

using namespace lib::literals;

using gti_test::bytes_of;
using gti_test::throws_with;

namespace {

std::string u32(std::uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

std::string f32(float v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

const std::string zero(1, '\0');

void load(FileStorage& s, const std::string& bytes) {
    lib::io::BinaryMemoryInputStream in(bytes.data(), static_cast<unsigned>(bytes.size()));
    s.load_after_decompressing(in);
}

std::string save(FileStorage& s, FileStorage::EncodeType encoding) {
    lib::io::BinaryMemoryOutputStream out;
    s.save_for_compressing(out, encoding, nullptr);
    return bytes_of(out);
}

bool same_bits(float a, float b) {
    return std::memcmp(&a, &b, 4) == 0;
}

// One parameter "вес", records at 0x01020304 and 0x05060708 with the values 10 and -1.
void fill_small(FileStorage& s) {
    s.add_parametr({"Вес"_cp, "W", "т"_cp, "вес"_cp, 0, 200});
    for (const auto& [time, depth, tag, value] :
         {std::tuple{0x01020304u, 1.5f, 7, 10.0f}, {0x05060708u, 2.5f, 9, -1.0f}}) {
        FileStorageItem r;
        r.time = time;
        r.depth = depth;
        r.tag = static_cast<std::uint8_t>(tag);
        r.values = {value};
        s.add_record(r);
    }
}

// The stream of fill_small up to its column.
std::string small_head() {
    return "CREGFILE" + zero + u32(1) + u32(1) + "Вес"_cp + zero + "W" + zero + "т"_cp + zero + "вес"_cp + zero +
           f32(0) + f32(200) + zero + u32(2) + u32(2) + std::string("\x04\x08\x03\x07\x02\x06\x01\x05", 8) + u32(2) +
           std::string("\0\0\0\0\xC0\x20\x3F\x40", 8) + u32(2) + std::string(8, '\0') + u32(2) + std::string(8, '\0') +
           u32(2) + "\x07\x09";
}

const std::string small_plain_column = u32(1) + u32(2) + std::string("\0\0\0\0\x20\x80\x41\xBF", 8);

TEST(CompressedStream, PlaneArraysGoldenBytes) {
    lib::io::BinaryMemoryOutputStream out;
    FileStorage::add_new_reg_file_vector(out, std::vector<unsigned int>{0x01020304, 0x05060708});
    FileStorage::add_new_reg_file_vector(out, std::vector<unsigned short>{0x0102, 0x0304});
    FileStorage::add_new_reg_file_vector(out, std::vector<char>{'a', 'b'});
    FileStorage::add_new_reg_file_vector(out, std::vector<float>{});
    EXPECT_EQ(bytes_of(out),
              u32(2) + "\x04\x08\x03\x07\x02\x06\x01\x05" + u32(2) + "\x02\x04\x01\x03" + u32(2) + "ab" + u32(0));

    lib::io::BinaryMemoryInputStream in(out.get_buffer(), out.get_size());
    std::vector<unsigned int> words;
    std::vector<unsigned short> halves;
    std::vector<char> letters;
    std::vector<float> none{1};
    FileStorage::read_new_reg_file_vector(in, words);
    FileStorage::read_new_reg_file_vector(in, halves);
    FileStorage::read_new_reg_file_vector(in, letters);
    FileStorage::read_new_reg_file_vector(in, none);
    EXPECT_EQ(words, (std::vector<unsigned int>{0x01020304, 0x05060708}));
    EXPECT_EQ(halves, (std::vector<unsigned short>{0x0102, 0x0304}));
    EXPECT_EQ(letters, (std::vector<char>{'a', 'b'}));
    EXPECT_TRUE(none.empty());
}

TEST(CompressedStream, PlainStreamGoldenBytesAndBack) {
    FileStorage s;
    fill_small(s);
    EXPECT_EQ(save(s, FileStorage::encode_plain), small_head() + small_plain_column);

    FileStorage back;
    back.add_parametr({"", "", "", "прежний"_cp});
    load(back, small_head() + small_plain_column);
    ASSERT_EQ(back.get_param_count(), 1);
    EXPECT_EQ(back.get_param(0)->short_name, "W");
    EXPECT_EQ(back.get_param(0)->scale_max, 200.0f);
    ASSERT_EQ(back.get_record_count(), 2);
    EXPECT_EQ(back.get_record(1)->time, 0x05060708u);
    EXPECT_EQ(back.get_record(1)->depth, 2.5f);
    EXPECT_EQ(back.get_record(1)->tag, 9);
    EXPECT_EQ(plain(back.get_record(1)->values), std::vector<float>{-1.0f});
}

TEST(CompressedStream, QuantizedColumnGoldenBytes) {
    // 8-bit codes over 10..40: 25 is the one value that comes back outside the tolerance
    // (as 128 -> 25.0588), so it goes exactly.
    lib::io::BinaryMemoryOutputStream out;
    FileStorage::save_vector(out, {10, 20, 30, 40, 25}, FileStorage::encode_quantized);
    EXPECT_EQ(bytes_of(out), u32(2) + u32(1) + u32(255) + f32(40) + f32(10) + u32(5) + u32(1) + u32(4) + u32(1) +
                                 f32(25) + u32(4) + std::string("\x00\x55\xAA\xFF", 4));
}

TEST(CompressedStream, ColumnsComeBackBitForBitOrWithinTheTolerance) {
    struct row {
        const char* name;
        std::function<float(int)> value;
        std::uint32_t quantized_tag;  // the column tag encode_quantized chooses
    };
    const float nan = std::nanf("");
    const std::vector<row> rows = {
        {"smooth", [](int i) { return 1000 + 50 * std::sin(i / 100.0f); }, 2},
        {"noisy", [](int i) { return 100 + static_cast<float>((i * 7919) % 1000) / 200; }, 2},
        {"constant", [](int) { return 5.0f; }, 2},
        {"flow in m3/s", [](int i) { return 0.000256f + static_cast<float>(i % 100) * 7e-8f; }, 2},
        {"ramp of whole steps", [](int i) { return static_cast<float>(i % 256); }, 2},
        {"gas with spikes", [](int i) { return i % 50 == 0 ? 50.0f : 0.01f + static_cast<float>(i % 7) / 1000; }, 1},
        {"signed through zero", [](int i) { return 10 * std::sin(i / 30.0f); }, 1},
        {"with NaN and infinity",
         [nan](int i) { return i == 7   ? nan
                               : i == 9 ? -INFINITY
                                        : 20 + static_cast<float>(i) / 100; }, 2},
        {"bits of every kind",
         [](int i) {
             const std::uint32_t bits = 0x9E3779B9u * static_cast<std::uint32_t>(i);
             float v;
             std::memcpy(&v, &bits, 4);
             return v;
         },
         1},
    };
    constexpr int n = 3000;
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<float> column;
        FileStorage s;
        s.add_parametr({"", "", "", "канал"_cp});
        for (int i = 0; i < n; ++i) {
            FileStorageItem item;
            item.time = static_cast<std::uint32_t>(i);
            item.values = {r.value(i)};
            column.push_back(item.values[0]);
            s.add_record(item);
        }
        lib::io::BinaryMemoryOutputStream one;
        FileStorage::save_vector(one, column, FileStorage::encode_quantized);
        EXPECT_EQ(bytes_of(one).substr(0, 4), u32(r.quantized_tag));

        for (const auto encoding : {FileStorage::encode_plain, FileStorage::encode_quantized}) {
            FileStorage back;
            load(back, save(s, encoding));
            ASSERT_EQ(back.get_record_count(), n);
            for (int i = 0; i < n; ++i) {
                const float v = column[static_cast<std::size_t>(i)], got = back.get_record(i)->values[0];
                if (same_bits(v, got)) continue;
                ASSERT_EQ(encoding, FileStorage::encode_quantized) << i;
                if (lib::is_over_null(v)) continue;
                ASSERT_LT(std::fabs((static_cast<double>(got) - v) / v), 1e-4)
                    << i << ": " << v << " came back as " << got;
            }
        }
    }
}

TEST(CompressedStream, TheWorstValuesOfAColumnAreStoredExactly) {
    // A constant column: every error is 0, so the first 3000 / 30 positions go exactly.
    lib::io::BinaryMemoryOutputStream out;
    EXPECT_TRUE(FileStorage::try_to_copmpress<std::uint8_t>(out, std::vector<float>(3000, 5.0f), 255, false));
    const std::string b = bytes_of(out);
    EXPECT_EQ(b.substr(0, 24), u32(1) + u32(255) + f32(6) + f32(5) + u32(3000) + u32(100));
    EXPECT_EQ(b.substr(24 + 99, 1), std::string(1, '\x63'));  // the last exact position, 99
    EXPECT_EQ(b.substr(b.size() - 2904, 4), u32(2900));
    EXPECT_EQ(b.substr(b.size() - 2900), std::string(2900, '\0'));

    // Forced, a column too fine for its codes is written anyway; unforced, nothing is.
    std::vector<float> fine;
    for (int i = 0; i < 300; ++i)
        fine.push_back(1 + static_cast<float>(i) * 1e-3f);
    lib::io::BinaryMemoryOutputStream none, forced;
    EXPECT_FALSE(FileStorage::try_to_copmpress<std::uint8_t>(none, fine, 255, false));
    EXPECT_EQ(none.get_size(), 0u);
    EXPECT_TRUE(FileStorage::try_to_copmpress<std::uint16_t>(forced, fine, 1024, true));
    EXPECT_EQ(bytes_of(forced).substr(0, 4), u32(2));
}

TEST(CompressedStream, AnEmptyStoreRoundTripsInBothEncodings) {
    for (const auto encoding : {FileStorage::encode_plain, FileStorage::encode_quantized}) {
        SCOPED_TRACE(encoding);
        FileStorage s;
        s.add_parametr({"Вес"_cp, "W", "т"_cp, "вес"_cp});
        s.add_parametr({"Ходы"_cp, "N", "ход/мин"_cp, "ходы"_cp});
        s.get_text_values().get_list().SetText("скважина=Южная-7\r\n"_cp);
        FileStorage back;
        load(back, save(s, encoding));
        EXPECT_EQ(back.get_param_count(), 2);
        EXPECT_EQ(back.get_param(1)->unit, "ход/мин"_cp);
        EXPECT_EQ(back.get_record_count(), 0);
        EXPECT_EQ(back.get_text_values().get_list().Text(), "скважина=Южная-7\r\n"_cp);
        EXPECT_EQ(back.get_text_values().well, "Южная-7"_cp);  // the run fields follow the text
    }
}

TEST(CompressedStream, ColumnsOfEqualKeysLandOnTheirParameter) {
    // Keys "a", "A", "b": the second column is the first parameter's, the third the second's.
    FileStorage s;
    for (const char* key : {"a", "x", "b"})
        s.add_parametr({"", "", "", key});
    FileStorageItem r;
    r.values = {1, 2, 3};
    s.add_record(r);
    std::string bytes = save(s, FileStorage::encode_plain);
    bytes[bytes.find(std::string("\0x\0", 3)) + 1] = 'A';
    FileStorage back;
    load(back, bytes);
    ASSERT_EQ(back.get_param_count(), 2);
    EXPECT_EQ(back.get_param(1)->global_name, "b");
    EXPECT_EQ(plain(back.get_record(0)->values), (std::vector<float>{2, 3}));
}

TEST(CompressedStream, TheProgressCallbackHearsOfEveryColumn) {
    FileStorage s;
    for (const char* key : {"a", "b", "c"})
        s.add_parametr({"", "", "", key});
    std::vector<int> heard;
    lib::io::BinaryMemoryOutputStream out;
    s.save_for_compressing(out, FileStorage::encode_quantized, [&](int column) { heard.push_back(column); });
    EXPECT_EQ(heard, (std::vector<int>{0, 1, 2}));
}

// A quantized stream of two records, field by field, for damaging one field at a time.
struct small_stream {
    std::string magic = "CREGFILE";
    std::uint32_t version = 1, params = 1, records = 2, times = 2, tag = 2, width = 1, levels = 255, n = 2;
    std::vector<std::int32_t> positions{1};
    std::uint32_t exact_values = 1, codes = 1;

    std::string bytes() const {
        std::string s = magic + zero + u32(version) + u32(params) + "a" + zero + zero + zero + "k" + zero + f32(0) +
                        f32(100) + zero + u32(records) + u32(times) + std::string(4 * std::min(times, 2u), '\0');
        for (int field = 0; field < 3; ++field)
            s += u32(2) + std::string(8, '\0');
        s += u32(2) + std::string(2, '\0') + u32(tag) + u32(width) + u32(levels) + f32(2) + f32(1) + u32(n);
        s += u32(static_cast<std::uint32_t>(positions.size()));
        for (int b = 0; b < 4; ++b)
            for (std::int32_t p : positions)
                s += static_cast<char>(static_cast<std::uint32_t>(p) >> (8 * b));
        s += u32(exact_values) + std::string(4 * exact_values, '\0');
        return s + u32(codes) + std::string(width * codes, '\0');
    }
};

TEST(CompressedStream, DamagedStreamsFailOrKeepTheWholeColumnsWithTheirMessage) {
    const std::string prefix = "FileStorage::load_after_decompressing: ";
    struct row {
        std::function<void(small_stream&)> damage;
        std::string message;
        bool in_column;  // the records are whole: they stay, the column is missing
    };
    const std::vector<row> rows = {
        {[](small_stream& s) { s.magic = "CREGFILF"; }, "Некорркетный заголовок файла"_cp, false},
        {[](small_stream& s) { s.version = 2; }, "Некорркетная версия файла"_cp, false},
        {[](small_stream& s) { s.tag = 3; }, "Неизвестный тип столбца: 3"_cp, true},
        {[](small_stream& s) { s.width = 3; }, "Неизвестная разрядность кодов: 3"_cp, true},
        {[](small_stream& s) { s.params = 0x40000000; }, "Длина массива больше остатка данных: 1073741824"_cp, false},
        {[](small_stream& s) { s.records = 0xFFFFFFFF; }, "Длина массива больше остатка данных: 4294967295"_cp, false},
        {[](small_stream& s) { s.n = 1000; }, "Длина массива больше остатка данных: 1000"_cp, true},
        {[](small_stream& s) { s.times = 1; }, "Длина массива не равна числу записей: 1"_cp, false},
        {[](small_stream& s) { s.n = s.codes = 1, s.exact_values = 0, s.positions.clear(); },
         "Длина массива не равна числу записей: 1"_cp, true},
        {[](small_stream& s) { s.positions = {2}; }, "Точные позиции не возрастают или выходят за столбец"_cp, true},
        {[](small_stream& s) { s.positions = {-1}; }, "Точные позиции не возрастают или выходят за столбец"_cp, true},
        {[](small_stream& s) {
             s.positions = {1, 1}, s.codes = 0;
         },
         "Точные позиции не возрастают или выходят за столбец"_cp, true},
        {[](small_stream& s) { s.exact_values = 0; }, "Число точных значений не равно числу позиций: 0"_cp, true},
        {[](small_stream& s) { s.codes = 2; }, "Число кодов не равно числу неточных значений: 2"_cp, true},
        {[](small_stream& s) { s.levels = 0; }, "Число уровней равно нулю"_cp, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.message);
        small_stream stream;
        r.damage(stream);
        FileStorage s;
        fill_small(s);
        if (r.in_column) {
            load(s, stream.bytes());
            ASSERT_EQ(s.get_record_count(), 2);
            EXPECT_EQ(s.get_param_count(), 0);
            EXPECT_TRUE(s.get_record(1)->values.empty());
            std::vector<AnsiString> w;
            s.get_warnings(w);
            ASSERT_EQ(w.size(), 1u);
            EXPECT_TRUE(w[0].starts_with("damaged at byte ")) << w[0].str();
            EXPECT_TRUE(
                w[0].ends_with(": " + prefix + r.message + "; 0 of 1 columns read before it, the others left out"))
                << lib::cp1251::to_utf8(w[0].str());
            continue;
        }
        try {
            load(s, stream.bytes());
            ADD_FAILURE() << "did not throw";
        } catch (const FileStorageException& e) {
            EXPECT_EQ(std::string(e.what()), prefix + r.message);
            EXPECT_TRUE(e.is_critical());
        }
        // The store is emptied before anything is read.
        if (r.message.starts_with("Некорркетн"_cp)) {
            EXPECT_EQ(s.get_param_count() + s.get_record_count(), 0);
        }
    }
    small_stream valid;
    FileStorage s;
    load(s, valid.bytes());
    EXPECT_EQ(plain(s.get_record(0)->values), std::vector<float>{1.0f});
}

TEST(CompressedStream, EveryPrefixOfASmallStreamFailsOrKeepsTheWholeColumns) {
    FileStorage s;
    fill_small(s);
    for (const auto encoding : {FileStorage::encode_plain, FileStorage::encode_quantized}) {
        const std::string bytes = save(s, encoding);
        bool records_whole = false;
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            SCOPED_TRACE(n);
            FileStorage back;
            try {
                load(back, bytes.substr(0, n));
            } catch (const std::runtime_error&) {
                EXPECT_FALSE(records_whole);  // once the records are whole, a cut only loses columns
                continue;
            }
            records_whole = true;
            ASSERT_EQ(back.get_record_count(), 2);
            EXPECT_EQ(back.get_param_count(), 0);
        }
        EXPECT_TRUE(records_whole);
    }
}

TEST(CompressedFile, EveryPrefixOfTheGoldenFileFailsCleanlyOrWarns) {
    const std::string file = gti_test::read_bytes(AnsiString(GTI_TEST_DATA) + "/run12.creg");
    for (std::size_t n = 0; n < file.size(); ++n) {
        SCOPED_TRACE(n);
        FileStorage s;
        s.add_parametr({"", "", "", "другой"_cp});
        try {
            s.add_compressed_data(file.data(), n, false, "12.creg");
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(std::string_view(e.what()).starts_with("12.creg: ")) << e.what();
            EXPECT_EQ(s.get_record_count(), 0);  // nothing of a failed file reaches the store
            continue;
        }
        std::vector<AnsiString> w;
        s.get_warnings(w);
        ASSERT_EQ(w.size(), 1u);
        EXPECT_TRUE(w[0].starts_with("12.creg: ")) << w[0].str();
        EXPECT_EQ(s.get_record_count(), 2);
    }
}

// A stream that cannot tell how many bytes it holds.
class opaque_stream final : public lib::io::BinaryInputStream {
public:
    explicit opaque_stream(std::string bytes) : bytes_(std::move(bytes)) {}
    void read(char* buffer, unsigned count) override {
        if (count > bytes_.size() - pos_) throw std::runtime_error("opaque: end");
        std::memcpy(buffer, bytes_.data() + pos_, count);
        pos_ += count;
    }
    void skip(unsigned count) override { pos_ += count; }
    bool eof() override { return pos_ >= bytes_.size(); }

private:
    std::string bytes_;
    std::size_t pos_ = 0;
};

TEST(CompressedStream, StreamsOfEveryKindAreReadAndCountsChecked) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("данные.creg"_cp);
    FileStorage s;
    fill_small(s);
    gti_test::write_bytes(name, save(s, FileStorage::encode_quantized));
    FileStorage back;
    back.load_after_decompressing(name);
    EXPECT_EQ(plain(back.get_record(0)->values), std::vector<float>{10.0f});
    opaque_stream opaque(save(s, FileStorage::encode_plain));
    back.load_after_decompressing(opaque);
    EXPECT_EQ(plain(back.get_record(1)->values), std::vector<float>{-1.0f});

    // A count far beyond the data: refused before any memory is taken for it, or, where the
    // stream cannot tell its length, read in pieces until the stream ends.
    small_stream huge;
    huge.records = huge.times = 0xFFFFFFFF;
    opaque_stream unknown(huge.bytes());
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { back.load_after_decompressing(unknown); }, "opaque: end"));
    gti_test::write_bytes(name, huge.bytes());
    lib::io::BinaryInputFileStream file;
    file.open(name, false);
    EXPECT_TRUE(throws_with<FileStorageException>([&] { back.load_after_decompressing(file); },
                                                  "FileStorage::load_after_decompressing: Длина массива больше "_cp
                                                  "остатка данных: 4294967295"_cp));
    gti_test::write_bytes(name, "");
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { back.load_after_decompressing(name); },
                                                (name + ": the file is empty").str()));
}

TEST(CompressedStream, MoreThan128ParametersIsTheStoresOwnRefusal) {
    small_stream many;
    many.params = 129;
    std::string bytes = many.bytes();
    // 129 distinct descriptors replace the one of the small stream.
    const std::string one = "a" + zero + zero + zero + "k" + zero + f32(0) + f32(100);
    std::string descriptors;
    for (int i = 0; i < 129; ++i)
        descriptors += "a" + zero + zero + zero + "k" + std::to_string(i) + zero + f32(0) + f32(100);
    bytes.replace(bytes.find(one), one.size(), descriptors);
    FileStorage s;
    EXPECT_TRUE(throws_with<FileStorageException>([&] { load(s, bytes); }, "слишком много параметров"_cp));
    EXPECT_EQ(s.get_param_count(), 128);
}

}  // namespace
