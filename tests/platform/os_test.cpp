#include "gti/platform/os.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/file_replacement.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "faults.h"
#include "support.h"

using namespace lib::literals;

namespace os = lib::os;
using gti_test::temp_dir;

namespace {

// Opens or fails the test.
os::file_handle must_open(const AnsiString& path, os::access a, os::disposition d) {
    const os::open_result r = os::open_shared(path, a, d);
    EXPECT_EQ(r.status, os::open_status::ok);
    return r.handle;
}

TEST(OpenShared, MissingFileOrFolderIsNotFoundAndFoldersFifosAndDevicesAreNoFiles) {
    temp_dir dir;
    gti_test::write_bytes(dir.file("plain"), "x");
    for (const AnsiString& path : {dir.file("missing"), dir.file("no-folder/file"), dir.file("plain/file")}) {
        SCOPED_TRACE(path.str());
        EXPECT_EQ(os::open_shared(path, os::access::read, os::disposition::open_existing).status,
                  os::open_status::not_found);
    }
    EXPECT_EQ(os::open_shared(dir.file("no-folder/file"), os::access::write, os::disposition::open_always).status,
              os::open_status::not_found);
    // Folders, FIFOs and devices are no files.
    const AnsiString fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(os::native_path(fifo).c_str(), 0600), 0);
    // Opening a FIFO that nobody writes would wait for ever.
    for (const AnsiString& path : {dir.path(), fifo, AnsiString("/dev/null")}) {
        SCOPED_TRACE(path.str());
        for (const os::access a : {os::access::read, os::access::write})
            EXPECT_EQ(os::open_shared(path, a, os::disposition::open_existing).status, os::open_status::not_regular);
    }
}

TEST(OpenShared, CreateAlwaysTruncatesOpenAlwaysKeepsAndNeitherTruncatesUnderAMappingOrLock) {
    temp_dir dir;
    const AnsiString f = dir.file("data");
    gti_test::write_bytes(f, "old contents");
    os::close_file(must_open(f, os::access::write, os::disposition::open_always));
    EXPECT_EQ(gti_test::read_bytes(f), "old contents");
    os::close_file(must_open(f, os::access::write, os::disposition::create_always));
    EXPECT_EQ(gti_test::read_bytes(f), "");

    // No truncation under another handle's mapping or lock.
    gti_test::write_bytes(f, "recorded data");

    const os::file_handle reader = must_open(f, os::access::read, os::disposition::open_existing);
    void* view = os::map_file(reader, 13, false);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(os::open_shared(f, os::access::write, os::disposition::create_always).status, os::open_status::busy);
    EXPECT_EQ(std::string(static_cast<const char*>(view), 13), "recorded data");
    os::unmap_file(reader, view, 13);

    ASSERT_TRUE(os::try_lock_file(reader));
    EXPECT_EQ(os::open_shared(f, os::access::write, os::disposition::create_always).status, os::open_status::busy);
    os::close_file(reader);

    os::close_file(must_open(f, os::access::write, os::disposition::create_always));
    EXPECT_EQ(gti_test::read_bytes(f), "");
}

TEST(WholeFileLock, BelongsToOneHandleAndDiesWithItsProcess) {
    temp_dir dir;
    const AnsiString f = dir.file("data");
    gti_test::write_bytes(f, "x");
    const os::file_handle a = must_open(f, os::access::read, os::disposition::open_existing);
    const os::file_handle b = must_open(f, os::access::read_write, os::disposition::open_existing);
    ASSERT_TRUE(os::try_lock_file(a));  // a handle opened for reading can lock too
    EXPECT_FALSE(os::try_lock_file(b));
    os::unlock_file(a);
    EXPECT_TRUE(os::try_lock_file(b));
    EXPECT_FALSE(os::try_lock_file(a));
    os::close_file(b);  // closing gives the lock up
    EXPECT_TRUE(os::try_lock_file(a));
    os::close_file(a);

    // The lock dies with its process.
    gti_test::child_process holder([&](const gti_test::child_process::channel& c) {
        const os::open_result r = os::open_shared(f, os::access::read, os::disposition::open_existing);
        if (r.status != os::open_status::ok || !os::try_lock_file(r.handle)) return 1;
        c.send('L');
        c.receive();
        return 0;
    });
    ASSERT_EQ(holder.receive(), 'L');
    const os::file_handle h = must_open(f, os::access::read, os::disposition::open_existing);
    EXPECT_FALSE(os::try_lock_file(h));
    holder.kill();
    holder.wait();
    EXPECT_TRUE(os::try_lock_file(h));
    os::close_file(h);
}

