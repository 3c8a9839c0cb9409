#include "fileinfo/file_time_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

TEST(FormatFileTimeText, PadsTheYearWithSpacesAndTheRestWithZeros) {
    struct Case {
        CalendarTime time;
        std::wstring expected;
    };
    const Case cases[] = {
        {{2010, 1, 5, 7, 8, 9}, L"2010 \u5e7401 \u670805 \u65e5, 07:08:09\n"},
        {{1999, 12, 31, 23, 59, 59}, L"1999 \u5e7412 \u670831 \u65e5, 23:59:59\n"},
        {{999, 1, 1, 0, 0, 0}, L" 999 \u5e7401 \u670801 \u65e5, 00:00:00\n"},
        {{5, 10, 10, 10, 10, 10}, L"   5 \u5e7410 \u670810 \u65e5, 10:10:10\n"},
        {{30827, 12, 31, 23, 59, 59}, L"30827 \u5e7412 \u670831 \u65e5, 23:59:59\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, FormatFileTimeText(c.time));
    }
}

}  // namespace
}  // namespace tarn
