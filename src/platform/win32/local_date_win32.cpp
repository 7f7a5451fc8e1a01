#include <windows.h>

#include "platform/local_date.h"

namespace platform {

LocalDate localDate() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

}  // namespace platform
