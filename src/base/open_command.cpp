#include "base/open_command.h"

namespace tarn {

std::wstring CommandForFile(const std::wstring& commandTemplate, const std::wstring& path) {
    std::wstring command;
    bool namedFile = false;
    for (std::size_t i = 0; i < commandTemplate.size(); ++i) {
        const wchar_t c = commandTemplate[i];
        if (c != L'%' || i + 1 == commandTemplate.size()) {
            command.push_back(c);
            continue;
        }
        const wchar_t next = commandTemplate[++i];
        if (next == L'1' || next == L'l' || next == L'L') {
            const bool quoted = i >= 2 && commandTemplate[i - 2] == L'"';
            const bool bare = !quoted && path.find(L' ') != std::wstring::npos;
            command += bare ? L"\"" + path + L"\"" : path;
            namedFile = true;
        } else if (next == L'%') {
            command.push_back(L'%');
        } else if (next != L'*' && !(next >= L'2' && next <= L'9')) {
            // Anything else (an environment variable, %I) stays as it is.
            command.push_back(c);
            command.push_back(next);
        }
    }
    while (!command.empty() && command.back() == L' ') {
        command.pop_back();
    }
    if (!namedFile) {
        command += (command.empty() ? L"\"" : L" \"") + path + L"\"";
    }
    return command;
}

}  // namespace tarn
