// The writers of every data file: whole or old after any failure, refusals before the target is
// touched, what a lossy conversion leaves out, run text kept as read, and two programs at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "faults.h"
#include "gti/io/os_file.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "gti/storage/registration_file.h"
#include "legacy_bytes.h"
#include "support.h"

using namespace lib::literals;

namespace {

// A store of `params` parameters with Cyrillic keys and `records` records.
void fill(FileStorage& s, int params, int records) {
    for (int i = 0; i < params; ++i) {
        const AnsiString key = "параметр_"_cp + std::to_string(i);
        s.add_parametr({key, "п"_cp, "ед"_cp, key, 0, 100});
    }
    for (int r = 0; r < records; ++r) {
        FileStorageItem item;
        item.time = 1000 + static_cast<std::uint32_t>(r);
        item.depth = item.third_depth = 100.0f + static_cast<float>(r);
        item.second_depth = 50.0f;
        for (int i = 0; i < params; ++i)
            item.values.push_back(static_cast<float>(r * 10 + i));
        s.add_record(item);
    }
}

// Every value of the first `params` parameters of a store by key, with the record's time and
// depths, as text to compare.
std::string contents(const FileStorage& s, bool third_depth, int params) {
    std::string out;
    for (int r = 0; r < s.get_record_count(); ++r) {
        const FileStorageItem& item = *s.get_record(r);
        out += std::to_string(item.time) + "@" + std::to_string(item.depth) + "/" + std::to_string(item.second_depth);
        if (third_depth) out += "/" + std::to_string(item.third_depth);
        for (int i = 0; i < std::min(params, s.get_param_count()); ++i) {
            const float v = static_cast<std::size_t>(i) < item.values.size() ? item.values[i] : NAN;
            out += " " + s.get_param(i)->global_name.str() + "=" + (std::isnan(v) ? "-" : std::to_string(v));
        }
        out += "\n";
    }
    return out;
}

const char* const kinds[] = {"12.realtim", "12.creg", "12.tim"};

// Each writer killed, or failing with a full disk or an I/O error, at each of its calls.
TEST(Writers, EveryWriterLeavesTheOldFileOrTheWholeNewOne) {
    for (const auto& [kind, text_only] :
         {std::pair{"12.realtim", false}, {"12.creg", false}, {"12.tim", false}, {"12.realtim", true}}) {
        SCOPED_TRACE(::testing::Message() << kind << (text_only ? " run block" : ""));
        gti_test::temp_dir dir;
        const AnsiString name = dir.file(kind);
        FileStorage s;
        fill(s, 3, 40);
        s.save_all(name, false);
        s.get_text_values().race_number = 77;
        s.get_record_ptr(0)->values[0] = 5000;
        const auto save = [&, run_block_only = text_only] {
            s.save_all(name, run_block_only);
            return true;
        };
        EXPECT_GE(gti_test::expect_whole_at_every_call(name, save), 12);
    }
}

// exclude_records reports nothing: a full disk at any write leaves the file as it was.
TEST(Writers, ExcludeRecordsKeepsTheFileWholeWhenTheDiskIsFull) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("12.realtim");
    FileStorage s;
    fill(s, 2, 30);
    s.save_all(name, false);
    const std::string before = gti_test::read_bytes(name);
    for (int n = 1; n <= 3; ++n) {
        gti_test::fail_nth_call fault(gti_test::disk_call::write, n, ENOSPC);
        std::vector<int> types{lib::registration::record_block};
        FileStorage::exclude_records(name, types);
        if (fault.fired()) {
            EXPECT_EQ(gti_test::read_bytes(name), before) << "write " << n;
        }
    }
    EXPECT_EQ(gti_test::folder_names(dir.path()), std::vector<std::string>{"12.realtim"});
}

