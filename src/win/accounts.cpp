#include "win/accounts.h"

#include "win/unique_handle.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <vector>

namespace tarn {

namespace {

struct LocalMemory {
    void* memory = nullptr;
    ~LocalMemory() { ::LocalFree(memory); }
};

}  // namespace

std::wstring CurrentUserSid() {
    unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) {
        return {};
    }
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    LocalMemory text;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    if (!::ConvertSidToStringSidW(user->User.Sid, reinterpret_cast<wchar_t**>(&text.memory))) {
        return {};
    }
    return static_cast<const wchar_t*>(text.memory);
}

std::wstring AccountNameOf(const std::wstring& sid) {
    LocalMemory binary;
    if (!::ConvertStringSidToSidW(sid.c_str(), &binary.memory)) {
        return sid;
    }
    std::vector<wchar_t> name(256, L'\0');
    std::vector<wchar_t> domain(256, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD nameCount = static_cast<DWORD>(name.size());
        DWORD domainCount = static_cast<DWORD>(domain.size());
        SID_NAME_USE use = SidTypeUnknown;
        if (::LookupAccountSidW(nullptr, binary.memory, name.data(), &nameCount, domain.data(), &domainCount, &use)) {
            name.back() = L'\0';
            return name[0] != L'\0' ? std::wstring(name.data()) : sid;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            break;
        }
        name.assign(std::max<std::size_t>(nameCount, name.size()) + 1, L'\0');
        domain.assign(std::max<std::size_t>(domainCount, domain.size()) + 1, L'\0');
    }
    return sid;
}

}  // namespace tarn
