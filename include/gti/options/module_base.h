// ModuleBase: the root of every object a program registers in its module list.
#pragma once

namespace lib {

// The root of every module. The module kinds derive from it as a virtual base, so an object of
// several kinds is still one module with one registered flag.
class ModuleBase {
public:
    virtual ~ModuleBase() = default;
    // Set by ModuleList::register_module for the module that got its name.
    bool registered = false;
};

}  // namespace lib
