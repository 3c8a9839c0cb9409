#include "fileinfo/version_info.h"

#include "win/system_calls.h"

#include "fileinfo/version_query.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace tarn {

namespace {

constexpr DWORD kVersionBlockBytes = 16000;

// Where a pointer handed out by the version API lies inside the block; nothing if outside.
bool OffsetInBlock(const std::vector<BYTE>& block, const void* pointer, std::size_t& offset) {
    const auto* p = static_cast<const BYTE*>(pointer);
    if (p == nullptr || p < block.data() || p >= block.data() + block.size()) {
        return false;
    }
    offset = static_cast<std::size_t>(p - block.data());
    return true;
}

// The file's whole version block; empty when it has none.
std::vector<BYTE> ReadVersionBlock(const std::wstring& path) {
    const VersionCalls* version = Version();
    if (version == nullptr) {
        return {};
    }
    DWORD handle = 0;
    const DWORD blockSize = version->infoSize(path.c_str(), &handle);
    if (blockSize == 0) {
        return {};
    }
    // Blocks larger than the usual buffer are read whole rather than cut.
    std::vector<BYTE> block(std::max(kVersionBlockBytes, blockSize), 0);
    if (!version->info(path.c_str(), 0, blockSize, block.data())) {
        return {};
    }
    return block;
}

// One named string of a block already read.
std::wstring QueryBlockString(std::vector<BYTE>& block, const wchar_t* queryTemplate) {
    const VersionCalls* version = Version();
    if (block.empty() || version == nullptr) {
        return {};
    }
    void* table = nullptr;
    UINT tableLength = 0;
    std::size_t tableOffset = 0;
    if (!version->queryValue(block.data(), kTranslationQuery, &table, &tableLength) ||
        !OffsetInBlock(block, table, tableOffset)) {
        return {};
    }
    const std::size_t tableBytes = std::min<std::size_t>(tableLength, block.size() - tableOffset);

    bool found = false;
    std::size_t foundOffset = 0;
    for (const Translation& translation : ParseTranslationTable(block.data() + tableOffset, tableBytes)) {
        const auto query = FormatTranslationQuery(queryTemplate, translation);
        if (!query) {
            continue;
        }
        void* text = nullptr;
        UINT textLength = 0;
        std::size_t offset = 0;
        if (version->queryValue(block.data(), query->c_str(), &text, &textLength) &&
            OffsetInBlock(block, text, offset)) {
            found = true;
            foundOffset = offset;
        }
    }
    return found ? TextInBlock(block.data(), block.size(), foundOffset) : std::wstring();
}

}  // namespace

std::wstring QueryVersionString(const wchar_t* queryTemplate, const std::wstring& path) {
    std::vector<BYTE> block = ReadVersionBlock(path);
    return QueryBlockString(block, queryTemplate);
}

VersionStrings ReadVersionStrings(const std::wstring& path) {
    std::vector<BYTE> block = ReadVersionBlock(path);
    return {QueryBlockString(block, kDescriptionQuery), QueryBlockString(block, kCompanyQuery),
            QueryBlockString(block, kFileVersionQuery)};
}

void ReadFileDescription(const std::wstring& path, AutoRunEntry& entry) {
    entry.description = QueryVersionString(kDescriptionQuery, path);
}

void ReadCompanyName(const std::wstring& path, AutoRunEntry& entry) {
    entry.company = QueryVersionString(kCompanyQuery, path);
}

void ReadFileVersion(const std::wstring& path, AutoRunEntry& entry) {
    entry.fileVersion = QueryVersionString(kFileVersionQuery, path);
}

}  // namespace tarn
