#include "app/console_output.h"

#include "app/scan_report.h"

namespace tarn {

void WriteText(DWORD standardHandle, const std::wstring& text) {
    const HANDLE handle = ::GetStdHandle(standardHandle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = Utf8FromWide(text);
    for (std::size_t offset = 0; offset < bytes.size(); offset += written) {
        if (!::WriteFile(handle, bytes.data() + offset, static_cast<DWORD>(bytes.size() - offset), &written,
                         nullptr) ||
            written == 0) {
            return;
        }
    }
}

}  // namespace tarn
