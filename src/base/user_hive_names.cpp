#include "base/user_hive_names.h"

#include "base/key_text.h"

#include <algorithm>

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

// The entry of `name` (any letter case) in a list of variables, changeable where the list is.
template <typename Variables>
auto FindVariable(Variables& variables, const std::wstring& name) {
    return std::find_if(variables.begin(), variables.end(),
                        [&](const auto& variable) { return EqualsNoCaseAscii(variable.first, name); });
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

bool IsPerUserVariable(const std::wstring& name) {
    for (const wchar_t* own :
         {L"USERPROFILE", L"APPDATA", L"LOCALAPPDATA", L"HOMEDRIVE", L"HOMEPATH", L"HOMESHARE", L"USERNAME",
          L"USERDOMAIN", L"USERDOMAIN_ROAMINGPROFILE", L"USERDNSDOMAIN", L"LOGONSERVER", L"TEMP", L"TMP", L"ONEDRIVE",
          L"ONEDRIVECONSUMER", L"ONEDRIVECOMMERCIAL"}) {
        if (EqualsNoCaseAscii(name, own)) {
            return true;
        }
    }
    return false;
}

std::optional<std::wstring> WithUserVariables(const std::wstring& text, const UserVariables& variables) {
    std::wstring result;
    std::size_t from = 0;
    // Read as the system's expansion reads it: "%NAME%" pairs from the left, a name it does not
    // know kept with both signs.
    for (std::size_t open = text.find(L'%'); open != std::wstring::npos; open = text.find(L'%', from)) {
        const std::size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            break;
        }
        const std::wstring name = text.substr(open + 1, close - open - 1);
        const auto known = FindVariable(variables, name);
        if (known != variables.end() && !known->second.empty()) {
            result.append(text, from, open - from).append(known->second);
        } else if (known != variables.end() || IsPerUserVariable(name)) {
            return std::nullopt;
        } else {
            result.append(text, from, close + 1 - from);
        }
        from = close + 1;
    }
    return result.append(text, from, std::wstring::npos);
}

std::optional<std::wstring> UserVariable(const UserVariables& variables, const std::wstring& name) {
    const auto known = FindVariable(variables, name);
    if (known == variables.end() || known->second.empty()) {
        return std::nullopt;
    }
    return known->second;
}

UserVariables ProfileVariables(const std::wstring& profileFolder, const std::wstring& accountName) {
    UserVariables variables;
    if (!profileFolder.empty()) {
        variables.emplace_back(L"USERPROFILE", profileFolder);
        // "C:\\Users\\bob" is "C:" and "\\Users\\bob"; a share's profile has no drive of its own.
        if (profileFolder.size() > 2 && profileFolder[1] == L':' && profileFolder[2] == L'\\') {
            variables.emplace_back(L"HOMEDRIVE", profileFolder.substr(0, 2));
            variables.emplace_back(L"HOMEPATH", profileFolder.substr(2));
        }
    }
    if (!accountName.empty()) {
        variables.emplace_back(L"USERNAME", accountName);
    }
    return variables;
}

void AddEnvironmentKey(UserVariables& variables, const UserVariables& environmentKey) {
    const UserVariables known = variables;
    for (const auto& variable : environmentKey) {
        const std::wstring& name = variable.first;
        if (EqualsNoCaseAscii(name, L"Path")) {
            continue;
        }
        std::wstring value = WithUserVariables(variable.second, known).value_or(L"");
        const auto same = FindVariable(variables, name);
        if (same != variables.end()) {
            same->second = std::move(value);
        } else {
            variables.emplace_back(name, std::move(value));
        }
    }
}

}  // namespace tarn
