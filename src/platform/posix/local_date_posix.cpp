#include <time.h>

#include "platform/local_date.h"

namespace platform {

LocalDate localDate() {
    const time_t now = ::time(nullptr);
    tm fields{};
    ::localtime_r(&now, &fields);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday};
}

}  // namespace platform
