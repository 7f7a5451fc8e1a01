#pragma once
// Today's date in the user's time zone.

namespace platform {

struct LocalDate {
    int year;
    int month;  // 1-12
    int day;
};

LocalDate localDate();

}  // namespace platform
