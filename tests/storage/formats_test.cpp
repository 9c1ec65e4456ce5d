// The per-format units on bytes: where each decoder stops, the kinds of data files, the
// compressed data file through FileStorage, and the memory of a load.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/io/zlib_streams.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/data_file.h"
#include "gti/storage/file_storage.h"
#include "gti/storage/old_file.h"
#include "gti/storage/registration_file.h"
#include "legacy_bytes.h"
#include "support.h"
#include "values.h"

using namespace lib::literals;

using gti_test::throws_with;
using storage_test::block;
using storage_test::bytes;
using storage_test::entry;
using storage_test::old_record;

namespace {

namespace reg = lib::registration;

lib::storage::byte_reader over(const std::string& s) {
    return {s.data(), s.size()};
}

TEST(RegistrationBlocks, TheWalkerReportsWhereItStopped) {
    struct row {
        std::string bytes;
        reg::block_status status;
        std::size_t pos;
    };
    for (const row& r : {
             row{"", reg::block_status::end, 0},
             row{std::string("\x01\x05", 2), reg::block_status::cut_header, 0},
             row{block(1, "abc"), reg::block_status::block, 3},
             row{std::string("\x03\x00\x00", 3), reg::block_status::end_mark, 3},
             row{std::string("\x02\xFF\xFF", 3), reg::block_status::negative_size, 3},
         }) {
        SCOPED_TRACE(r.pos);
        auto in = over(r.bytes);
        reg::block_header h;
        EXPECT_EQ(reg::next_block(in, h), r.status);
        EXPECT_EQ(in.pos, r.pos);
    }
}

TEST(RegistrationBlocks, DecodersReadWholeItemsOrStayPut) {
    const std::string fields = bytes(std::uint32_t{7}) + bytes(1.5f) + bytes(3.5f) + "\x09" + bytes(2.5f) + "\x02";
    reg::record_view v;
    const std::string short_fields = fields.substr(0, 17);
    auto cut = over(short_fields);
    EXPECT_EQ(reg::decode_record(cut, v), reg::record_status::cut_fields);
    const std::string one_value = fields + bytes(1.0f), two_values = one_value + bytes(-1.0f);
    auto short_values = over(one_value);
    EXPECT_EQ(reg::decode_record(short_values, v), reg::record_status::cut_values);
    EXPECT_EQ(v.count, 2);
    EXPECT_EQ(short_values.pos, 0u);
    auto whole = over(two_values);
    ASSERT_EQ(reg::decode_record(whole, v), reg::record_status::ok);
    EXPECT_EQ(whole.pos, whole.size);
    EXPECT_EQ(v.time, 7u);
    EXPECT_EQ(v.third_depth, 3.5f);
    EXPECT_EQ(v.second_depth, 2.5f);
    EXPECT_EQ(v.tag, 9);

    // Parameters: a count over 128 reads nothing; a descriptor cut short keeps the whole ones.
    const std::string one = std::string("N\0u\0s\0k\0", 8) + bytes(0.0f) + bytes(5.0f);
    std::vector<FileStorageParam> params;
    const std::string too_many_bytes = "\x81" + one, cut_bytes = "\x02" + one + one.substr(0, 10);
    auto too_many = over(too_many_bytes);
    EXPECT_EQ(reg::decode_params(too_many, params), reg::params_status::too_many);
    auto two_cut = over(cut_bytes);
    EXPECT_EQ(reg::decode_params(two_cut, params), reg::params_status::cut);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].scale_max, 5.0f);
    EXPECT_EQ(two_cut.pos, 1 + one.size());

    AnsiString text;
    const std::string lines = "a=1\r\n", cut_lines("a=1\0", 4);
    auto no_zero = over(lines);
    EXPECT_EQ(reg::decode_text(no_zero, 5, text), reg::text_status::no_zero);
    EXPECT_EQ(no_zero.pos, 5u);
    auto cut_text = over(cut_lines);
    EXPECT_EQ(reg::decode_text(cut_text, 5, text), reg::text_status::cut);
    EXPECT_EQ(cut_text.pos, 0u);
}