// Random stores through every writer: read back equal, or refused with the target untouched.
TEST(Writers, RandomStoresReadBackEqualOrAreRefusedUntouched) {
    std::mt19937 random(7);
    const std::string odd[] = {"обычный текст"_cp, "ноль"_cp + std::string(1, '\0') + "внутри"_cp,
                               "перевод\r\nстроки"_cp, "конец\n"_cp};
    int refused = 0, written = 0;
    for (int round = 0; round < 24; ++round) {
        const int params = std::vector<int>{0, 1, 32, 128}[static_cast<std::size_t>(round % 4)];
        const int records = round % 3 == 0 ? 0 : 1 + static_cast<int>(random() % 5);
        FileStorage s;
        fill(s, params, records);
        if (records > 0 && params > 0) s.get_record_ptr(0)->values[0] = NAN;
        const std::string& text = odd[random() % 4];
        s.get_text_values().foreman = AnsiString(text);
        s.get_text_values().get_list().Add("заметка="_cp + AnsiString(text));
        for (const char* kind : kinds) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " " << kind);
            gti_test::temp_dir dir;
            const AnsiString name = dir.file(kind);
            gti_test::write_bytes(name, "old");
            try {
                s.save_all(name, false);
                ++written;
            } catch (const FileStorageException& e) {
                EXPECT_TRUE(e.is_critical());
                EXPECT_EQ(std::string(e.what()).rfind(name.str() + ": not written: ", 0), 0u) << e.what();
                EXPECT_EQ(gti_test::read_bytes(name), "old");
                ++refused;
                continue;
            }
            const bool old = std::string(kind) == "12.tim";
            const int kept = old ? 32 : params;  // the old generation keeps 32 parameters
            FileStorage back;
            back.add_file(name, false);
            EXPECT_EQ(contents(back, !old, kept), contents(s, !old, kept));
            if (!old) {
                EXPECT_EQ(back.get_text_values().get_text("заметка"_cp), AnsiString(text));
            }
            EXPECT_EQ(back.get_text_values().foreman, old ? AnsiString() : AnsiString(text));
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(written, 0);
}

TEST(Writers, TheOldGenerationSaysWhatItLeavesOut) {
    struct row {
        int params;
        bool own_third_depth;
        const char* list_keys;  // the folder's list: keys of the first parameters, "" for none
        std::vector<std::string> warnings;
    };
    const std::string file = "12.tim";
    for (const row& r : {
             row{3, false, "", {}},
             row{34, false, "", {": the old generation holds 32 parameters; not written: параметр_32, параметр_33"_cp}},
             row{2, true, "", {": the old generation keeps no third depth; not written for 2 records"}},
             row{3, false, "1", {": \"inpgti.nbl\" of the folder has no column for: параметр_1, параметр_2"_cp}},
         }) {
        SCOPED_TRACE(r.params);
        gti_test::temp_dir dir;
        if (*r.list_keys) gti_test::write_bytes(dir.file("inpgti.nbl"), storage_test::entry("A", "параметр_0"_cp));
        FileStorage s;
        fill(s, r.params, 2);
        if (r.own_third_depth)
            for (int i = 0; i < 2; ++i)
                s.get_record_ptr(i)->third_depth = 7;
        s.save_all(dir.file(file), false);
        std::vector<AnsiString> got;
        s.get_warnings(got);
        std::vector<AnsiString> expected;
        for (const std::string& w : r.warnings)
            expected.push_back(dir.file(file) + w);
        EXPECT_EQ(got, expected);
    }
    FileStorage s;  // run text without a key in the run file
    fill(s, 1, 1);
    s.get_text_values().get_list().Add("заметка=глина"_cp);
    s.get_text_values().foreman = "Петров"_cp;
    gti_test::temp_dir dir;
    s.save_all(dir.file(file), true);
    std::vector<AnsiString> got;
    s.get_warnings(got);
    EXPECT_EQ(got, std::vector<AnsiString>{dir.file("12.rac") +
                                           ": the old generation's run file keeps only its run fields; not written: "
                                           "мастер, заметка"_cp});
}

TEST(Writers, RunLinesStayByteForByteUnlessTheirFieldChanged) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("12.realtim");
    const std::string text =
        "номер_рейса=12\r\nспособ_бурения=3\r\nплотность=1,180\r\nмастер=Петров\r\n"_cp
        "своя_строка=как есть\r\n"_cp;
    gti_test::write_bytes(name, storage_test::block(2, std::string(1, '\0')) + storage_test::block(3, text + '\0'));
    struct row {
        std::function<void(FileStorageTextValues&)> change;
        std::string expected;
    };
    for (const row& r : {
             row{[](FileStorageTextValues&) {}, text},
             row{[](FileStorageTextValues& v) { v.race_number = 13; },
                 "номер_рейса=13\r\nспособ_бурения=3\r\nплотность=1,180\r\nмастер=Петров\r\n"_cp
                 "своя_строка=как есть\r\n"_cp},
             row{[](FileStorageTextValues& v) { v.drill_type = RaceInfoData::turbine; },
                 "номер_рейса=12\r\nспособ_бурения=1\r\nплотность=1,180\r\nмастер=Петров\r\n"_cp
                 "своя_строка=как есть\r\n"_cp},
         }) {
        FileStorage s;
        s.add_file(name, false);
        r.change(s.get_text_values());
        const AnsiString copy = dir.file("copy.realtim");
        s.save_all(copy, false);
        FileStorage back;
        back.add_file(copy, false);
        const AnsiString full = back.get_text_values().get_full_text();
        EXPECT_EQ(full.view().substr(0, r.expected.size()), r.expected);
    }
}

