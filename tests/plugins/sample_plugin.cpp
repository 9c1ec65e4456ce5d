// A plug-in library for the manager's tests. PLUGIN_NAME names it; PLUGIN_DECLINES,
// PLUGIN_NO_ENTRY, PLUGIN_THROWS_REGISTRATION and PLUGIN_THROWS_DESTRUCTOR make it misbehave.
// The host passes a probe as its main window handle, and the plug-in reports its life to it.
#include <stdexcept>

#include "gti/plugins/plugin_manager.h"
#include "probe.h"

namespace {

const plugin_probe* probe = nullptr;

void note(const char* event) {
    if (probe != nullptr) probe->note(probe->context, event, PLUGIN_NAME);
}

// Reports when the library is unloaded.
struct unload_watch {
    ~unload_watch() { note("unloaded"); }
} watch;

class sample : public lib::PluginBase {
public:
    ~sample() noexcept(false) override {
        note("destroyed");
#ifdef PLUGIN_THROWS_DESTRUCTOR
        throw std::runtime_error("destructor of " PLUGIN_NAME);
#endif
    }
};

}  // namespace

#ifdef PLUGIN_NO_ENTRY
extern "C" int not_a_plugin() {
    return 1;
}
#else
extern "C" lib::PluginBase* _reg_plugin(void* main_window) {
    probe = static_cast<const plugin_probe*>(main_window);
    note("registered");
#ifdef PLUGIN_THROWS_REGISTRATION
    throw std::runtime_error("registration of " PLUGIN_NAME);
#endif
#ifdef PLUGIN_DECLINES
    return nullptr;
#else
    return new sample;
#endif
}
#endif
