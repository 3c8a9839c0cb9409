#include "fileinfo/machine_files.h"

#include "fileinfo/file_facts.h"
#include "fileinfo/image_path.h"

namespace tarn {

namespace {

class Machine final : public EntryFiles {
public:
    std::optional<std::wstring> ImageOf(const std::wstring& commandText, RegistryView view) override {
        AutoRunEntry resolved;
        if (ResolveImagePath(&resolved, commandText, view) == 0) {
            return std::nullopt;
        }
        return std::move(resolved.imagePath);
    }

    void FillFacts(AutoRunEntry& entry) override { FillFileFacts(entry); }
};

}  // namespace

EntryFiles& MachineFiles() {
    static Machine machine;
    return machine;
}

}  // namespace tarn
