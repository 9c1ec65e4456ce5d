// Fault plans through the system-call seam of the file layer: a full disk or an I/O error at the
// N-th call, and a process killed at the N-th call, so that every writer is tried at every step.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_test {

// The calls of the file layer that change the disk.
enum class disk_call { write, fsync, rename, unlink };

// Makes the N-th call (from 1) of one kind fail with `error` (ENOSPC, EIO) while the object
// lives; the calls before and after it go through.
class fail_nth_call {
public:
    fail_nth_call(disk_call kind, int n, int error);
    ~fail_nth_call();
    fail_nth_call(const fail_nth_call&) = delete;
    fail_nth_call& operator=(const fail_nth_call&) = delete;

    // True once the N-th call has been made (and failed).
    bool fired() const;
};

// Runs `save` with the n-th call of `kind` failing with `error`, for n = 1, 2, ... until a run
// no longer reaches its n-th call; after each run that met the fault, calls `check(n)`. `save`
// reports failure by returning false or by throwing. Returns the number of faulty runs; a run
// that met the fault and still reported success fails the test.
int fail_each_call(disk_call kind, int error, const std::function<bool()>& save,
                   const std::function<void(int n)>& check);

// Runs `save` in a child process that dies (_exit, no clean-up) at its n-th call that changes the
// disk (write, fsync, rename, unlink), for n = 1, 2, ... until a child gets through; after each
// death calls `check(n)` in this process. Returns the number of deaths.
int crash_at_each_call(const std::function<void()>& save, const std::function<void(int n)>& check);

// Tries a writer of `file` at every disk call: killed there, and failing there with ENOSPC and
// with EIO. `save` writes the same contents each time and reports failure by returning false or
// throwing. Afterwards `file` must hold its old bytes or the complete new ones, no temporary file
// may be left by a failure, and one left by a killed writer must go with the next save. Returns
// the number of calls tried.
int expect_whole_at_every_call(const AnsiString& file, const std::function<bool()>& save);

// The names in a folder, sorted.
std::vector<std::string> folder_names(const AnsiString& dir);

}  // namespace gti_test
