#pragma once

#include <ctime>

namespace upsconfig::support {

// A local time as a person writes it (month 1-12), for clocks that tests hold still.
inline std::tm LocalTime(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

}  // namespace upsconfig::support
