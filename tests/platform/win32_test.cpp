// The Windows side of the OS layer: locks and mutexes between handles and between processes,
// mappings against truncation, mailslots, and wide-character names.
//
// A second process is this test program started again with GTI_WIN32_CHILD set: it plays the
// role named there instead of running the tests, and tells the parent it is ready by creating a
// file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "gti/platform/datagram.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "gti/platform/serial_line.h"
#include "gti/platform/wakeup.h"
#include "platform/win32/win32.h"
#include "support.h"

using namespace lib::literals;
namespace os = lib::os;

namespace {

// Waits until `done` holds, for at most 20 s.
bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The roles of a child: "lock FILE", "mutex NAME" hold until killed, "send SLOT" sends the
// messages of `slot_messages` and ends.
const std::vector<std::string> slot_messages = {"first", std::string(3000, 'x'), "д"_cp, "last"};

void ready(const std::string& marker) {
    gti_test::write_bytes(AnsiString(marker), "ready");
}

int play(const std::string& role, const std::string& arg, const std::string& marker) {
    if (role == "lock") {
        const os::open_result r = os::open_shared(AnsiString(arg), os::access::read, os::disposition::open_existing);
        if (r.status != os::open_status::ok || !os::try_lock_file(r.handle)) return 3;
    } else if (role == "mutex") {
        static os::named_mutex m{AnsiString(arg)};
        m.lock();
    } else if (role == "args") {
        // Writes each argument it was given on a line of the marker file.
        std::string lines;
        for (int i = 1; i < __argc; ++i)
            lines += std::string(__argv[i]) + "\n";
        gti_test::write_bytes(AnsiString(marker), lines);
        return 0;
    } else if (role == "send") {
        const os::socket_handle s = os::local_slot_connect(AnsiString(arg));
        for (const std::string& message : slot_messages)
            if (!os::datagram_send(s, message.data(), message.size(), 1000)) return 4;
        os::close_socket(s);
        return 0;
    }
    ready(marker);
    Sleep(INFINITE);
    return 5;
}

// Runs the role before the tests when this program was started as a child.
[[maybe_unused]] const int child_role = [] {
    const char* child = std::getenv("GTI_WIN32_CHILD");
    if (child == nullptr) return 0;
    const std::string s = child;
    const std::size_t a = s.find('|'), b = s.find('|', a + 1);
    ExitProcess(static_cast<UINT>(play(s.substr(0, a), s.substr(a + 1, b - a - 1), s.substr(b + 1))));
}();

// A child playing a role; killed at the end of its scope unless it has ended.
class child {
public:
    child(const std::string& role, const std::string& arg, const std::string& marker) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        SetEnvironmentVariableA("GTI_WIN32_CHILD", (role + "|" + arg + "|" + marker).c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::wstring line = L"\"" + std::wstring(self) + L"\"";
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
        SetEnvironmentVariableA("GTI_WIN32_CHILD", nullptr);
    }
    ~child() {
        kill();
        if (process_ != nullptr) CloseHandle(process_);
    }
    // Kills the child and waits until it has gone.
    void kill() {
        if (process_ == nullptr) return;
        TerminateProcess(process_, 9);
        WaitForSingleObject(process_, INFINITE);
    }
    // Waits for the child to end; its exit code.
    DWORD wait() {
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return code;
    }

private:
    HANDLE process_ = nullptr;
};

class Win32Test : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString file = dir.file("data.bin");
    std::string marker = dir.file("ready").str();

    os::file_handle open(os::disposition d = os::disposition::open_always) {
        const os::open_result r = os::open_shared(file, os::access::read_write, d);
        EXPECT_EQ(r.status, os::open_status::ok);
        return r.handle;
    }
};

