#include "gti/serial/lock_object.h"

namespace lib {

lock_object::lock_object(const char* name) : kind_(name != nullptr ? mutex_kind : critical_section_kind) {
    if (name != nullptr) mutex_ = std::make_unique<os::named_mutex>(AnsiString(name));
}

lock_object::~lock_object() = default;

void lock_object::lock() {
    if (kind_ == mutex_kind)
        mutex_->lock();
    else
        section_.lock();
}

void lock_object::unlock() {
    if (kind_ == mutex_kind)
        mutex_->unlock();
    else
        section_.unlock();
}

}  // namespace lib
