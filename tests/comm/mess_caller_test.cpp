#include "gti/comm/mess_caller.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

using lib::AsynchOpers;
using lib::MessCaller;

namespace {

// Where and in which order queued work ran; written only by the thread that runs the work.
struct run_log {
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::function<void()> note(int n) {
        return [this, n] {
            order.push_back(n);
            threads.push_back(std::this_thread::get_id());
        };
    }
};

TEST(MessCaller, ThreeCallsFromAWorkerRunOnTheOwnerInOrderOnTheFirstWakeUp) {
    MessCaller caller;
    run_log log;
    std::thread worker([&] {
        for (int n = 1; n <= 3; ++n)
            caller.call(log.note(n));
    });
    worker.join();
    const std::array<int, 1> fd{caller.wake_fd()};
    ASSERT_TRUE(lib::os::wait_readable(fd, -1));
    TMessage m{lib::mess_caller_message, 0, 0, 7};
    caller.on_message(m);
    EXPECT_EQ(m.Result, 0);
    EXPECT_EQ(log.order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(log.threads, std::vector<std::thread::id>(3, std::this_thread::get_id()));
    EXPECT_FALSE(lib::os::wait_readable(fd, 0));  // the later wake-ups were taken with the first
    TMessage other{lib::mess_caller_message + 1, 0, 0, 7};
    caller.on_message(other);
    EXPECT_EQ(other.Result, 7);
}

TEST(MessCaller, ACallMayQueueMoreWorkItRunsOnTheNextDispatch) {
    MessCaller caller;
    run_log log;
    caller.call([&] {
        log.note(1)();
        caller.call(log.note(3));
    });
    caller.call(log.note(2));
    EXPECT_EQ(caller.dispatch(), 2);
    EXPECT_EQ(caller.dispatch(), 1);
    EXPECT_EQ(caller.dispatch(), 0);
    EXPECT_EQ(log.order, (std::vector<int>{1, 2, 3}));
}

TEST(MessCaller, AThrowingCallLeavesTheRestQueued) {
    MessCaller caller;
    run_log log;
    caller.call(log.note(1));
    caller.call([] { throw std::runtime_error("call failed"); });
    caller.call(log.note(3));
    EXPECT_THROW(caller.dispatch(), std::runtime_error);
    const std::array<int, 1> fd{caller.wake_fd()};
    EXPECT_TRUE(lib::os::wait_readable(fd, 0));
    EXPECT_EQ(caller.dispatch(), 1);
    EXPECT_EQ(log.order, (std::vector<int>{1, 3}));
}

TEST(MessCaller, DestroyingItDropsQueuedCallsWithoutRunningThem) {
    auto ran = std::make_shared<int>(0);
    {
        MessCaller caller;
        std::thread worker([&] {
            for (int i = 0; i < 3; ++i)
                caller.call([ran] { ++*ran; });
        });
        worker.join();
    }
    EXPECT_EQ(*ran, 0);
    EXPECT_EQ(ran.use_count(), 1);  // the copies went with the queue
}

TEST(MessLoop, RunsCallsOfItsCallersUntilQuit) {
    MessCaller a, b;
    lib::MessLoop loop;
    loop.add(a);
    loop.add(b);
    run_log log;
    std::thread worker([&] {
        a.call(log.note(1));
        b.call(log.note(2));
        a.call([&] { loop.quit(); });
    });
    loop.run();
    worker.join();
    loop.run_once(0);  // whatever the quitting wake-up left behind
    EXPECT_EQ(log.order.size(), 2u);
    EXPECT_EQ(log.threads, std::vector<std::thread::id>(2, std::this_thread::get_id()));
}

TEST(AsynchOpers, TasksRunInOrderOnTheWorker) {
    run_log log;
    std::promise<void> done;
    std::promise<void> queued;  // the worker waits for the whole batch before its first task
    std::shared_future<void> all_queued = queued.get_future().share();
    AsynchOpers ops;
    ops.run_tasks_if_exist();  // nothing queued: nothing happens
    ops.add_task([&log, all_queued] {
        all_queued.wait();
        log.note(1)();
    });
    ops.add_task([&] {
        log.note(2)();
        ops.add_task([&] {  // queued from a task: runs after the rest of the batch
            log.note(5)();
            done.set_value();
        });
        ops.run_tasks_if_exist();  // no nested batch inside a batch
    });
    ops.add_task([] { throw std::runtime_error("task failed"); });
    ops.add_task(log.note(4));
    queued.set_value();
    done.get_future().wait();
    EXPECT_EQ(log.order, (std::vector<int>{1, 2, 4, 5}));
    EXPECT_NE(log.threads.front(), std::this_thread::get_id());
    EXPECT_EQ(ops.failed_tasks(), 1u);
}

TEST(AsynchOpers, DestroyingItWaitsForTheRunningTaskAndRunsNoQueuedOne) {
    auto ops = std::make_unique<AsynchOpers>();
    std::promise<void> started;
    std::atomic<int> finished{0};
    auto ran_after = std::make_shared<int>(0);
    ops->add_task([&, o = ops.get()] {
        started.set_value();
        while (!o->stop_requested())
            std::this_thread::yield();
        ++finished;
    });
    ops->add_task([ran_after] { ++*ran_after; });
    started.get_future().wait();
    ops.reset();  // returns only after the first task has finished
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(*ran_after, 0);
    EXPECT_EQ(ran_after.use_count(), 1);
}

}  // namespace