TEST(OldGeneration, DecodersOnBytes) {
    const std::string rec = old_record(5, 2.0f, {1, 2});
    lib::old_file::record_view v;
    const std::string short_record = rec.substr(0, 144);
    auto cut = over(short_record);
    EXPECT_FALSE(lib::old_file::decode_record(cut, v));
    EXPECT_EQ(cut.pos, 0u);
    auto whole = over(rec);
    ASSERT_TRUE(lib::old_file::decode_record(whole, v));
    EXPECT_EQ(v.time, 5u);
    EXPECT_EQ(v.second_depth, 3.0f);
    // An entry cut short ends the list.
    const std::string list = entry("A", "a") + entry("B", "b");
    const auto entries = lib::old_file::decode_list(list.data(), list.size() - 1);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].global_name, "a");
}

TEST(OldGeneration, ReadsFromMemoryWithListAndRunText) {
    FileStorage s;
    s.add_parametr({"", "", "", "held before"});
    s.time_range_start = 1000;  // time 0 is never loaded, 999 is outside the range
    const std::string list = entry("P", "k1") + entry("X", "") + entry("Q", "k3");
    const std::string run = "мастер=\"Петров\"\r\n[начало_рейса]\r\nглубина=1250\r\n"_cp;
    EXPECT_TRUE(
        s.add_old_data(old_record(0, 1, {}) + old_record(999, 2, {}) + old_record(1000, 12.5f, {1, 2, 3}), list, run));
    ASSERT_EQ(s.get_param_count(), 3);
    ASSERT_EQ(s.get_record_count(), 1);
    const FileStorageItem& r = *s.get_record(0);
    EXPECT_EQ(r.third_depth, 12.5f);
    EXPECT_EQ(shown(std::vector<float>(r.values.begin(), r.values.begin() + 4)),
              shown({missing_value, 1, 3, missing_value}));
    EXPECT_EQ(s.get_text_values().get_list().Text(), AnsiString(run));

    FileStorage merged;  // the merging alone, as load_text_values does it for a run file
    merged.add_old_data(old_record(1, 1, {}), std::nullopt, std::nullopt);
    EXPECT_EQ(merged.get_record(0)->values.size(), 32u);  // without a list: file column order
}

TEST(OldGeneration, EveryPrefixReadsToTheLastWholeRecord) {
    const std::string file = old_record(1, 1, {1}) + old_record(2, 2, {2}) + old_record(3, 3, {3});
    for (std::size_t n = 0; n <= file.size(); ++n) {
        SCOPED_TRACE(n);
        FileStorage s;
        if (n > 0 && n < 145) {
            EXPECT_TRUE(throws_with<FileStorageException>(
                [&] { s.add_old_data(file.substr(0, n), entry("A", "a"), std::nullopt); },
                "old-generation data: not an old-generation data file"));
            continue;
        }
        s.add_old_data(file.substr(0, n), entry("A", "a"), std::nullopt);
        EXPECT_EQ(s.get_record_count(), static_cast<int>(n / 145));
        std::vector<AnsiString> warnings;
        s.get_warnings(warnings);
        EXPECT_EQ(warnings.size(), n % 145 == 0 ? 0u : 1u);
    }
}

TEST(DataFiles, KindsByExtension) {
    using lib::data_file_kind;
    struct row {
        const char* name;
        data_file_kind kind;
    };
    for (const row& r : {
             row{"a.realtim", data_file_kind::registration},
             row{"B.RealDep", data_file_kind::registration},
             row{"x\\c.reallag", data_file_kind::registration},
             row{"A.TIM", data_file_kind::old_generation},
             row{"a.dep", data_file_kind::old_generation},
             row{"w/a.ldp", data_file_kind::old_generation},
             row{"12.CREG", data_file_kind::compressed},
             row{"a.txt", data_file_kind::unknown},
             row{"run.tim/data", data_file_kind::unknown},
             row{"c:\\w.tim\\noext", data_file_kind::unknown},
             row{"tim", data_file_kind::unknown},
         }) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(lib::data_file_kind_of(r.name), r.kind);
    }
    FileStorage s;
    EXPECT_TRUE(throws_with<FileStorageException>([&] { s.add_file("a.TxT", false); },
                                                  "Неправильное расширение открываемого файла: .txt"_cp));
}

// The golden file holds this stream, deflated: one parameter, two records, two run lines.
const char* const golden_stream =
    "4352454746494c45000100000001000000c2e5f120ede020eaf0feeae500c2e5f100f200e2e5f15fede05feaf0feeae50000000000"
    "00004843f1eae2e0e6e8ede03ddee6ede0ff2d370d0aedeeece5f05ff0e5e9f1e03d31320d0a000200000002000000e8e9030300"
    "00000002000000000040509c9c444402000000000040509c9c444402000000000020309c9c44440200000000010100000002000000"
    "00000000a38042bf";

