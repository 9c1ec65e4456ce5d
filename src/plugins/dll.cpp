// Dynamic libraries and their entry points.
#include "gti/plugins/dll.h"

#include <string>

namespace lib::dll {

void Library::load() {
    if (name_ == nullptr) throw Exception("Library::load: name is empty");
    free();
    handle_ = os::load_library(name_);
    if (handle_ == nullptr) throw Exception(std::string("Library::load: can't load library '") + name_ + "'");
    ++generation_;
}

void Library::free() noexcept {
    if (handle_ == nullptr) return;
    os::free_library(handle_);
    handle_ = nullptr;
    ++generation_;
}

void* Library::get_proc_address(const char* name) const {
    void* address = os::find_symbol(handle_, name);
    if (address == nullptr)
        throw Exception(std::string("Library::get_proc_address: can't find procedure '") + (name ? name : "") +
                        "' in library '" + (name_ ? name_ : "") + "'");
    return address;
}

void FunctionBase::init(const char* name, Library& library) noexcept {
    name_ = name;
    library_ = &library;
    address_ = nullptr;
}

void FunctionBase::load() {
    if (name_ == nullptr) throw Exception("FunctionBase::load: name of procedure is not definded!");
    if (library_ == nullptr) throw Exception("FunctionBase::load: library is not definded!");
    if (address() != nullptr) return;
    if (library_->handle() == nullptr) library_->load();
    address_ = library_->get_proc_address(name_);
    generation_ = library_->generation();
}

void* FunctionBase::address() const noexcept {
    if (library_ == nullptr || library_->handle() == nullptr || library_->generation() != generation_) return nullptr;
    return address_;
}

}  // namespace lib::dll
