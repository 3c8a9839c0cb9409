#include "base/key_text.h"

#include "base/autorun_entry.h"

namespace tarn {

namespace {

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

}  // namespace

std::wstring LowerAscii(std::wstring text) {
    for (wchar_t& c : text) {
        c = FoldAscii(c);
    }
    return text;
}

bool EqualsNoCaseAscii(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

RootName RootNameFromKeyText(const std::wstring& keyText) {
    const std::size_t slash = keyText.find(L'\\');
    if (slash == std::wstring::npos) {
        return RootName::None;
    }
    const std::wstring root = keyText.substr(0, slash);
    if (EqualsNoCaseAscii(root, L"HKLM")) {
        return RootName::LocalMachine;
    }
    if (EqualsNoCaseAscii(root, L"HKCU")) {
        return RootName::CurrentUser;
    }
    if (EqualsNoCaseAscii(root, L"HKU")) {
        return RootName::Users;
    }
    return RootName::None;
}

std::wstring SubPathFromKeyText(const std::wstring& keyText, int entryKind) {
    const std::size_t first = keyText.find(L'\\');
    if (first == std::wstring::npos) {
        return {};
    }
    std::wstring rest = keyText.substr(first + 1);
    if (entryKind != KindListItem) {
        return rest;
    }
    const std::size_t last = rest.rfind(L'\\');
    if (last == std::wstring::npos) {
        return {};
    }
    rest.resize(last);
    return rest;
}

std::wstring JoinKeyText(const std::wstring& a, const std::wstring& b) {
    std::wstring joined;
    joined.reserve(a.size() + 1 + b.size());
    joined.append(a).append(1, L'\\').append(b);
    return joined;
}

bool IsClsidLike(const std::wstring& text) {
    return text.find(L'{') != std::wstring::npos && text.rfind(L'}') != std::wstring::npos;
}

std::wstring ClassKeyPath(const std::wstring& clsid) {
    return JoinKeyText(L"CLSID", clsid);
}

std::optional<std::wstring> JoinKeyPath(const std::wstring& a, const std::wstring& b) {
    if (a.size() + 1 + b.size() > kMaxJoinedPathLength) {
        return std::nullopt;
    }
    return JoinKeyText(a, b);
}

}  // namespace tarn