TEST(Paths, StationNamesAreUtf8OnDisk) {
    temp_dir dir;
    const AnsiString f = dir.file("Южная-7.realtim"_cp);
    os::close_file(must_open(f, os::access::write, os::disposition::create_always));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path().str()))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"\xD0\xAE\xD0\xB6\xD0\xBD\xD0\xB0\xD1\x8F-7.realtim"});

    AnsiString back;
    ASSERT_TRUE(os::station_name(names[0], back));
    EXPECT_EQ(back, "Южная-7.realtim"_cp);
    EXPECT_FALSE(os::station_name("\xE4\xB8\xAD.tim", back));
}

TEST(OpenFile, SeekingBeforeTheStartIsRefusedAndTimesAreFileTimeCounts) {
    temp_dir dir;
    const AnsiString f = dir.file("data");
    gti_test::write_bytes(f, "0123456789");
    const os::file_handle h = must_open(f, os::access::read, os::disposition::open_existing);
    EXPECT_EQ(os::seek_file(h, 4, os::seek_origin::begin), 4);
    EXPECT_EQ(os::seek_file(h, -5, os::seek_origin::current), -1);
    EXPECT_EQ(os::seek_file(h, 0, os::seek_origin::current), 4);
    EXPECT_EQ(os::seek_file(h, -2, os::seek_origin::end), 8);
    EXPECT_EQ(os::file_size(h), 10);
    // The last write, 2004-03-05 07:09:00 UTC and half a second, is a file time count.
    const timespec times[2] = {{1078470540, 500000000}, {1078470540, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, os::native_path(f).c_str(), times, 0), 0);
    os::file_times t;
    ASSERT_TRUE(os::get_file_times(h, t));
    os::close_file(h);
    const std::uint64_t expected = 116444736000000000ull + 1078470540ull * 10000000ull + 5000000ull;
    EXPECT_EQ(lib::filetime_to_uint64(t.last_write), expected);
    EXPECT_EQ(lib::filetime_to_uint64(t.last_access), expected);
    EXPECT_GT(lib::filetime_to_uint64(t.creation), 0u);
}

TEST(SharedFile, UpdatesBuildOnTheNewestContentsAndAnEditThatChangesNothingWritesNothing) {
    temp_dir dir;
    const AnsiString f = dir.file("settings.ini");
    os::shared_file a(f), b(f);
    a.update([](std::string&) { return false; });  // an edit that changes nothing writes nothing
    a.update([](std::string&) { return true; });
    EXPECT_FALSE(gti_test::exists(f));
    a.refresh();
    b.refresh();  // b has now seen the file as missing
    a.update([](std::string& c) { return c += "a", true; });
    b.update([](std::string& c) { return c += "b", true; });
    EXPECT_EQ(gti_test::read_bytes(f), "ab");
    EXPECT_TRUE(a.refresh());
    EXPECT_EQ(a.contents(), "ab");
    EXPECT_FALSE(a.refresh());
}

TEST(SharedFile, ReplacementKeepsModeAndSymbolicLinks) {
    temp_dir dir;
    const AnsiString target = dir.file("real.ini");
    const AnsiString link = dir.file("link.ini");
    gti_test::write_bytes(target, "x");
    ASSERT_EQ(chmod(os::native_path(target).c_str(), 0640), 0);
    ASSERT_EQ(symlink(os::native_path(target).c_str(), os::native_path(link).c_str()), 0);
    os::shared_file s(link);
    s.update([](std::string& c) { return c = "changed", true; });
    struct stat st {};
    ASSERT_EQ(lstat(os::native_path(link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(os::native_path(target).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(gti_test::read_bytes(target), "changed");
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path().str()), {}), 2);
}

TEST(SharedFile, ConcurrentWritersInSeveralProcessesLoseNothing) {
    temp_dir dir;
    const AnsiString f = dir.file("shared.ini");
    constexpr int writers = 4, rounds = 40;
    std::vector<std::unique_ptr<gti_test::child_process>> children;
    for (int w = 0; w < writers; ++w) {
        children.push_back(std::make_unique<gti_test::child_process>([&, w](const gti_test::child_process::channel& c) {
            c.receive();  // start together
            os::shared_file s(f);
            for (int i = 0; i < rounds; ++i) {
                s.update([&](std::string& text) {
                    text += static_cast<char>('a' + w);
                    return true;
                });
            }
            return 0;
        }));
    }
    for (auto& c : children)
        c->send('g');
    for (auto& c : children)
        EXPECT_EQ(c->wait(), 0);
    std::string text = gti_test::read_bytes(f);
    ASSERT_EQ(text.size(), static_cast<std::size_t>(writers * rounds));
    for (int w = 0; w < writers; ++w)
        EXPECT_EQ(std::count(text.begin(), text.end(), 'a' + w), rounds);
}

}  // namespace

