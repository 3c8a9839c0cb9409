#pragma once

#include <string>

namespace tarn {

struct CalendarTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "YYYY 年MM 月DD 日, hh:mm:ss" and a line feed: the year right-aligned in four positions, the
// other numbers zero-padded to two digits.
std::wstring FormatFileTimeText(const CalendarTime& time);

}  // namespace tarn
