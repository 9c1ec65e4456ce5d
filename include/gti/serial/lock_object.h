// lock_object and Locker: the lock that guards module data while it is written out.
//
// A lock_object with a name is shared by every program of the machine (the record store uses
// "reg_data_file_mutex" so that all station programs take turns at the data files); one without a
// name guards the threads of one program only. Either kind may be taken again by the thread that
// holds it.
#pragma once

#include <memory>
#include <mutex>

#include "gti/platform/os.h"

namespace lib {

// A named inter-process lock or an in-process critical section.
class lock_object {
public:
    // The kinds of lock.
    enum : int { mutex_kind = 0, critical_section_kind = 1 };

    // A lock shared by every program under `name`; with a null name, a critical section of this
    // program. Creating the lock does not take it.
    explicit lock_object(const char* name = nullptr);
    ~lock_object();
    lock_object(const lock_object&) = delete;
    lock_object& operator=(const lock_object&) = delete;

    // Waits until the calling thread holds the lock.
    void lock();
    // Gives up one hold of the calling thread.
    void unlock();
    // mutex_kind or critical_section_kind.
    int kind() const noexcept { return kind_; }

private:
    int kind_;
    std::unique_ptr<os::named_mutex> mutex_;
    std::recursive_mutex section_;
};

// Holds a lock_object for the life of a scope.
class Locker {
public:
    // Takes the lock, waiting without limit; `lock` must not be null.
    explicit Locker(lock_object* lock) : lock_(lock) {
        if (lock_ != nullptr) lock_->lock();
    }
    // Gives the lock up.
    ~Locker() {
        if (lock_ != nullptr) lock_->unlock();
    }
    Locker(const Locker&) = delete;
    Locker& operator=(const Locker&) = delete;

private:
    lock_object* lock_;
};

}  // namespace lib
