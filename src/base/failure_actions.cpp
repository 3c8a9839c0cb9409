#include "base/failure_actions.h"

#include "base/registry_data.h"

#include <cstdint>

namespace tarn {

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kCountOffset = 12;
constexpr std::size_t kActionBytes = 8;
constexpr uint32_t kRunCommand = 3;

template <typename Visit>
void ForEachAction(const unsigned char* data, std::size_t size, Visit visit) {
    if (size < kHeaderBytes) {
        return;
    }
    const uint32_t count = DwordFromBytes(data + kCountOffset, 4);
    const std::size_t room = (size - kHeaderBytes) / kActionBytes;
    for (std::size_t i = 0; i < count && i < room; ++i) {
        visit(DwordFromBytes(data + kHeaderBytes + i * kActionBytes, 4));
    }
}

}  // namespace

std::wstring FailureActionsText(const unsigned char* data, std::size_t size) {
    std::wstring text;
    ForEachAction(data, size, [&](uint32_t type) {
        const wchar_t* names[] = {L"无操作", L"重新启动服务", L"重新启动计算机", L"运行命令"};
        text += (text.empty() ? L"" : L", ") + std::wstring(type < 4 ? names[type] : L"未知操作");
    });
    return text;
}

bool FailureActionsRunCommand(const unsigned char* data, std::size_t size) {
    bool runs = false;
    ForEachAction(data, size, [&](uint32_t type) { runs = runs || type == kRunCommand; });
    return runs;
}

}  // namespace tarn
