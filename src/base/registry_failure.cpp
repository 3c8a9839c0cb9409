#include "base/registry_failure.h"

#include <cwchar>

namespace tarn {

std::wstring RegistryFailureText(long code) {
    const wchar_t* name = nullptr;
    switch (code) {
        case 5:
            name = L"拒绝访问";
            break;
        case 1009:
        case 1015:
            name = L"注册表已损坏";
            break;
        case 1018:
            name = L"键已被删除";
            break;
        case 1450:
            name = L"系统资源不足";
            break;
        default:
            break;
    }
    const std::wstring number = L"错误 " + std::to_wstring(code);
    return name != nullptr ? std::wstring(name) + L"（" + number + L"）" : number;
}

std::wstring HresultText(long hr) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace tarn
