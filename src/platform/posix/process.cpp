#include <unistd.h>

#include <string>

#include "gti/platform/os.h"

namespace lib::os {

AnsiString executable_directory() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return AnsiString();
    path.resize(static_cast<std::size_t>(n));
    path.resize(path.rfind('/') + 1);
    AnsiString dir;
    return station_name(path, dir) ? dir : AnsiString();
}

}  // namespace lib::os