TEST(Writers, QuantizedSmallValuesComeBackWithinTheTolerance) {
    for (const float scale : {1e-8f, 1e-3f, 1.0f, 1000.0f}) {
        SCOPED_TRACE(scale);
        FileStorage s;
        fill(s, 1, 500);
        std::mt19937 random(3);
        for (int r = 0; r < 500; ++r)
            s.get_record_ptr(r)->values[0] =
                scale * (r == 7 ? 20.6f : 1.0f + static_cast<float>(random() % 1000) / 50.0f);
        lib::io::BinaryMemoryOutputStream out;
        s.save_for_compressing(out, FileStorage::encode_quantized, nullptr);
        lib::io::BinaryMemoryInputStream in(out.get_buffer(), out.get_size());
        FileStorage back;
        back.load_after_decompressing(in);
        for (int r = 0; r < 500; ++r)
            ASSERT_LT(std::fabs(back.get_record(r)->values[0] / s.get_record(r)->values[0] - 1), 1e-4) << r;
    }
}

// Two programs write files into one folder of the old generation, with the same parameters in
// another order: each file reads back with every value under its own key.
TEST(Writers, TwoWritersIntoOneOldFolderNeverMislabelColumns) {
    for (int round = 0; round < 12; ++round) {
        gti_test::temp_dir dir;
        std::vector<pid_t> children;
        for (const char* who : {"1.tim", "2.tim"}) {
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                FileStorage s;
                const bool reversed = who[0] == '2';
                s.add_parametr({"", "", "", reversed ? "q" : "p"});
                s.add_parametr({"", "", "", reversed ? "p" : "q"});
                FileStorageItem item;
                item.time = 5;
                item.values = reversed ? FileStorageItem::value_vector{2, 1} : FileStorageItem::value_vector{1, 2};
                s.add_record(item);
                s.save_all(dir.file(who), false);
                _exit(0);
            }
            children.push_back(pid);
        }
        for (const pid_t pid : children) {
            int status = 0;
            waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        for (const char* who : {"1.tim", "2.tim"}) {
            FileStorage back;
            back.add_file(dir.file(who), false);
            EXPECT_EQ(back.get_record(0)->values[static_cast<std::size_t>(back.get_param_index("p"))], 1.0f);
            EXPECT_EQ(back.get_record(0)->values[static_cast<std::size_t>(back.get_param_index("q"))], 2.0f);
        }
    }
}

// A recorder appends record blocks while another program saves the file with smart_save_all
// again and again: every appended record is in the file at the end, once.
TEST(Writers, AnAppenderLosesNothingToARewriter) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("12.realtim");
    FileStorage s;
    fill(s, 2, 10);
    s.save_all(name, false);
    constexpr int appended = 40;
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        for (int i = 0; i < appended; ++i) {
            FileStorageItem item;
            item.time = 5000 + static_cast<std::uint32_t>(i);
            item.values = {1, 2};
            lib::io::BinaryMemoryOutputStream payload, block;
            item.save_to_stream(payload);
            s.save_data_block(lib::registration::record_block, payload, block);
            lib::io::OSFile out;
            out.open(name, lib::io::open_append, true);
            out.append(block.get_buffer(), block.get_size());
            out.close();
            usleep(1000);
        }
        _exit(0);
    }
    int status = 0;
    int saves = 0;
    for (; waitpid(pid, &status, WNOHANG) == 0; ++saves) {
        s.smart_save_all(name);
        usleep(3000);  // room for the appender, which tries the lock every 100 ms
    }
    EXPECT_GT(saves, 1);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    FileStorage back;
    back.add_file(name, false);
    std::vector<AnsiString> warnings;
    back.get_warnings(warnings);
    EXPECT_TRUE(warnings.empty());
    ASSERT_EQ(back.get_record_count(), 10 + appended);
    back.sort_by_time();
    for (int i = 0; i < appended; ++i)
        EXPECT_EQ(back.get_record(10 + i)->time, 5000u + static_cast<std::uint32_t>(i));
}

}  // namespace
