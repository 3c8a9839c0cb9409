// The floor of a scan of the benchmark's synthetic machine: the least work that lists the same
// rows. It walks the run keys (live and kept) and the service keys once, resolves each command
// once, reads each distinct file's facts once and verifies each distinct file once. Prints one row
// per entry ("category<TAB>name<TAB>image path") and, on the error output, what it read.
// usage: tarnfloor [--no-verify]
#include "app/console_output.h"
#include "fileinfo/file_facts_cache.h"
#include "fileinfo/image_path.h"
#include "fileinfo/signature.h"
#include "model/reg_key.h"
#include "model/registry_names.h"
#include "model/registry_walk.h"

#include <windows.h>
#include <shlwapi.h>

#include <map>
#include <optional>
#include <string>

namespace {

using namespace tarn;

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kServices[] = L"System\\CurrentControlSet\\Services";

struct Floor {
    std::wstring rows;
    std::map<std::wstring, std::wstring> files;  // folded path -> path

    bool Add(int category, const std::wstring& name, const std::wstring& command) {
        AutoRunEntry entry;
        if (ResolveImagePath(&entry, command) == 0) {
            return false;
        }
        rows += std::to_wstring(category) + L"\t" + name + L"\t" + entry.imagePath + L"\n";
        files.emplace(FoldRegistryName(entry.imagePath), entry.imagePath);
        return true;
    }

    void RunKey(HKEY root, const std::wstring& path) {
        RegKey key;
        if (!key.OpenRead(root, path)) {
            return;
        }
        ForEachValue(key, [&](const RegValue& value) { Add(0, value.name, TextOf(value)); });
    }

    void Services() {
        RegKey services;
        if (!services.OpenRead(HKEY_LOCAL_MACHINE, kServices)) {
            return;
        }
        ForEachSubKeyName(services, [&](const std::wstring& name) {
            RegKey service;
            if (!service.OpenRead(services.handle(), name)) {
                return;
            }
            bool objectName = false;
            std::optional<DWORD> start;
            std::optional<DWORD> kept;
            std::optional<std::wstring> image;
            ForEachValue(service, [&](const RegValue& value) {
                if (SameRegistryName(value.name, L"ObjectName")) {
                    objectName = true;
                } else if (SameRegistryName(value.name, L"Start")) {
                    start = DwordOf(value);
                } else if (SameRegistryName(value.name, L"TarnAutoRunDisable")) {
                    kept = DwordOf(value);
                } else if (SameRegistryName(value.name, L"ImagePath")) {
                    image = TextOf(value);
                }
            });
            const bool started = start && *start != 4;
            if (!objectName || !(started || (kept && *kept != 4))) {
                return;
            }
            RegKey parameters;
            if (parameters.OpenRead(service.handle(), L"Parameters")) {
                const auto dll = FindValue(parameters, L"ServiceDll");
                if (dll.found() && Add(4, name, TextOf(dll.item))) {
                    return;
                }
            }
            if (image) {
                Add(4, name, *image);
            }
        });
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool verify = !(argc > 1 && std::wstring(argv[1]) == L"--no-verify");
    if (verify) {
        InitSignatureVerifier();
    }
    Floor floor;
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        floor.RunKey(root, kRun);
        floor.RunKey(root, std::wstring(kRun) + L"\\TarnAutoRunDisable");
    }
    floor.Services();
    std::size_t verifications = 0;
    for (const auto& file : floor.files) {
        ReadFileFacts(file.second);
        if (verify && ::PathFileExistsW(file.second.c_str())) {
            VerifyFileFacts(file.second);
            ++verifications;
        }
    }
    WriteText(STD_OUTPUT_HANDLE, floor.rows);
    WriteText(STD_ERROR_HANDLE, L"floor: reads " + std::to_wstring(floor.files.size()) + L", verifications " +
                                    std::to_wstring(verifications) + L"\r\n");
    if (verify) {
        ReleaseSignatureVerifier();
    }
    return 0;
}
