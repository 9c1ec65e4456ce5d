#include "gti/io/os_file.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "expect.h"
#include "gti/io/file_streams.h"
#include "gti/platform/cp_literal.h"
#include "platform/posix/syscalls.h"
#include "support.h"

using namespace lib::literals;

using namespace lib::io;
using gti_test::throws_with;

namespace {

// Replaces system calls for the life of the object.
class fault_injection {
public:
    fault_injection() : saved_(lib::os::detail::syscalls()) {}
    ~fault_injection() { lib::os::detail::syscalls() = saved_; }
    lib::os::detail::syscall_table& calls() { return lib::os::detail::syscalls(); }

private:
    lib::os::detail::syscall_table saved_;
};

std::atomic<int> open_calls{0};

int counting_open(const char* path, int flags, mode_t mode) {
    ++open_calls;
    return lib::os::detail::real_syscalls().open(path, flags, mode);
}

int refusing_open(const char*, int, mode_t) {
    ++open_calls;
    errno = EACCES;
    return -1;
}

class OSFileTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("data.realtim");
};

TEST_F(OSFileTest, AMissingFileFailsAtOnceAndARefusalIsTriedTwentyTimes) {
    struct row {
        int (*open)(const char*, int, mode_t);
        open_types mode;
        const char* message;
        int calls;
    };
    for (const row& r : {row{counting_open, open_read, "Файл не найден!"_cp, 1},
                         row{refusing_open, open_append, "Невозможно открыть файл!"_cp, OSFile::max_try_counter}}) {
        SCOPED_TRACE(r.calls);
        fault_injection faults;
        faults.calls().open = r.open;
        open_calls = 0;
        OSFile f;
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { f.open(name, r.mode, false); }, r.message));
        EXPECT_EQ(open_calls, r.calls);
        EXPECT_FALSE(f.is_open());
    }
}

TEST_F(OSFileTest, WriteAndReadErrorsCarryTheirMessages) {
    fault_injection faults;
    OSFile f;
    f.open(name, open_write, false);
    faults.calls().write = [](int, const void*, std::size_t n) -> ssize_t {
        static bool first = true;
        if (first && n > 1) {
            first = false;
            return static_cast<ssize_t>(n / 2);  // a short write, then the disk is full
        }
        errno = ENOSPC;
        return -1;
    };
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { f.write("abcd", 4); }, "Невозможно записать в файл!"_cp));
    faults.calls().read = [](int, void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    char buf[4];
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { f.read(buf, 4); }, "Невозможно прочитать из файла!"_cp));
    f.write("", 0);  // writing nothing succeeds
}

TEST_F(OSFileTest, ReadingAtTheEndDeliversNothingWithoutError) {
    gti_test::write_bytes(name, "abc");
    OSFile f;
    f.open(name, open_read, false);
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(f.read(buf, 8), 3u);
    EXPECT_EQ(std::string(buf, 8), std::string("abcxxxx\0", 8));
    EXPECT_TRUE(f.eof());
    EXPECT_EQ(f.read(buf, 8), 0u);
    EXPECT_EQ(f.set_pointer(-5, seek_current), 0xFFFFFFFFu);
    EXPECT_EQ(f.set_pointer(1, seek_begin), 1u);
    EXPECT_FALSE(f.eof());
    EXPECT_EQ(f.get_real_size(), 3u);
}

TEST_F(OSFileTest, AppendCreatesOrAddsAtTheEnd) {
    OSFile f;
    f.open(name, open_append, false);
    f.write("abc", 3);
    f.open(name, open_append, false);
    f.write("def", 3);
    f.close();
    f.close();  // a second close does nothing
    EXPECT_EQ(gti_test::read_bytes(name), "abcdef");
}

TEST_F(OSFileTest, TwoObjectsOfOneProcessExcludeEachOther) {
    gti_test::write_bytes(name, "x");
    OSFile holder, other;
    holder.open(name, open_read, true);
    EXPECT_TRUE(holder.is_locked());
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { other.open(name, open_append, true); },
                                                "Невозможно заблокировать файл!"_cp));
    EXPECT_TRUE(other.is_open());  // the failed lock leaves the file open, unlocked
    EXPECT_FALSE(other.is_locked());
    holder.close();
    other.lock();
    EXPECT_TRUE(other.is_locked());
}

TEST_F(OSFileTest, ALockHeldByAnotherProcessFailsUntilItIsGivenUpOrTheHolderIsKilled) {
    gti_test::write_bytes(name, "x");
    gti_test::child_process holder([&](const gti_test::child_process::channel& c) {
        OSFile f;
        f.open(name, open_append, true);
        c.send('L');
        c.receive();  // told to let go
        f.close();
        c.receive();
        return 0;
    });
    ASSERT_EQ(holder.receive(), 'L');
    OSFile f;
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { f.open(name, open_read, true); }, "Невозможно заблокировать файл!"_cp));
    holder.send('r');  // the holder lets go while this open is still trying
    f.open(name, open_read, true);
    EXPECT_TRUE(f.is_locked());
    holder.send('q');
    EXPECT_EQ(holder.wait(), 0);
    f.close();

    gti_test::child_process killed([&](const gti_test::child_process::channel& c) {
        OSFile held;
        held.open(name, open_read, true);
        c.send('L');
        c.receive();
        return 0;
    });
    ASSERT_EQ(killed.receive(), 'L');
    killed.kill();
    killed.wait();
    f.open(name, open_read, true);
    EXPECT_TRUE(f.is_locked());
}

TEST_F(OSFileTest, AMappedFileIsNotTruncatedUnderItsReader) {
    gti_test::write_bytes(name, "recorded data");
    InputMappedFile reader;
    reader.open(name, false);
    OSFile writer;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { writer.open(name, open_write, false); },
                                                (name + ": busy: another program holds it locked or reads it").str()));
    char buf[13];
    reader.read(buf, 13);
    EXPECT_EQ(std::string(buf, 13), "recorded data");
    reader.close();
    writer.open(name, open_write, false);
    EXPECT_EQ(gti_test::read_bytes(name), "");
}

TEST_F(OSFileTest, FilesOfFourGibibytesAreRefused) {
    gti_test::write_bytes(name, "");
    ASSERT_EQ(truncate(name.c_str(), 0x100000000LL), 0);  // sparse: no space is used
    OSFile f;
    f.open(name, open_read, false);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { f.get_real_size(); }, "Файл слишком велик (4 ГиБ и больше)!"_cp));
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { f.set_pointer(0, seek_end); },
                                                "Файл слишком велик (4 ГиБ и больше)!"_cp));
    InputMappedFile m;
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { m.open(name, false); }, "Файл слишком велик (4 ГиБ и больше)!"_cp));
    EXPECT_EQ(m.get_data(), nullptr);
}

TEST_F(OSFileTest, TimesIncludeTheLatestWrite) {
    OSFile f;
    f.open(name, open_write, false);
    f.write("abc", 3);
    FILETIME created, accessed, written;
    f.get_time(created, accessed, written);
    EXPECT_GT(lib::filetime_to_uint64(written), 116444736000000000ull);  // after 1970
    EXPECT_GE(lib::filetime_to_uint64(written), lib::filetime_to_uint64(created) - 10000000);
}

TEST_F(OSFileTest, MovedObjectsHandOverTheFile) {
    OSFile a;
    a.open(name, open_write, true);
    OSFile b(std::move(a));
    EXPECT_FALSE(a.is_open());
    EXPECT_TRUE(b.is_locked());
    b.write("z", 1);
    b.close();
    EXPECT_EQ(gti_test::read_bytes(name), "z");
}

}  // namespace
