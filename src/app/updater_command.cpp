#include "app/updater_command.h"

#include "app/maker.h"

namespace tarn {

namespace {

std::optional<std::wstring> Bounded(std::wstring text) {
    if (text.size() > kMaxCommandLineLength) {
        return std::nullopt;
    }
    return text;
}

std::size_t FileNameStart(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

}  // namespace

std::optional<std::wstring> UpdaterCommandLine(const std::wstring& modulePath) {
    const std::wstring fileName = modulePath.substr(FileNameStart(modulePath));
    if (fileName.empty()) {
        return std::nullopt;
    }
    return Bounded(std::wstring(kUpdaterFileName) + L" " + kUpdaterProductCode + L" " + kUpdaterVersion + L" " +
                   fileName);
}

std::optional<std::wstring> UpdaterPathBeside(const std::wstring& modulePath) {
    const std::size_t start = FileNameStart(modulePath);
    if (start == 0) {
        return std::nullopt;
    }
    std::wstring folder = modulePath.substr(0, start);
    if (folder.back() != L'\\' && folder.back() != L'/') {
        folder += L'\\';
    }
    return Bounded(folder + kUpdaterFileName);
}

std::optional<std::wstring> SiteBrowserCommandLine(const std::wstring& programFiles, const std::wstring& address) {
    if (programFiles.empty()) {
        return std::nullopt;
    }
    return Bounded(L"\"" + programFiles + L"\\Internet Explorer\\iexplore.exe\" " + address);
}

}  // namespace tarn