namespace {

// Sets (or, with null, removes) an environment variable for the life of the object.
class env_var {
public:
    env_var(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~env_var() { old_.empty() ? unsetenv(name_) : setenv(name_, old_.c_str(), 1); }

private:
    const char* name_;
    std::string old_;
};

bool holds_lock_file(const std::string& folder) {
    struct stat st {};
    return lstat((folder + "/gtikit-lock-reg_data_file_mutex").c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & 0777) == 0600;
}

TEST(NamedMutex, LocksLiveInAFolderOfTheUsersOwnNeverReachedThroughALink) {
    temp_dir base;
    const std::string own = base.path().str() + "/gtikit-" + std::to_string(geteuid());
    const std::string elsewhere = base.path().str() + "/elsewhere";
    env_var tmp("TMPDIR", base.path().c_str()), runtime("XDG_RUNTIME_DIR", nullptr);
    // Planted where the folder would be: a link to a private folder, a folder open to all, and
    // (where the test may make one) a folder of another user.
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), own.c_str()), 0);
    ASSERT_EQ(mkdir((own + "-1").c_str(), 0700), 0);
    ASSERT_EQ(chmod((own + "-1").c_str(), 0777), 0);
    const bool foreign = mkdir((own + "-2").c_str(), 0700) == 0 && chown((own + "-2").c_str(), 4242, 4242) == 0;
    const std::string expected = own + (foreign ? "-3" : "-2");
    {
        os::named_mutex m("reg_data_file_mutex"_cp);
        EXPECT_TRUE(m.try_lock());
        m.unlock();
    }
    EXPECT_TRUE(holds_lock_file(expected));
    struct stat st {};
    ASSERT_EQ(stat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    for (const std::string& planted : {elsewhere, own + "-1", own + "-2"})
        EXPECT_TRUE(gti_test::folder_names(planted).empty()) << planted;
}

TEST(NamedMutex, TheRuntimeFolderServesOnlyWhenClosedToOthers) {
    temp_dir base, run;
    env_var tmp("TMPDIR", base.path().c_str()), runtime("XDG_RUNTIME_DIR", run.path().c_str());
    const std::string fallback = base.path().str() + "/gtikit-" + std::to_string(geteuid());
    for (const mode_t mode : {0755, 0700}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(chmod(run.path().c_str(), mode), 0);
        os::named_mutex m("reg_data_file_mutex"_cp);
        EXPECT_EQ(holds_lock_file(run.path().str()), mode == 0700);
        EXPECT_EQ(holds_lock_file(fallback), mode != 0700);
        unlink((fallback + "/gtikit-lock-reg_data_file_mutex").c_str());
    }
}

TEST(FileReplacement, CommitReplacesKeepingPermissionsAndAbortLeavesTheTarget) {
    temp_dir dir;
    const AnsiString target = dir.file("data");
    gti_test::write_bytes(target, "old");
    ASSERT_EQ(chmod(os::native_path(target).c_str(), 0640), 0);
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit);
        {
            os::file_replacement r(target);
            ASSERT_TRUE(os::write_file(r.handle(), "new", 3));
            EXPECT_EQ(gti_test::read_bytes(target), "old");
            if (commit) {
                EXPECT_TRUE(r.commit());
            }
        }
        EXPECT_EQ(gti_test::read_bytes(target), commit ? "new" : "old");
        std::vector<os::dir_entry> entries;
        ASSERT_TRUE(os::list_directory(dir.path(), entries));
        EXPECT_EQ(entries.size(), 1u);  // no temporary file stays
        struct stat st {};
        ASSERT_EQ(stat(os::native_path(target).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
    }
    EXPECT_THROW(os::file_replacement(dir.file("no-folder/data")), std::runtime_error);
}

}  // namespace
