#include "fileinfo/image_path.h"

#include "base/key_text.h"
#include "fileinfo/file_facts_cache.h"
#include "fileinfo/image_path_rules.h"
#include "win/environment.h"

#include <windows.h>
#include <shlwapi.h>

namespace tarn {

namespace {

// Within a scan each candidate path is tested once, whatever entry's command it comes from, and
// folder listings answer for many (`trustUnlisted`: also where a listing only lacks the name).
bool CandidateExists(const std::wstring& path, bool trustUnlisted, bool& unlisted) {
    if (const auto cache = CurrentFileFacts()) {
        return cache->CandidateExists(path, trustUnlisted, unlisted);
    }
    return ::PathFileExistsW(path.c_str()) != FALSE;
}

// The 32-bit program folders of a 64-bit Windows, for what 32-bit programs registered.
std::wstring VariableSeenBy32BitProcess(const wchar_t* name) {
    if (EqualsNoCaseAscii(name, L"programfiles")) {
        const std::wstring folder = ReadEnvironmentVariable(L"ProgramFiles(x86)");
        return folder.empty() ? ReadEnvironmentVariable(name) : folder;
    }
    return ReadEnvironmentVariable(name);
}

std::wstring ReplaceNoCase(std::wstring text, const std::wstring& from, const std::wstring& to) {
    const std::wstring lower = LowerAscii(text);
    const std::wstring wanted = LowerAscii(from);
    std::wstring result;
    std::size_t start = 0;
    for (std::size_t hit = lower.find(wanted); hit != std::wstring::npos; hit = lower.find(wanted, start)) {
        result.append(text, start, hit - start).append(to);
        start = hit + wanted.size();
    }
    return result.append(text, start, std::wstring::npos);
}

std::optional<std::wstring> ExpandSeenBy32BitProcess(const std::wstring& command) {
    std::wstring text = command;
    for (const auto& [variable, folder] : {std::pair{L"%ProgramFiles%", L"ProgramFiles(x86)"},
                                           std::pair{L"%CommonProgramFiles%", L"CommonProgramFiles(x86)"}}) {
        const std::wstring value = ReadEnvironmentVariable(folder);
        if (!value.empty()) {
            text = ReplaceNoCase(text, variable, value);
        }
    }
    return ExpandEnvironmentText(text);
}

// The drive letter a volume device is mounted as ("\device\harddiskvolume3" -> "c:").
std::optional<std::wstring> DriveOfDevice(const std::wstring& device) {
    std::vector<wchar_t> target(1024, L'\0');
    for (wchar_t letter = L'a'; letter <= L'z'; ++letter) {
        const wchar_t drive[] = {letter, L':', L'\0'};
        const DWORD count = ::QueryDosDeviceW(drive, target.data(), static_cast<DWORD>(target.size()));
        if (count != 0 && EqualsNoCaseAscii(std::wstring(target.data()), device)) {
            return std::wstring(drive);
        }
    }
    return std::nullopt;
}

// The machine as the resolver sees it, for a program of the given view.
ImagePathEnvironment MachineEnvironment(bool wow32, bool trustUnlisted, bool& unlisted) {
    if (wow32) {
        // What a 32-bit program registered is found where a 32-bit process finds its files.
        return {VariableSeenBy32BitProcess,
                [trustUnlisted, &unlisted](const std::wstring& path) {
                    return CandidateExists(PathSeenBy32BitProcess(path, ReadEnvironmentVariable(L"systemroot")),
                                           trustUnlisted, unlisted);
                },
                ExpandSeenBy32BitProcess, DriveOfDevice};
    }
    return {
        [](const wchar_t* name) { return ReadEnvironmentVariable(name); },
        [trustUnlisted, &unlisted](const std::wstring& path) { return CandidateExists(path, trustUnlisted, unlisted); },
        [](const std::wstring& command) { return ExpandEnvironmentText(command); }, DriveOfDevice};
}

}  // namespace

int ResolveImagePath(AutoRunEntry* entry, const std::wstring& text, RegistryView view) {
    const bool wow32 = view == RegistryView::Wow32;
    bool unlisted = false;
    auto resolved = ResolveImagePathText(text, MachineEnvironment(wow32, true, unlisted));
    // A file hidden from folder listings (as by a rootkit) must still be found: a text that names
    // no file once listings answered is tried again with what they lacked asked of the system.
    if (!resolved && unlisted) {
        resolved = ResolveImagePathText(text, MachineEnvironment(wow32, false, unlisted));
    }
    if (!resolved) {
        return 0;
    }
    if (wow32) {
        resolved = PathSeenBy32BitProcess(*resolved, ReadEnvironmentVariable(L"systemroot"));
    }
    if (entry != nullptr) {
        entry->imagePath = *resolved;
    }
    return 1;
}

}  // namespace tarn
