#include "gti/platform/system.h"
#include "platform/win32/win32.h"

namespace lib {

clock_fields local_clock() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return clock_fields{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace lib
