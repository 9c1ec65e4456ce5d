// Named locks shared by the station's programs: Win32 named mutexes.
//
// A Win32 mutex is what the station's lock always was: its owning thread may take it again, other
// threads and programs wait, and a program that dies while holding it gives it up (the next
// waiter gets WAIT_ABANDONED and holds it). The names live in the "Local\" namespace of the
// user's logon session, so locks of another session never block this one.
#include <stdexcept>

#include "gti/platform/os.h"
#include "platform/win32/win32.h"

namespace lib::os {

struct named_mutex::state {
    HANDLE h = nullptr;
    ~state() {
        if (h != nullptr) CloseHandle(h);
    }
};

named_mutex::named_mutex(const AnsiString& name) : s_(std::make_shared<state>()) {
    // A backslash in a name would point into another namespace.
    std::wstring full = L"Local\\gtikit-lock-" + detail::wide(native_path(name));
    for (std::size_t i = 6; i < full.size(); ++i)
        if (full[i] == L'\\') full[i] = L'_';
    s_->h = CreateMutexW(nullptr, FALSE, full.c_str());
    if (s_->h == nullptr) throw std::runtime_error("named_mutex: cannot create the lock " + detail::utf8(full));
}

named_mutex::~named_mutex() = default;

void named_mutex::lock() {
    const DWORD r = WaitForSingleObject(s_->h, INFINITE);
    if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) throw std::runtime_error("named_mutex: the system refused the wait");
}

bool named_mutex::try_lock() {
    const DWORD r = WaitForSingleObject(s_->h, 0);
    return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

void named_mutex::unlock() {
    // Refused by the system when the calling thread holds no hold: nothing happens then.
    ReleaseMutex(s_->h);
}

}  // namespace lib::os
