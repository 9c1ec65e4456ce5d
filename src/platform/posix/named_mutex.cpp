// Named locks shared by the station's programs: a flock(2) lock on a file named after the lock.
//
// flock belongs to an open file description, so within one program the lock is kept once per
// name (the registry below): its owning thread may take it again, other threads wait on a
// condition variable, and only the first hold of the owner locks the file.
//
// The lock files live in the user's own folder (detail::open_user_folder), so that no other user
// can hold, plant or remove them.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "gti/platform/os.h"
#include "platform/posix/file_detail.h"

namespace lib::os {

struct named_mutex::state {
    int fd = -1;
    std::mutex guard;
    std::condition_variable released;
    std::thread::id owner;
    unsigned count = 0;

    ~state() {
        if (fd >= 0) close(fd);
    }
};

namespace {

std::mutex registry_guard;
std::map<std::string, std::weak_ptr<named_mutex::state>>& registry() {
    static std::map<std::string, std::weak_ptr<named_mutex::state>> r;
    return r;
}

bool flock_wait(int fd, int operation) {
    for (;;) {
        if (flock(fd, operation) == 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace

named_mutex::named_mutex(const AnsiString& name) {
    // Separators in a name would point into other folders.
    std::string file = "gtikit-lock-" + native_path(name);
    for (char& c : file)
        if (c == '/' || c == '\\') c = '_';
    std::string folder;
    const int dir = detail::open_user_folder(folder);
    const std::string path = folder + "/" + file;
    std::lock_guard g(registry_guard);
    std::weak_ptr<state>& slot = registry()[path];
    s_ = slot.lock();
    if (s_) {
        close(dir);
        return;
    }
    auto fresh = std::make_shared<state>();
    fresh->fd = openat(dir, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    close(dir);
    if (fresh->fd < 0) throw std::runtime_error("named_mutex: cannot create the lock file " + path);
    slot = fresh;
    s_ = std::move(fresh);
}
named_mutex::~named_mutex() {
    std::lock_guard g(registry_guard);
    s_.reset();
    // Forget names that no object uses any more.
    for (auto it = registry().begin(); it != registry().end();) {
        it = it->second.expired() ? registry().erase(it) : std::next(it);
    }
}

void named_mutex::lock() {
    std::unique_lock g(s_->guard);
    const auto me = std::this_thread::get_id();
    if (s_->count > 0 && s_->owner == me) {
        ++s_->count;
        return;
    }
    s_->released.wait(g, [&] { return s_->count == 0; });
    s_->owner = me;
    s_->count = 1;
    g.unlock();
    // Other threads of this program now wait on the count; other programs wait on the file.
    if (!flock_wait(s_->fd, LOCK_EX)) {
        g.lock();
        s_->count = 0;
        s_->released.notify_one();
        throw std::runtime_error("named_mutex: the system refused the wait");
    }
}

bool named_mutex::try_lock() {
    std::lock_guard g(s_->guard);
    const auto me = std::this_thread::get_id();
    if (s_->count > 0) {
        if (s_->owner != me) return false;
        ++s_->count;
        return true;
    }
    if (flock(s_->fd, LOCK_EX | LOCK_NB) != 0) return false;
    s_->owner = me;
    s_->count = 1;
    return true;
}

void named_mutex::unlock() {
    std::lock_guard g(s_->guard);
    if (s_->count == 0 || s_->owner != std::this_thread::get_id()) return;
    if (--s_->count == 0) {
        flock(s_->fd, LOCK_UN);
        s_->released.notify_one();
    }
}

}  // namespace lib::os
