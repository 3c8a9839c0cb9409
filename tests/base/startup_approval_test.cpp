#include "base/startup_approval.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn {
namespace {

std::vector<uint8_t> WithTime(uint8_t first, uint64_t time) {
    std::vector<uint8_t> bytes = {first, 0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        bytes.push_back(static_cast<uint8_t>(time >> (8 * i)));
    }
    return bytes;
}

TEST(StartupApproval, OnlyAnOddFirstByteOfABinaryValueSaysOff) {
    constexpr uint64_t kTime = 0x01DD87B257537A80;  // 2026-12-09 07:53:13 UTC
    struct Case {
        const char* what;
        uint32_t type;
        std::vector<uint8_t> bytes;
        bool off;
        uint64_t at;
    };
    const Case cases[] = {
        {"on as Windows writes it", 3, StartupApprovalOnBytes(), false, 0},
        {"on, the other form seen", 3, {6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"off with its time", 3, WithTime(3, kTime), true, kTime},
        {"off, another odd byte", 3, WithTime(7, kTime), true, kTime},
        {"off without a time", 3, {3, 0, 0, 0}, true, 0},
        {"off with half a time", 3, {3, 0, 0, 0, 1, 2, 3}, true, 0},
        {"too short to count", 3, {3, 0, 0}, false, 0},
        {"empty", 3, {}, false, 0},
        {"a text value", 1, WithTime(3, kTime), false, 0},
        {"a number value", 4, {3, 0, 0, 0}, false, 0},
    };
    for (const Case& c : cases) {
        const StartupApproval approval = ReadStartupApproval(c.type, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.off, approval.off) << c.what;
        EXPECT_EQ(c.at, approval.switchedAt) << c.what;
    }
    const std::vector<uint8_t> on = StartupApprovalOnBytes();
    ASSERT_EQ(12u, on.size());
    EXPECT_EQ(2, on[0]);
}

TEST(FileTimeUtcText, GivesTheCalendarTimeOrNothing) {
    const std::pair<uint64_t, std::optional<std::wstring>> cases[] = {
        {0x01DD87B257537A80, L"2026-12-09 07:53:13 UTC"},
        {0x989680, L"1601-01-01 00:00:01 UTC"},
        {0x01BF8311159DA980, L"2000-02-29 23:59:59 UTC"},
        {0x24C85A5ED127A980, L"9999-12-31 23:59:59 UTC"},
        {0x24C85A5ED127A980 + 10000000, std::nullopt},
        {0, std::nullopt},
        {UINT64_MAX, std::nullopt},
    };
    for (const auto& [time, text] : cases) {
        EXPECT_EQ(text, FileTimeUtcText(time)) << time;
    }
}

}  // namespace
}  // namespace tarn
