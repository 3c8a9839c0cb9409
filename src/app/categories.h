#pragma once

#include <cstddef>

namespace tarn {

constexpr std::size_t kCategoryCount = 14;

// Tab captions, in tab order (tab index 0 to 13).
constexpr const wchar_t* kCategoryCaptions[kCategoryCount] = {
    L"登录启动", L"资源管理器", L"网络浏览器", L"任务计划", L"系统服务", L"驱动服务", L"映像劫持",
    L"程序初始化", L"默认装载库", L"登录通知", L"套接字服务", L"网络服务", L"打印监视", L"快捷方式",
};

}  // namespace tarn
