// lib::dll: one dynamic library and named entry points in it, loaded on demand.
//
// A Library loads its file when asked (or when a FunctionBase of it is first resolved) and
// unloads it when freed or destroyed. Failures are lib::dll::Exception with these texts:
//
//   "Library::load: name is empty"
//   "Library::load: can't load library '<name>'"
//   "Library::get_proc_address: can't find procedure '<procedure>' in library '<name>'"
//   "FunctionBase::load: name of procedure is not definded!"
//   "FunctionBase::load: library is not definded!"
//
// A FunctionBase remembers which load of its library it was resolved in: after the library is
// freed or loaded again, load() resolves the name anew and address() is null until it does, so
// a call never goes to an address of a module that is gone.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "gti/platform/dynlib.h"

namespace lib::dll {

// The failure of a dynamic library or of one of its entry points.
class Exception : public std::runtime_error {
public:
    // A failure with its message text.
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// One dynamic library, named by a text the caller owns and keeps alive.
class Library {
public:
    // Names the library (a path with "/" or a bare name the system looks up); loads nothing.
    explicit Library(const char* name) : name_(name) {}
    // Frees the library.
    ~Library() { free(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Loads the library, freeing a module loaded before. Throws Exception when the name is null
    // or the library cannot be loaded (it is then unloaded).
    void load();
    // Unloads the library; nothing when it is not loaded.
    void free() noexcept;
    // The address of an export of the loaded module. Throws Exception when there is no module or
    // no such export.
    void* get_proc_address(const char* name) const;

    // The name given at construction.
    const char* name() const noexcept { return name_; }
    // The module while loaded, else null.
    os::library_handle handle() const noexcept { return handle_; }
    // Counts every load and free, so that resolved addresses know when they went stale.
    std::uint64_t generation() const noexcept { return generation_; }

private:
    const char* name_;
    os::library_handle handle_ = nullptr;
    std::uint64_t generation_ = 0;
};

// One named entry point of a Library; wrappers of particular procedures derive from it.
class FunctionBase {
public:
    FunctionBase() = default;

    // Names the procedure (a text the caller owns) and its library; resolves nothing.
    void init(const char* name, Library& library) noexcept;
    // Resolves the procedure, loading the library first when it is not loaded. A second call
    // looks nothing up while the library keeps the module it was resolved in. Throws Exception.
    void load();
    // The resolved address; null before load() and after the library was freed or reloaded.
    void* address() const noexcept;

private:
    const char* name_ = nullptr;
    Library* library_ = nullptr;
    void* address_ = nullptr;
    std::uint64_t generation_ = 0;
};

// A typed entry point: Function<int(const char*)> f; f.init("name", library); f("x").
template <class Signature>
class Function;

// Calls through the resolved address, resolving it first when needed.
template <class R, class... Args>
class Function<R(Args...)> : public FunctionBase {
public:
    // Resolves if needed and calls; throws Exception when the procedure cannot be had.
    R operator()(Args... args) {
        load();
        return reinterpret_cast<R (*)(Args...)>(address())(args...);
    }
};

}  // namespace lib::dll
