#include "base/kept_copy_name.h"

#include "base/key_text.h"

#include <cwchar>

namespace tarn {

namespace {

std::wstring Escaped(wchar_t c) {
    wchar_t text[8] = {};
    std::swprintf(text, 8, L"%%%02X", static_cast<unsigned>(c));
    return text;
}

bool NeverInAFileName(wchar_t c) {
    return c < 0x20 || c == L'%' || std::wcschr(L"/:*?\"<>|", c) != nullptr;
}

// Whether the system takes a name for a device, whatever follows its base name.
bool IsDeviceName(const std::wstring& name) {
    std::wstring base = LowerAscii(name.substr(0, name.find(L'.')));
    while (!base.empty() && base.back() == L' ') {
        base.pop_back();
    }
    for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"}) {
        if (base == device) {
            return true;
        }
    }
    return base.size() == 4 && (base.rfind(L"com", 0) == 0 || base.rfind(L"lpt", 0) == 0) &&
           ((base[3] >= L'0' && base[3] <= L'9') || base[3] == 0xB9 || base[3] == 0xB2 || base[3] == 0xB3);
}

std::wstring EscapedName(const std::wstring& name) {
    std::wstring escaped;
    std::size_t keep = name.size();
    while (keep > 0 && (name[keep - 1] == L'.' || name[keep - 1] == L' ')) {
        --keep;
    }
    for (std::size_t k = 0; k < name.size(); ++k) {
        const wchar_t c = name[k];
        const bool escape = NeverInAFileName(c) || k >= keep || (k == 0 && IsDeviceName(name));
        escaped += escape ? Escaped(c) : std::wstring(1, c);
    }
    return escaped;
}

}  // namespace

std::optional<std::wstring> KeptCopyRelativePath(const std::wstring& taskPath) {
    if (taskPath.size() < 2 || taskPath[0] != L'\\') {
        return std::nullopt;
    }
    std::wstring relative;
    for (std::size_t start = 1; start <= taskPath.size();) {
        std::size_t end = taskPath.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = taskPath.size();
        }
        const std::wstring name = taskPath.substr(start, end - start);
        if (name.empty()) {
            return std::nullopt;
        }
        relative += L"\\" + EscapedName(end == taskPath.size() ? name + L".xml" : name);
        start = end + 1;
    }
    return relative;
}

std::wstring KeptCopyFileName(const std::wstring& name, const std::wstring& extension, std::size_t maxLength) {
    std::wstring escaped;
    for (const wchar_t c : EscapedName(name + extension)) {
        escaped += c == L'\\' ? std::wstring(L"%5C") : std::wstring(1, c);
    }
    const std::size_t stem = escaped.size() - extension.size();
    if (stem > maxLength) {
        // What is left must not end in what the system strips from a name.
        std::size_t cut = maxLength;
        while (cut > 0 && (escaped[cut - 1] == L'.' || escaped[cut - 1] == L' ')) {
            --cut;
        }
        escaped.erase(cut, stem - cut);
    }
    return escaped;
}

}  // namespace tarn