TEST_F(Win32Test, TheWholeFileLockExcludesOtherHandlesButNotTheirReads) {
    gti_test::write_bytes(file, "station data");
    const os::file_handle a = open(), b = open();
    ASSERT_TRUE(os::try_lock_file(a));
    EXPECT_FALSE(os::try_lock_file(b));
    char buffer[7] = {};
    EXPECT_EQ(os::read_file(b, buffer, 7), 7);
    EXPECT_EQ(std::string(buffer, 7), "station");
    EXPECT_EQ(os::open_shared(file, os::access::write, os::disposition::create_always).status, os::open_status::busy);
    os::close_file(a);
    EXPECT_TRUE(os::try_lock_file(b));
    os::close_file(b);
}

TEST_F(Win32Test, ALockOfAnotherProcessHoldsUntilItDies) {
    gti_test::write_bytes(file, "station data");
    child holder("lock", file.str(), marker);
    ASSERT_TRUE(eventually([&] { return gti_test::exists(AnsiString(marker)); }));
    const os::file_handle h = open();
    EXPECT_FALSE(os::try_lock_file(h));
    holder.kill();
    EXPECT_TRUE(eventually([&] { return os::try_lock_file(h); }));
    os::close_file(h);
}

TEST_F(Win32Test, AMappedFileCannotBeCutShortThroughAnotherHandle) {
    const os::file_handle mapped = open();
    ASSERT_TRUE(os::set_file_size(mapped, 65536));
    void* view = os::map_file(mapped, 65536, false);
    ASSERT_NE(view, nullptr);
    const os::file_handle other = open();
    struct case_t {
        const char* what;
        bool refused;
    };
    const case_t cases[] = {
        {"truncating open",
         os::open_shared(file, os::access::write, os::disposition::create_always).status == os::open_status::busy},
        {"set_file_size shorter", !os::set_file_size(other, 100)},
        {"size kept", os::file_size(other) == 65536},
        {"set_file_size longer", os::set_file_size(other, 70000)},
    };
    for (const case_t& c : cases)
        EXPECT_TRUE(c.refused) << c.what;
    os::unmap_file(mapped, view, 65536);
    EXPECT_TRUE(os::set_file_size(other, 100));
    os::close_file(other);
    os::close_file(mapped);
}

TEST_F(Win32Test, AKilledHolderGivesANamedMutexUp) {
    const std::string name = "gti-test-mutex-" + std::to_string(GetCurrentProcessId());
    child holder("mutex", name, marker);
    ASSERT_TRUE(eventually([&] { return gti_test::exists(AnsiString(marker)); }));
    os::named_mutex m{AnsiString(name)};
    EXPECT_FALSE(m.try_lock());
    holder.kill();
    ASSERT_TRUE(m.try_lock());
    EXPECT_TRUE(m.try_lock());  // the owner takes it again
    m.unlock();
    m.unlock();
}

TEST_F(Win32Test, MailslotMessagesArriveWholeAndInOrder) {
    const std::string name = "gti-test-slot-" + std::to_string(GetCurrentProcessId());
    const os::socket_handle slot = os::local_slot_bind(AnsiString(name));
    ASSERT_NE(slot, os::invalid_socket);
    EXPECT_EQ(os::local_slot_bind(AnsiString(name)), os::invalid_socket);
    child sender("send", name, marker);
    EXPECT_EQ(sender.wait(), 0u);
    std::vector<std::string> got;
    std::vector<char> buffer(4096);
    for (std::int64_t n; (n = os::datagram_receive(slot, buffer.data(), buffer.size())) >= 0;)
        got.emplace_back(buffer.data(), static_cast<std::size_t>(n));
    EXPECT_EQ(got, slot_messages);
    const int fds[] = {slot};
    EXPECT_FALSE(os::wait_readable(fds, 0));
    os::local_slot_release(slot, AnsiString(name));
}