TEST(CompressedFile, TheGoldenFileIsReadByExtension) {
    const AnsiString golden = AnsiString(GTI_TEST_DATA) + "/run12.creg";
    const std::string deflated = gti_test::read_bytes(golden);
    lib::io::InflatingInputStream in(deflated.data(), deflated.size());
    std::string stream;
    while (!in.eof())
        stream.push_back(static_cast<char>(in.get()));
    EXPECT_EQ(stream, gti_test::hex(golden_stream));

    FileStorage s;
    s.add_parametr({"", "", "", "другой"_cp});
    ASSERT_TRUE(s.add_file(golden, false));
    ASSERT_EQ(s.get_param_count(), 2);
    EXPECT_EQ(s.get_param(1)->global_name, "вес_на_крюке"_cp);
    EXPECT_EQ(s.get_param(1)->scale_max, 200.0f);
    ASSERT_EQ(s.get_record_count(), 2);
    EXPECT_EQ(s.get_record(1)->time, 1001u);
    EXPECT_EQ(s.get_record(1)->third_depth, 1249.5f);
    EXPECT_EQ(s.get_record(1)->tag, 1);
    EXPECT_EQ(shown(plain(s.get_record(1)->values)), shown({missing_value, -1.0f}));
    EXPECT_EQ(s.get_text_values().well, "Южная-7"_cp);
    EXPECT_EQ(s.get_text_values().race_number, 12);
}

TEST(CompressedFile, SaveAllWritesPlainByDefaultAndQuantizedOnRequest) {
    gti_test::temp_dir dir;
    FileStorage s;
    s.add_parametr({"", "", "", "k"});
    FileStorageItem r;
    for (int i = 0; i < 300; ++i) {
        r.time = 100 + static_cast<std::uint32_t>(i);
        r.values = {1000.0f + static_cast<float>(i) * 0.37f};
        s.add_record(r);
    }
    s.get_record_ptr(5)->values[0] = std::numeric_limits<float>::quiet_NaN();
    s.get_text_values().race_number = 7;
    s.save_all(dir.file("p.creg"), false);
    s.save_all(dir.file("q.creg"), false, FileStorage::encode_quantized);
    EXPECT_LT(gti_test::read_bytes(dir.file("q.creg")).size(), gti_test::read_bytes(dir.file("p.creg")).size());

    for (const char* name : {"p.creg", "q.creg"}) {
        SCOPED_TRACE(name);
        FileStorage back;
        back.add_file(dir.file(name), false);
        ASSERT_EQ(back.get_record_count(), 300);
        EXPECT_EQ(back.get_text_values().race_number, 7);
        EXPECT_TRUE(std::isnan(back.get_record(5)->values[0]));
        for (int i = 0; i < 300; ++i) {
            const float want = s.get_record(i)->values[0], got = back.get_record(i)->values[0];
            if (i == 5) continue;
            if (name[0] == 'p')
                ASSERT_EQ(got, want) << i;
            else
                ASSERT_LE(std::fabs(got - want), want * 1e-4f) << i;
        }
    }
    // A damaged file fails and leaves the store as it was.
    gti_test::write_bytes(dir.file("bad.creg"), "not deflated");
    FileStorage kept;
    kept.add_file(dir.file("p.creg"), false);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { kept.add_file(dir.file("bad.creg"), false); },
                                                dir.file("bad.creg").str() + ": not a compressed data file"));
    EXPECT_EQ(kept.get_record_count(), 300);
}

TEST(LoadMemory, ARecordKeptByACallerOutlivesItsStore) {
    std::shared_ptr<FileStorageItem> kept;
    {
        FileStorage s;
        s.add_parametr({"", "", "", "k"});
        FileStorageItem r;
        r.time = 5;
        r.values = {2.0f};
        s.add_record(r);
        lib::io::BinaryMemoryOutputStream file;
        s.save_all_to_stream(file);
        FileStorage loaded;
        loaded.add_new_data(file.get_buffer(), file.get_size(), false);
        kept = loaded.get_record_shared(0);
    }
    ASSERT_EQ(kept->values.size(), 1u);
    EXPECT_EQ(kept->values[0], 2.0f);
    kept->values.resize(1000, 3.0f);  // grows on the heap once the load is over
    EXPECT_EQ(kept->values[999], 3.0f);
    FileStorageItem copy = *kept;
    EXPECT_EQ(copy.values.get_allocator().get_arena(), nullptr);
}

}  // namespace
