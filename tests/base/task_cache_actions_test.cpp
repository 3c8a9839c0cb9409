#include "base/task_cache_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using Bytes = std::vector<unsigned char>;

void Put(Bytes& bytes, uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
}

void PutText(Bytes& bytes, const std::wstring& text) {
    Put(bytes, static_cast<uint32_t>(text.size() * 2), 4);
    for (const wchar_t c : text) {
        Put(bytes, static_cast<uint32_t>(c), 2);
    }
}

// A version 3 value: a program with its arguments and folder, then a COM handler.
Bytes ExecAndHandler() {
    Bytes bytes;
    Put(bytes, 3, 2);
    PutText(bytes, L"Author");
    Put(bytes, 0x6666, 2);
    PutText(bytes, L"");
    PutText(bytes, L"C:\\evil\\run.exe");
    PutText(bytes, L"/quiet");
    PutText(bytes, std::wstring(L"C:\\evil") + L'\0');  // a count that holds the terminator
    Put(bytes, 0, 2);
    Put(bytes, 0x7777, 2);
    PutText(bytes, L"handler");
    for (unsigned char b = 0; b < 16; ++b) {
        bytes.push_back(b);
    }
    PutText(bytes, L"data");
    return bytes;
}

TEST(CachedTaskActions, DecodesProgramsAndHandlers) {
    const Bytes bytes = ExecAndHandler();
    const CachedTaskActions decoded = DecodeCachedTaskActions(bytes.data(), bytes.size());
    EXPECT_TRUE(decoded.complete);
    EXPECT_EQ(3, decoded.version);
    EXPECT_EQ(L"Author", decoded.context);
    ASSERT_EQ(2u, decoded.actions.size());
    EXPECT_EQ(CachedActionKind::Exec, decoded.actions[0].kind);
    EXPECT_EQ(L"C:\\evil\\run.exe", decoded.actions[0].command);
    EXPECT_EQ(L"/quiet", decoded.actions[0].arguments);
    EXPECT_EQ(L"C:\\evil", decoded.actions[0].workingDirectory);
    EXPECT_EQ(CachedActionKind::ComHandler, decoded.actions[1].kind);
    EXPECT_EQ(L"{03020100-0504-0706-0809-0A0B0C0D0E0F}", decoded.actions[1].clsid);
    EXPECT_EQ(L"data", decoded.actions[1].data);
}

TEST(CachedTaskActions, ACutOrOddValueKeepsWhatWasWholeAndSaysItIsNot) {
    const Bytes bytes = ExecAndHandler();
    // Every cut but those right after the principal or the program is incomplete, and holds the
    // program at most.
    const std::size_t principalEnd = 2 + 4 + 2 * 6;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const CachedTaskActions decoded = DecodeCachedTaskActions(bytes.data(), size);
        EXPECT_LE(decoded.actions.size(), 1u) << size;
        EXPECT_TRUE(!decoded.complete || size == principalEnd || decoded.actions.size() == 1) << size;
    }
    Bytes unknown = ExecAndHandler();
    const std::size_t handlerBytes = 2 + (4 + 14) + 16 + (4 + 8);
    unknown[unknown.size() - handlerBytes] = 0x55;  // the handler's mark
    const CachedTaskActions decoded = DecodeCachedTaskActions(unknown.data(), unknown.size());
    EXPECT_FALSE(decoded.complete);
    EXPECT_EQ(1u, decoded.actions.size());
    // A count far beyond the value.
    Bytes huge = {1, 0, 0x66, 0x66, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(DecodeCachedTaskActions(huge.data(), huge.size()).complete);
}

}  // namespace
}  // namespace tarn
