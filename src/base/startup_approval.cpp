#include "base/startup_approval.h"

#include <cstdio>

namespace tarn {

StartupApproval ReadStartupApproval(uint32_t type, const uint8_t* data, std::size_t byteCount) {
    StartupApproval approval;
    if (type != kApprovalValueType || data == nullptr || byteCount < 4 || (data[0] & 1) == 0) {
        return approval;
    }
    approval.off = true;
    if (byteCount >= 12) {
        for (std::size_t i = 0; i < 8; ++i) {
            approval.switchedAt |= static_cast<uint64_t>(data[4 + i]) << (8 * i);
        }
    }
    return approval;
}

std::vector<uint8_t> StartupApprovalOnBytes() {
    std::vector<uint8_t> bytes(12, 0);
    bytes[0] = 0x02;
    return bytes;
}

std::optional<std::wstring> FileTimeUtcText(uint64_t fileTime) {
    constexpr uint64_t kTicksPerSecond = 10000000;
    // Days from 1601-01-01 to 1970-01-01.
    constexpr int64_t kEpochDays = 134774;
    const uint64_t seconds = fileTime / kTicksPerSecond;
    const int64_t days = static_cast<int64_t>(seconds / 86400) - kEpochDays;
    const auto daySeconds = static_cast<int>(seconds % 86400);
    // Civil date from days since 1970 (proleptic Gregorian).
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (fileTime == 0 || year > 9999) {
        return std::nullopt;
    }
    wchar_t text[32] = {};
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%04d-%02d-%02d %02d:%02d:%02d UTC", static_cast<int>(year),
                  static_cast<int>(month), static_cast<int>(day), daySeconds / 3600, daySeconds / 60 % 60,
                  daySeconds % 60);
    return std::wstring(text);
}

}  // namespace tarn
