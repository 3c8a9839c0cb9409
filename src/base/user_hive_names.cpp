#include "base/user_hive_names.h"

#include "base/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kClassesSuffix[] = L"_Classes";
constexpr std::size_t kClassesSuffixLength = sizeof(kClassesSuffix) / sizeof(wchar_t) - 1;

bool IsSidText(const std::wstring& name) {
    if (name.size() < 5 || !EqualsNoCaseAscii(name.substr(0, 4), L"S-1-")) {
        return false;
    }
    for (wchar_t c : name.substr(4)) {
        if (c != L'-' && (c < L'0' || c > L'9')) {
            return false;
        }
    }
    return name.back() != L'-';
}

}  // namespace

UsersSubKey ClassifyUsersSubKey(const std::wstring& name) {
    if (EqualsNoCaseAscii(name, L".DEFAULT") || IsSidText(name)) {
        return UsersSubKey::User;
    }
    if (name.size() > kClassesSuffixLength &&
        EqualsNoCaseAscii(name.substr(name.size() - kClassesSuffixLength), kClassesSuffix) &&
        IsSidText(name.substr(0, name.size() - kClassesSuffixLength))) {
        return UsersSubKey::Classes;
    }
    return UsersSubKey::Other;
}

std::optional<std::wstring> WithProfileFolder(const std::wstring& text, const std::wstring& profileFolder) {
    const std::wstring reference = L"%userprofile%";
    const std::wstring lower = LowerAscii(text);
    std::wstring result;
    std::size_t from = 0;
    for (std::size_t at = lower.find(reference); at != std::wstring::npos; at = lower.find(reference, from)) {
        if (profileFolder.empty()) {
            return std::nullopt;
        }
        result.append(text, from, at - from).append(profileFolder);
        from = at + reference.size();
    }
    return result.append(text, from, std::wstring::npos);
}

}  // namespace tarn
