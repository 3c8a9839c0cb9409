// The floor of a scan of the benchmark's synthetic machine: the least work that lists the same
// rows. It walks the run keys (live and kept) and the service keys once, resolves each command
// once, reads each distinct file's facts once and verifies each distinct file once. Prints one row
// per entry ("category<TAB>name<TAB>image path") and, on the error output, what it read.
// usage: tarnfloor [--no-verify]
#include "app/console_output.h"
#include "base/registry_names.h"
#include "fileinfo/file_facts_cache.h"
#include "fileinfo/image_path.h"
#include "fileinfo/signature.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"
#include "model/service_walk.h"

#include <windows.h>
#include <shlwapi.h>

#include <map>
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
        for (const ServiceKeyRecord& key : ReadServiceKeys(services)) {
            const bool started = key.start && *key.start != 4;
            if (!key.opened || !key.hasObjectName || !(started || (key.kept && *key.kept != 4))) {
                continue;
            }
            if (key.serviceDll && Add(4, key.name, *key.serviceDll)) {
                continue;
            }
            if (key.imagePath) {
                Add(4, key.name, *key.imagePath);
            }
        }
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
