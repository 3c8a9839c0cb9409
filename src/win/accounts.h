#pragma once

#include <string>

namespace tarn {

// The SID of the account this process runs as ("S-1-5-21-…"); empty when it cannot be told.
std::wstring CurrentUserSid();

// The account name a SID stands for (without its domain), or the SID itself when it names no
// account this machine knows (a deleted user, a profile copied from elsewhere).
std::wstring AccountNameOf(const std::wstring& sid);

}  // namespace tarn
