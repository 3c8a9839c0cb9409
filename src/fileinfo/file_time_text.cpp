#include "fileinfo/file_time_text.h"

namespace tarn {

namespace {

// printf's "%<width>d" with a fill character: ' ' for the year, '0' for the rest.
std::wstring Padded(int value, std::size_t width, wchar_t fill) {
    std::wstring digits = std::to_wstring(value < 0 ? -static_cast<long long>(value) : value);
    if (value < 0) {
        digits.insert(0, 1, L'-');
    }
    if (digits.size() < width) {
        const std::size_t padding = width - digits.size();
        if (fill == L'0' && value < 0) {
            digits.insert(1, padding, L'0');
        } else {
            digits.insert(0, padding, fill);
        }
    }
    return digits;
}

}  // namespace

std::wstring FormatFileTimeText(const CalendarTime& time) {
    return Padded(time.year, 4, L' ') + L" \u5e74" + Padded(time.month, 2, L'0') + L" \u6708" +
           Padded(time.day, 2, L'0') + L" \u65e5, " + Padded(time.hour, 2, L'0') + L":" +
           Padded(time.minute, 2, L'0') + L":" + Padded(time.second, 2, L'0') + L"\n";
}

}  // namespace tarn
