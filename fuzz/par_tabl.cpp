// Fuzz target: the parameter-table file, its ".extended" companion and the table's module stream
// payload. Any bytes read without a fault; a table read and written again gives the same bytes;
// extra values applied to the catalogue's parameters come back from the file written of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/io/streams.h"
#include "gti/params/all_params.h"
#include "gti/params/par_tabl.h"
#include "gti/serial/serializator.h"

namespace {

std::string bytes_of(const lib::io::BinaryMemoryOutputStream& out) {
    return out.get_size() == 0 ? std::string() : std::string(out.get_buffer(), out.get_size());
}

std::string table_bytes(const ParTabl& t) {
    lib::io::BinaryMemoryOutputStream out;
    t.write_table(out);
    return bytes_of(out);
}

// A table of every catalogue parameter: unique keys without blanks, so every entry of an
// ".extended" file finds its own parameter.
ParTabl catalogue_table() {
    ParTabl t;
    get_all_params().get_all_params(t.params);
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const auto n = static_cast<unsigned>(size);

    // The bytes as a table file.
    ParTabl table;
    lib::io::BinaryMemoryInputStream in(bytes, n);
    table.read_table(in);
    const std::string written = table_bytes(table);
    ParTabl again;
    lib::io::BinaryMemoryInputStream reread(written.data(), static_cast<unsigned>(written.size()));
    again.read_table(reread);
    if (again.get_items_count() != table.get_items_count() || table_bytes(again) != written) std::abort();
    table.check();

    // The bytes as an ".extended" file of the catalogue's parameters.
    ParTabl with_ext = catalogue_table();
    lib::io::BinaryMemoryInputStream ext(bytes, n);
    with_ext.read_extended_info(ext);
    lib::io::BinaryMemoryOutputStream ext_out;
    with_ext.write_extended_info(ext_out);
    const std::string ext_written = bytes_of(ext_out);
    ParTabl ext_again = catalogue_table();
    lib::io::BinaryMemoryInputStream ext_in(ext_written.data(), static_cast<unsigned>(ext_written.size()));
    ext_again.read_extended_info(ext_in);
    for (int i = 0; i < with_ext.get_items_count(); ++i) {
        if (ext_again.params[static_cast<std::size_t>(i)].ext_info !=
            with_ext.params[static_cast<std::size_t>(i)].ext_info)
            std::abort();
    }

    // The bytes as the table's module stream payload.
    ParTabl streamed;
    lib::SerialInputBuffer payload;
    payload.set_bytes(std::vector<char>(bytes, bytes + size));
    try {
        streamed.get_serial_list(payload, 0);
    } catch (const std::runtime_error&) {
        if (streamed.get_items_count() != 0) std::abort();
    }
    lib::SerialOutputBuffer out;
    streamed.get_serial_list(out, 0);
    ParTabl streamed_again;
    lib::SerialInputBuffer back;
    back.copy_from(out);
    streamed_again.get_serial_list(back, 0);
    lib::SerialOutputBuffer out_again;
    streamed_again.get_serial_list(out_again, 0);
    if (out_again.get_bytes() != out.get_bytes()) std::abort();
    return 0;
}
