#include "gti/serial/lock_object.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "support.h"

using lib::lock_object;
using lib::Locker;

namespace {

// A lock name of its own for each test run, so that runs on one machine do not meet.
std::string unique_name(const char* what) {
    return std::string("gtikit-test-") + what + "-" + std::to_string(getpid());
}

TEST(NamedLock, TwoProcessesWithOneNameExcludeEachOther) {
    const std::string name = unique_name("exclude");
    gti_test::child_process holder([&](const gti_test::child_process::channel& c) {
        lock_object lock(name.c_str());
        Locker hold(&lock);
        c.send('L');
        c.receive();  // told to let go
        return 0;
    });
    ASSERT_EQ(holder.receive(), 'L');
    lib::os::named_mutex probe{AnsiString(name)};
    EXPECT_FALSE(probe.try_lock());
    holder.send('r');
    EXPECT_EQ(holder.wait(), 0);
    lock_object mine(name.c_str());
    Locker hold(&mine);  // free again: taken without waiting for long
    EXPECT_EQ(mine.kind(), lock_object::mutex_kind);
}

TEST(NamedLock, AKilledHolderGivesItUp) {
    const std::string name = unique_name("killed");
    gti_test::child_process holder([&](const gti_test::child_process::channel& c) {
        lock_object lock(name.c_str());
        lock.lock();
        c.send('L');
        c.receive();
        return 0;
    });
    ASSERT_EQ(holder.receive(), 'L');
    lib::os::named_mutex probe{AnsiString(name)};
    EXPECT_FALSE(probe.try_lock());
    holder.kill();
    holder.wait();
    EXPECT_TRUE(probe.try_lock());
    probe.unlock();
}

TEST(NamedLock, TheOwningThreadMayTakeItAgainOthersWait) {
    const std::string name = unique_name("recursive");
    lock_object a(name.c_str());
    lib::os::named_mutex same_name{AnsiString(name)};  // one lock with `a` inside this program
    a.lock();
    a.lock();
    EXPECT_TRUE(same_name.try_lock());  // the same thread
    same_name.unlock();
    std::atomic<bool> taken{false};
    std::thread other([&] { taken = same_name.try_lock(); });
    other.join();
    EXPECT_FALSE(taken);
    a.unlock();
    std::thread still([&] { taken = same_name.try_lock(); });
    still.join();
    EXPECT_FALSE(taken);  // one hold remains
    a.unlock();
    std::thread now([&] {
        taken = same_name.try_lock();
        if (taken) same_name.unlock();
    });
    now.join();
    EXPECT_TRUE(taken);
}

TEST(CriticalSection, UnnamedLocksAreIndependent) {
    lock_object first, second;
    EXPECT_EQ(first.kind(), lock_object::critical_section_kind);
    Locker hold(&first);
    std::atomic<bool> done{false};
    std::thread other([&] {
        Locker other_hold(&second);  // a different lock: no wait
        done = true;
    });
    other.join();
    EXPECT_TRUE(done);
}

}  // namespace
