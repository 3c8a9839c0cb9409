#include "model/boot_execute.h"

#include "base/list_value.h"

namespace tarn {

namespace {

constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kBootVerification[] = L"System\\CurrentControlSet\\Control\\BootVerificationProgram";
constexpr wchar_t kImagePath[] = L"ImagePath";

}  // namespace

int32_t CTarnAutoRunBootExecute::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kSessionManager, [&](RegKey& key, const ReadContext& at) {
        for (const wchar_t* list : kSessionManagerLists) {
            ReadItemList(key, list, at);
        }
    });
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kBootVerification,
                     [&](RegKey& key, const ReadContext& at) { ReadValueEntry(key, at, kImagePath); });
    return 0;
}

}  // namespace tarn
