// Deferred calls and background tasks.
#include "gti/comm/mess_caller.h"

#include <iterator>

namespace lib {

MessCaller::MessCaller() = default;

MessCaller::~MessCaller() {
    std::vector<std::function<void()>> dropped;
    Locker g(&lock_);
    dropped.swap(calls);
}

void MessCaller::call(std::function<void()> f) {
    {
        Locker g(&lock_);
        calls.push_back(std::move(f));
    }
    wake_.signal();
}

int MessCaller::dispatch() {
    wake_.drain();
    std::vector<std::function<void()>> batch;
    {
        Locker g(&lock_);
        batch.swap(calls);
    }
    std::size_t i = 0;
    try {
        for (; i < batch.size(); ++i)
            batch[i]();
    } catch (...) {
        Locker g(&lock_);
        calls.insert(calls.begin(), std::make_move_iterator(batch.begin() + static_cast<std::ptrdiff_t>(i) + 1),
                     std::make_move_iterator(batch.end()));
        if (!calls.empty()) wake_.signal();
        throw;
    }
    return static_cast<int>(i);
}

void MessCaller::on_message(TMessage& m) {
    if (m.Msg != mess_caller_message) return;
    dispatch();
    m.Result = 0;
}

void MessLoop::add(MessCaller& caller) {
    callers_.push_back(&caller);
}

int MessLoop::run_once(int timeout_ms) {
    std::vector<int> fds{quit_.fd()};
    for (const MessCaller* c : callers_)
        fds.push_back(c->wake_fd());
    if (!os::wait_readable(fds, timeout_ms)) return 0;
    if (quit_.drain()) quitting_ = true;
    int ran = 0;
    for (MessCaller* c : callers_)
        ran += c->dispatch();
    return ran;
}

void MessLoop::run() {
    quitting_ = false;
    while (!quitting_)
        run_once(-1);
}

void MessLoop::quit() noexcept {
    quit_.signal();
}

AsynchOpersThread::AsynchOpersThread(AsynchOpers* owner) : owner_(owner), thread_([this] { execute(); }) {}

AsynchOpersThread::~AsynchOpersThread() {
    terminate_and_wait();
}

void AsynchOpersThread::terminate_and_wait() {
    {
        Locker g(&owner_->lock_);
        owner_->stopping_ = true;
    }
    owner_->changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void AsynchOpersThread::execute() {
    for (;;) {
        {
            Locker g(&owner_->lock_);
            owner_->changed_.wait(owner_->lock_, [this] { return owner_->stopping_ || !owner_->tasks.empty(); });
            if (owner_->stopping_) return;
        }
        owner_->run_tasks_if_exist();
    }
}

AsynchOpers::AsynchOpers() : worker(this) {}

AsynchOpers::~AsynchOpers() {
    worker.terminate_and_wait();
    std::vector<std::function<void()>> dropped;
    Locker g(&lock_);
    dropped.swap(tasks);
}

void AsynchOpers::add_task(std::function<void()> f) {
    {
        Locker g(&lock_);
        tasks.push_back(std::move(f));
    }
    changed_.notify_one();
}

void AsynchOpers::run_tasks_if_exist() {
    // A task that asks for the queue to be run again from inside a batch gets nothing: its
    // batch goes on, and the new tasks follow in the next one.
    {
        Locker g(&lock_);
        if (runner_ == std::this_thread::get_id()) return;
    }
    std::lock_guard one_batch(batch_);
    std::vector<std::function<void()>> batch;
    {
        Locker g(&lock_);
        if (tasks.empty()) return;
        batch.swap(tasks);
        runner_ = std::this_thread::get_id();
    }
    for (auto& task : batch) {
        {
            Locker g(&lock_);
            if (stopping_) break;
        }
        try {
            task();
        } catch (...) {
            Locker g(&lock_);
            ++failed_;
        }
    }
    Locker g(&lock_);
    runner_ = std::thread::id();
}

unsigned AsynchOpers::failed_tasks() const {
    Locker g(&lock_);
    return failed_;
}

bool AsynchOpers::stop_requested() const {
    Locker g(&lock_);
    return stopping_;
}

}  // namespace lib
