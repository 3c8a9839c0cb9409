#include "fileinfo/file_facts.h"

#include "fileinfo/file_facts_cache.h"
#include "fileinfo/file_time_text.h"
#include "fileinfo/version_info.h"
#include "win/com_ptr.h"

#include <windows.h>
#include <shellapi.h>

#include <limits>

namespace tarn {

namespace {

unique_hicon GetFileIcon(const std::wstring& path, UINT flags) {
    SHFILEINFOW info{};
    ComApartment apartment;
    ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, flags);
    return unique_hicon(info.hIcon);
}

}  // namespace

int32_t ReadFileSizeKB(const std::wstring& path) {
    const unique_file file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return -1;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
        return -1;
    }
    const long long kilobytes = size.QuadPart / 1024;
    return kilobytes > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                            : static_cast<int32_t>(kilobytes);
}

std::wstring FormatFileTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return {};
    }
    FILETIME local{};
    SYSTEMTIME calendar{};
    if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToSystemTime(&local, &calendar)) {
        return {};
    }
    return FormatFileTimeText({calendar.wYear, calendar.wMonth, calendar.wDay, calendar.wHour, calendar.wMinute,
                               calendar.wSecond});
}

void StoreFileSize(const std::wstring& path, AutoRunEntry& entry) {
    entry.sizeKB = ReadFileSizeKB(path);
}

void StoreFileTime(const std::wstring& path, AutoRunEntry& entry) {
    entry.fileTime = FormatFileTime(path);
}

unique_hicon GetSmallFileIcon(const std::wstring& path) {
    return GetFileIcon(path, SHGFI_ICON | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
}

unique_hicon GetLargeFileIcon(const std::wstring& path) {
    return GetFileIcon(path, SHGFI_ICON | SHGFI_SYSICONINDEX);
}

void FillFileFacts(AutoRunEntry& entry) {
    const auto cache = CurrentFileFacts();
    const FileFacts read = cache ? FileFacts() : ReadFileFacts(entry.imagePath);
    const FileFacts& facts = cache ? cache->Facts(entry.imagePath) : read;
    entry.description = facts.description;
    entry.company = facts.company;
    entry.sizeKB = facts.sizeKB;
    entry.fileTime = facts.fileTime;
    entry.fileVersion = facts.fileVersion;
}

}  // namespace tarn
