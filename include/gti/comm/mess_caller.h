// Deferred calls and background tasks: moving work between threads.
//
// MessCaller runs calls queued from any thread on the thread that owns it (the one with the
// user interface). Queuing never waits for the owner: it appends a copy of the callable and
// signals a descriptor, wake_fd(), that the owner's event loop polls; when it becomes readable
// the owner calls dispatch(), which runs every call queued so far, in queuing order. A program
// without an event loop of its own runs a MessLoop.
//
// AsynchOpers is the other direction: a worker thread of its own runs tasks queued from any
// thread, in queuing order, one after another.
//
// Both take the queued work out of the queue before running it, so a call or task may queue
// more work on the same object (it runs in the next batch) and other threads queue without
// waiting for a batch to finish. Destroying either object drops the work not yet begun; an
// AsynchOpers first waits for the task that is running.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "gti/platform/message.h"
#include "gti/platform/wakeup.h"
#include "gti/serial/lock_object.h"

namespace lib {

// The number of the message that wakes a MessCaller on the station's platform (its first user
// message number 0x400 plus 100); here it names the wake-up in TMessage.
inline constexpr unsigned mess_caller_message = 0x464;

// Runs queued calls on the thread that owns it.
class MessCaller {
public:
    // Must be created on the thread that shall run the calls.
    MessCaller();
    // Drops the queued calls without running them.
    ~MessCaller();
    MessCaller(const MessCaller&) = delete;
    MessCaller& operator=(const MessCaller&) = delete;

    // Queues a copy of `f` and wakes the owner; returns at once. Any thread.
    void call(std::function<void()> f);
    // The descriptor that becomes readable when calls wait; poll it for reading.
    int wake_fd() const noexcept { return wake_.fd(); }
    // Runs every call queued so far, in order, on the calling (owner) thread; returns how many
    // ran. Calls queued meanwhile wait for the next dispatch. When a call throws, the calls
    // after it stay queued for the next dispatch and the exception goes on to the caller.
    int dispatch();
    // The window procedure of the station's form: mess_caller_message dispatches and answers 0;
    // other messages are left unanswered.
    void on_message(TMessage& m);

private:
    lock_object lock_;
    os::wakeup wake_;
    std::vector<std::function<void()>> calls;
};

// The event loop of a program that has none of its own: waits for its MessCallers and runs
// their calls until asked to quit.
class MessLoop {
public:
    MessLoop() = default;
    MessLoop(const MessLoop&) = delete;
    MessLoop& operator=(const MessLoop&) = delete;

    // Serves `caller` too; it must outlive the loop's use. Owner thread only.
    void add(MessCaller& caller);
    // Waits up to `timeout_ms` (-1: without limit) for a wake-up and dispatches every caller
    // that has calls; returns how many calls ran.
    int run_once(int timeout_ms);
    // Runs until quit() is called; a quit() before run() ends the next run at once.
    void run();
    // Ends run(); any thread.
    void quit() noexcept;

private:
    os::wakeup quit_;
    std::vector<MessCaller*> callers_;
    bool quitting_ = false;
};

class AsynchOpers;

// The worker thread of an AsynchOpers: runs its owner's queued tasks until asked to stop.
class AsynchOpersThread {
public:
    // Starts the worker for `owner`.
    explicit AsynchOpersThread(AsynchOpers* owner);
    // Stops the worker and waits for it.
    ~AsynchOpersThread();
    AsynchOpersThread(const AsynchOpersThread&) = delete;
    AsynchOpersThread& operator=(const AsynchOpersThread&) = delete;

    // Asks the worker to stop after the task it is running and waits until it has ended.
    void terminate_and_wait();

private:
    void execute();

    AsynchOpers* owner_;
    std::thread thread_;
};

// Runs queued tasks on a worker thread of its own.
class AsynchOpers {
public:
    // Starts the worker.
    AsynchOpers();
    // Waits for the running task, if any, stops the worker and drops the tasks not begun.
    ~AsynchOpers();
    AsynchOpers(const AsynchOpers&) = delete;
    AsynchOpers& operator=(const AsynchOpers&) = delete;

    // Queues a copy of `f` for the worker; returns at once. Any thread.
    void add_task(std::function<void()> f);
    // Runs every task queued so far, in order, on the calling thread (the worker does this by
    // itself); nothing when the queue is empty. Batches never overlap, so tasks keep their order.
    // A task that throws is counted in failed_tasks() and the batch goes on.
    void run_tasks_if_exist();
    // The number of tasks that ended by throwing.
    unsigned failed_tasks() const;
    // True once the object is being destroyed: a long task may check it and end early.
    bool stop_requested() const;

private:
    friend class AsynchOpersThread;

    mutable lock_object lock_;
    std::condition_variable_any changed_;
    std::vector<std::function<void()>> tasks;
    bool stopping_ = false;
    unsigned failed_ = 0;
    std::thread::id runner_;  // the thread running a batch
    std::mutex batch_;
    AsynchOpersThread worker;  // last: starts when everything it uses exists
};

}  // namespace lib