TEST_F(Win32Test, StationTextAndSystemNamesReachTheSameWideName) {
    const os::file_path station(dir.file("Южная-7.ini"_cp));
    const os::file_path native(os::file_path(dir.path()).path() /
                               std::filesystem::path(L"\u042E\u0436\u043D\u0430\u044F-7.ini"));
    EXPECT_EQ(station.path(), native.path());
    {
        os::file_replacement r(station);
        ASSERT_TRUE(os::write_file(r.handle(), "a=1", 3));
        ASSERT_TRUE(r.commit());
    }
    std::vector<os::dir_entry> entries;
    ASSERT_TRUE(os::list_directory(dir.path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Южная-7.ini"_cp);
    EXPECT_EQ(gti_test::read_bytes(station.display()), "a=1");
    EXPECT_NE(
        GetFileAttributesW(
            (os::detail::wide(os::file_path(dir.path()).native()) + L"\\\u042E\u0436\u043D\u0430\u044F-7.ini").c_str()),
        INVALID_FILE_ATTRIBUTES);
    // A reader holding the old file open does not stop the next replacement. Wine renames over
    // no open file, with POSIX semantics or without.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr)
        GTEST_SKIP() << "Wine cannot replace a file that a reader holds open";
    const os::open_result reader = os::open_shared(native, os::access::read, os::disposition::open_existing);
    ASSERT_EQ(reader.status, os::open_status::ok);
    {
        os::file_replacement r(native);
        ASSERT_TRUE(os::write_file(r.handle(), "a=2", 3));
        EXPECT_TRUE(r.commit());
    }
    os::close_file(reader.handle);
    EXPECT_EQ(gti_test::read_bytes(station.display()), "a=2");
}

TEST_F(Win32Test, AProgramGetsEachArgumentExactlyAsGiven) {
    const std::vector<AnsiString> arguments = {"plain",     "two words", "",         "say \"hi\"",
                                               "C:\\dir\\", "a\\\\\"b",  "tab\there"};
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA("GTI_WIN32_CHILD", ("args||" + marker).c_str());
    const os::process_id id = os::start_program(AnsiString(os::detail::utf8(self)), arguments);
    SetEnvironmentVariableA("GTI_WIN32_CHILD", nullptr);
    ASSERT_NE(id, 0);
    int code = -1;
    ASSERT_TRUE(os::wait_program(id, 60000, code));
    EXPECT_EQ(code, 0);
    std::string expected;
    for (const AnsiString& a : arguments)
        expected += a.str() + "\n";
    EXPECT_EQ(gti_test::read_bytes(AnsiString(marker)), expected);
    EXPECT_FALSE(os::wait_program(id, 0, code));  // seen once, then forgotten
}

TEST_F(Win32Test, OpeningSaysWhatStandsInTheWay) {
    const struct {
        AnsiString path;
        os::open_status status;
    } cases[] = {
        {dir.path(), os::open_status::not_regular},
        {"NUL", os::open_status::not_regular},
        {dir.file("missing.bin"), os::open_status::not_found},
        {dir.file("no/such/folder.bin"), os::open_status::not_found},
    };
    for (const auto& c : cases) {
        const os::open_result r = os::open_shared(c.path, os::access::read, os::disposition::open_existing);
        EXPECT_EQ(r.status, c.status) << c.path.str();
        if (r.handle != os::invalid_handle) os::close_file(r.handle);
    }
}

TEST(Win32, PortNamesAndWakeUps) {
    const struct {
        const char* name;
        const char* device;
    } ports[] = {{"COM1", "\\\\.\\COM1"},
                 {"com12", "\\\\.\\com12"},
                 {"\\\\.\\COM3", "\\\\.\\COM3"},
                 {"COM0", "COM0"},
                 {"COMX", "COMX"}};
    for (const auto& p : ports)
        EXPECT_EQ(os::serial_device_path(p.name), p.device) << p.name;
    os::wakeup w;
    const int fds[] = {w.fd()};
    EXPECT_FALSE(os::wait_readable(fds, 0));
    w.signal();
    EXPECT_TRUE(os::wait_readable(fds, -1));
    EXPECT_TRUE(w.drain());
    EXPECT_FALSE(w.drain());
}

}  // namespace
