#include "base/registry_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

std::vector<unsigned char> Bytes(std::initializer_list<int> values) {
    std::vector<unsigned char> bytes;
    for (int v : values) {
        bytes.push_back(static_cast<unsigned char>(v));
    }
    return bytes;
}

TEST(Utf16TextFromBytes, StopsAtTerminatorOrLastWholeUnit) {
    struct Case {
        std::vector<unsigned char> bytes;
        std::wstring expected;
    };
    const Case cases[] = {
        {Bytes({'a', 0, 'b', 0, 0, 0, 'c', 0}), L"ab"},      // terminated, text after it ignored
        {Bytes({'a', 0, 'b', 0}), L"ab"},                    // no terminator: the units that are there
        {Bytes({'a', 0, 'b', 0, 'c'}), L"ab"},               // odd count: the half unit is dropped
        {Bytes({'a'}), L""},                                 // a single byte is no unit
        {Bytes({}), L""},                                    // empty data
        {Bytes({0x2d, 0x4e, 0x87, 0x65}), L"\u4e2d\u6587"},  // little-endian units
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Utf16TextFromBytes(c.bytes.data(), c.bytes.size()));
    }
    EXPECT_EQ(L"", Utf16TextFromBytes(nullptr, 8));
}

TEST(DwordFromBytes, ReadsLittleEndianAndZeroExtendsShortData) {
    EXPECT_EQ(0x04030201u, DwordFromBytes(Bytes({1, 2, 3, 4}).data(), 4));
    EXPECT_EQ(0x04030201u, DwordFromBytes(Bytes({1, 2, 3, 4, 5, 6}).data(), 6));
    EXPECT_EQ(0x00030201u, DwordFromBytes(Bytes({1, 2, 3}).data(), 3));
    EXPECT_EQ(0u, DwordFromBytes(Bytes({7}).data(), 0));
    EXPECT_EQ(0u, DwordFromBytes(nullptr, 4));
    EXPECT_EQ(0xFFFFFFFFu, DwordFromBytes(Bytes({0xFF, 0xFF, 0xFF, 0xFF}).data(), 4));
}

TEST(NarrowTextFromBytes, StopsAtZeroByteOrEndOfData) {
    const auto record = Bytes({'w', 's', '2', 0, 'x'});
    EXPECT_EQ("ws2", NarrowTextFromBytes(record.data(), record.size()));
    EXPECT_EQ("ws", NarrowTextFromBytes(record.data(), 2));
    const auto noZero = Bytes({0x81, 'a', 'b'});
    EXPECT_EQ(std::string("\x81"
                          "ab"),
              NarrowTextFromBytes(noZero.data(), noZero.size()));
    EXPECT_EQ("", NarrowTextFromBytes(record.data(), 0));
}

}  // namespace
}  // namespace tarn
