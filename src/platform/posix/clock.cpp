#include <sys/time.h>

#include <ctime>

#include "gti/platform/system.h"

namespace lib {

clock_fields local_clock() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    const time_t seconds = tv.tv_sec;
    tm local{};
    localtime_r(&seconds, &local);
    return clock_fields{local.tm_year + 1900,
                        local.tm_mon + 1,
                        local.tm_mday,
                        local.tm_hour,
                        local.tm_min,
                        local.tm_sec,
                        static_cast<int>(tv.tv_usec / 1000)};
}

}  // namespace lib
