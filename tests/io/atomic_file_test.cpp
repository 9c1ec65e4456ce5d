#include "gti/io/atomic_file.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "expect.h"
#include "faults.h"
#include "gti/io/damage.h"
#include "gti/io/os_file.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/file_replacement.h"
#include "support.h"

using namespace lib::literals;
using gti_test::disk_call;
using gti_test::folder_names;
using gti_test::throws_with;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("12.realtim");
    const std::string old_bytes = "old contents";
    // Large enough for several writes of the buffer.
    const std::string new_bytes = std::string(300000, 'n') + "end";

    void save() {
        lib::io::atomic_file out(name);
        for (std::size_t at = 0; at < new_bytes.size(); at += 1000)
            out.write(new_bytes.data() + at, static_cast<unsigned>(std::min<std::size_t>(1000, new_bytes.size() - at)));
        out.commit();
    }
    bool only_target_left() { return folder_names(dir.path()) == std::vector<std::string>{"12.realtim"}; }
};

TEST_F(AtomicFileTest, AKilledWriterLeavesTheOldFileOrTheNewOneAndTheNextWriterCleansUp) {
    for (const bool existed : {true, false}) {
        SCOPED_TRACE(existed ? "replacing a file" : "creating a file");
        const auto reset = [&] {
            unlink(lib::os::native_path(name).c_str());
            if (existed) gti_test::write_bytes(name, old_bytes);
        };
        reset();
        const int deaths = gti_test::crash_at_each_call(
            [&] { save(); },
            [&](int n) {
                SCOPED_TRACE(n);
                const std::string now = gti_test::read_bytes(name);
                EXPECT_TRUE(now == new_bytes || (existed ? now == old_bytes : !gti_test::exists(name)));
                save();
                EXPECT_TRUE(only_target_left());
                reset();
            });
        // Three writes, the flush of the file, the rename and the flush of the folder.
        EXPECT_EQ(deaths, 6);
        EXPECT_EQ(gti_test::read_bytes(name), new_bytes);
    }
}

TEST_F(AtomicFileTest, AFailedCallLeavesTheOldFileAndNoTemporaryFile) {
    struct row {
        disk_call kind;
        int error;
        int faults;
    };
    for (const row r : {row{disk_call::write, ENOSPC, 3}, row{disk_call::write, EIO, 3}, row{disk_call::fsync, EIO, 2},
                        row{disk_call::rename, ENOSPC, 1}}) {
        SCOPED_TRACE(static_cast<int>(r.kind));
        gti_test::write_bytes(name, old_bytes);
        const int faults = gti_test::fail_each_call(
            r.kind, r.error, [&] { return save(), true; },
            [&](int n) {
                // Only a failed flush of the folder comes after the new file is in place.
                const bool after_rename = r.kind == disk_call::fsync && n == 2;
                EXPECT_EQ(gti_test::read_bytes(name), after_rename ? new_bytes : old_bytes);
                EXPECT_TRUE(only_target_left());
                gti_test::write_bytes(name, old_bytes);
            });
        EXPECT_EQ(faults, r.faults);
    }
}

TEST_F(AtomicFileTest, WithoutCommitTheOldFileStaysAndTwoWritersEachLeaveAWholeFile) {
    gti_test::write_bytes(name, old_bytes);
    {
        lib::io::atomic_file out(name);
        out.write("new", 3);
    }
    EXPECT_EQ(gti_test::read_bytes(name), old_bytes);
    EXPECT_TRUE(only_target_left());
    lib::io::atomic_file a(name), b(name);  // two writers of one file each leave a whole file
    a.write("first", 5);
    b.write("second", 6);
    a.commit();
    EXPECT_EQ(gti_test::read_bytes(name), "first");
    b.commit();
    EXPECT_EQ(gti_test::read_bytes(name), "second");
    EXPECT_TRUE(only_target_left());
}

TEST_F(AtomicFileTest, TheOldFileIsReplacedUnderItsLock) {
    gti_test::write_bytes(name, old_bytes);
    lib::io::OSFile holder;
    holder.open(name, lib::io::open_read, true);
    lib::io::atomic_file out(name);
    out.write("new", 3);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { out.commit(); }, "Невозможно заблокировать файл!"_cp));
    EXPECT_EQ(gti_test::read_bytes(name), old_bytes);
    EXPECT_TRUE(only_target_left());
    // Once the holder lets go, the file is replaced; the holder's handle no longer names it.
    EXPECT_TRUE(lib::os::names_file(name, holder.get_handle()));
    holder.unlock();
    save();
    EXPECT_FALSE(lib::os::names_file(name, holder.get_handle()));
}

TEST_F(AtomicFileTest, PermissionsOfANewFileFollowTheUmaskAndAReplacedFileKeepsItsOwn) {
    const mode_t mask = umask(027);
    save();
    struct stat st {};
    ASSERT_EQ(stat(lib::os::native_path(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    chmod(lib::os::native_path(name).c_str(), 0604);
    save();
    ASSERT_EQ(stat(lib::os::native_path(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    umask(mask);
}

TEST_F(AtomicFileTest, FoldersAndFifosAreNeitherWrittenNorRead) {
    const AnsiString fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(lib::os::native_path(fifo).c_str(), 0600), 0);
    for (const AnsiString& path : {fifo, dir.path()}) {
        SCOPED_TRACE(path.str());
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { lib::io::atomic_file out(path); },
                                                    lib::os::not_regular_file_message()));
        lib::io::OSFile in;
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { in.open(path, lib::io::open_read, false); },
                                                    lib::os::not_regular_file_message()));
    }
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { lib::io::atomic_file out(dir.file("no/such")); }, "Файл не найден!"_cp));
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"pipe"});
}

}  // namespace

namespace {

TEST(DamageMessage, NamesTheFileThePlaceWhatAndWhatWasRead) {
    struct row {
        std::uint64_t offset;
        std::optional<std::uint64_t> records;
        const char* expected;
    };
    for (const row& r :
         {row{1234567, 14399,
              "12.realtim: damaged at byte 1,234,567: a record block is cut short; 14,399 records "
              "read before it"},
          row{0, 1, "12.realtim: damaged at byte 0: a record block is cut short; 1 record read before it"},
          row{999, std::nullopt, "12.realtim: damaged at byte 999: a record block is cut short"}}) {
        EXPECT_EQ(lib::io::damage_message("12.realtim", r.offset, "a record block is cut short", r.records),
                  AnsiString(r.expected));
    }
    EXPECT_EQ(lib::io::grouped(1000), "1,000");
    EXPECT_EQ(lib::io::grouped(18446744073709551615u), "18,446,744,073,709,551,615");
}

}  // namespace
