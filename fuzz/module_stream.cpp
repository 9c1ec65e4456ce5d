// Fuzz target: the module stream reader, as a program receives it from a peer. Any bytes either
// read into the modules or fail with an exception; nothing is read outside the input and no
// allocation follows an unchecked size.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "gti/serial/serializator.h"

namespace {

// A module with a field of every serial kind.
class sample_module : public lib::SerialModuleBase {
public:
    explicit sample_module(const char* name) : name_(name) {}
    void get_serial_list(lib::serial_list& list, unsigned) override {
        list | number | depth | when | well | codes | names;
    }
    void get_serial_name(AnsiString& name) override { name = name_; }

    int number = 0;
    double depth = 0;
    TDateTime when;
    AnsiString well;
    std::vector<int> codes;
    std::vector<AnsiString> names;

private:
    const char* name_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream;
    stream.Write(data, static_cast<int>(size));
    stream.Seek(0, soFromBeginning);
    sample_module first("RaceInfoNew"), second("ParTable");
    std::vector<lib::SerialModuleBase*> modules{&first, &second};
    try {
        lib::Serializator(1).deserialize(modules, &stream, 1);
    } catch (const std::exception&) {
        // Damaged streams are reported, which is all a reader can do.
    }
    return 0;
}
