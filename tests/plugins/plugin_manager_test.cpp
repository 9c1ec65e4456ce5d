#include "gti/plugins/plugin_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gti/platform/dynlib.h"
#include "gti/plugins/dll.h"
#include "probe.h"
#include "support.h"

using lib::PluginBase;
using lib::PluginManager;

namespace {

// The folder tree of test plug-ins, with its separator, and the suffix of their files.
const AnsiString tree = GTI_PLUGIN_TREE "/";
const std::string ext = lib::os::library_suffix;

// A manager that writes down its hooks and what its plug-ins report.
class recorder : public PluginManager {
public:
    std::vector<std::string> events;

    recorder() : PluginManager(&probe_) {}
    ~recorder() override { free(); }

    // The events that begin with `prefix`.
    std::vector<std::string> only(const std::string& prefix) const {
        std::vector<std::string> r;
        for (const std::string& e : events)
            if (e.rfind(prefix, 0) == 0) r.push_back(e);
        return r;
    }

protected:
    void after_load_item(PluginBase*, int index) override { events.push_back("after_load " + std::to_string(index)); }
    void before_unload_item(PluginBase*, int index) override {
        events.push_back("before_unload " + std::to_string(index));
    }
    void item_skipped(const AnsiString& file, skip_reason why, const AnsiString& detail) override {
        static const char* const reasons[] = {"convlibrary", "not_loadable",       "no_entry_point",
                                              "declined",    "registration_threw", "destructor_threw"};
        const std::string name = file.str().substr(file.str().find_last_of('/') + 1);
        std::string e = "skipped " + name + " " + reasons[static_cast<int>(why)];
        if (why == skip_reason::registration_threw || why == skip_reason::destructor_threw) e += ": " + detail.str();
        events.push_back(e);
    }

private:
    static void note(void* context, const char* event, const char* plugin) {
        static_cast<recorder*>(context)->events.push_back(std::string(event) + " " + plugin);
    }
    plugin_probe probe_{&note, this};
};

TEST(PluginManager, LoadsWhatRegistersSkipsTheRestAndFreesInOrder) {
    recorder m;
    m.load(tree);
    const std::vector<std::string> loading = {
        "skipped ConvLibrary" + ext + " convlibrary",  // the subfolder comes first
        "registered alpha",
        "after_load 0",
        "registered beta",
        "after_load 1",
        "skipped broken" + ext + " not_loadable",
        "registered declines",
        "unloaded declines",
        "skipped declines" + ext + " declined",
        "skipped no_entry" + ext + " no_entry_point",
        "registered throws_destructor",
        "after_load 2",
        "registered throws_registration",
        "unloaded throws_registration",
        "skipped throws_registration" + ext + " registration_threw: registration of throws_registration",
    };
    EXPECT_EQ(m.events, loading);
    ASSERT_EQ(m.size(), 3);
    EXPECT_EQ(m.get_item(1)->get_path(), tree);
    EXPECT_EQ(m.index_of_plugin(m.get_item(2)), 2);
    EXPECT_EQ(m.index_of_plugin(nullptr), -1);

    m.events.clear();
    m.free();
    const std::vector<std::string> freeing = {
        "before_unload 0",
        "destroyed alpha",
        "unloaded alpha",
        "before_unload 1",
        "destroyed beta",
        "unloaded beta",
        "before_unload 2",
        "destroyed throws_destructor",
        "unloaded throws_destructor",
        "skipped throws_destructor" + ext + " destructor_threw: destructor of throws_destructor",
    };
    EXPECT_EQ(m.events, freeing);
    EXPECT_EQ(m.size(), 0);
    m.free();  // nothing left: nothing happens
    EXPECT_EQ(m.events.size(), freeing.size());
}

TEST(PluginManager, EachLoadAppendsAndCountsItsIndicesFromZero) {
    recorder m;
    gti_test::temp_dir empty;
    m.load(empty.path());
    EXPECT_EQ(m.size(), 0);
    EXPECT_TRUE(m.events.empty());
    m.load(AnsiString(GTI_PLUGIN_TREE));  // without its separator
    m.load(tree);
    EXPECT_EQ(m.size(), 6);
    EXPECT_EQ(m.only("after_load"), (std::vector<std::string>{"after_load 0", "after_load 1", "after_load 2",
                                                              "after_load 0", "after_load 1", "after_load 2"}));
    m.free();
    EXPECT_EQ(m.only("before_unload").size(), 6u);
    EXPECT_EQ(m.only("before_unload").back(), "before_unload 5");
    EXPECT_EQ(m.only("unloaded alpha").size(), 1u);  // released once per load; gone after the last
}

TEST(PluginManager, LoadsFromAFolderOfAnyName) {
    gti_test::temp_dir root;
    const auto folder = lib::os::file_path::from_native(root.path().str() + "/\u4E95");
    std::filesystem::copy(std::filesystem::path(GTI_PLUGIN_TREE), folder.path(),
                          std::filesystem::copy_options::recursive);
    recorder m;
    m.load(folder);
    EXPECT_EQ(m.only("after_load").size(), 3u);
    ASSERT_EQ(m.size(), 3);
    EXPECT_EQ(m.get_item(0)->get_path(), root.path() + "/<U+4E95>/");
    EXPECT_EQ(m.get_file(0), root.path() + "/<U+4E95>/alpha" + ext);
}

TEST(DynamicLibrary, FailuresCarryTheirMessages) {
    using lib::dll::Exception;
    using lib::dll::FunctionBase;
    using lib::dll::Library;
    const auto message = [](auto&& action) -> std::string {
        try {
            action();
        } catch (const Exception& e) {
            return e.what();
        }
        return "no exception";
    };
    Library none(nullptr);
    Library missing("/no/such/library.so");
    const std::string alpha = (tree + "alpha" + ext).str();
    Library lib(alpha.c_str());
    FunctionBase unnamed;
    FunctionBase absent;
    absent.init("absent", lib);
    EXPECT_EQ(message([&] { none.load(); }), "Library::load: name is empty");
    EXPECT_EQ(message([&] { missing.load(); }), "Library::load: can't load library '/no/such/library.so'");
    EXPECT_EQ(missing.handle(), nullptr);
    EXPECT_EQ(message([&] { lib.get_proc_address("_reg_plugin"); }),
              "Library::get_proc_address: can't find procedure '_reg_plugin' in library '" + alpha + "'");
    EXPECT_EQ(message([&] { unnamed.load(); }), "FunctionBase::load: name of procedure is not definded!");
    EXPECT_EQ(message([&] { absent.load(); }),
              "Library::get_proc_address: can't find procedure 'absent' in library '" + alpha + "'");
}

TEST(DynamicLibrary, AFunctionLoadsItsLibraryAndNoticesWhenItIsFreed) {
    const std::string alpha = (tree + "alpha" + ext).str();
    lib::dll::Library library(alpha.c_str());
    lib::dll::Function<PluginBase*(void*)> reg;
    reg.init("_reg_plugin", library);
    EXPECT_EQ(reg.address(), nullptr);
    reg.load();
    ASSERT_NE(library.handle(), nullptr);
    void* const first = reg.address();
    reg.load();
    EXPECT_EQ(reg.address(), first);
    delete reg(nullptr);
    library.free();
    EXPECT_EQ(reg.address(), nullptr);  // no call into a module that is gone
    delete reg(nullptr);                // loads and resolves anew
    EXPECT_NE(library.handle(), nullptr);
}

}  // namespace
