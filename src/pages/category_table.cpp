#include "pages/category_table.h"

#ifdef _WIN32
#include "model/appinit.h"
#include "model/boot_execute.h"
#include "model/explorer.h"
#include "model/image_hijacks.h"
#include "model/internet.h"
#include "model/known_dlls.h"
#include "model/logon.h"
#include "model/network_print.h"
#include "model/office_addins.h"
#include "model/scheduled_tasks.h"
#include "model/security_providers.h"
#include "model/services.h"
#include "model/short_menu.h"
#include "model/winlogon.h"
#include "model/winsock.h"
#include "model/wmi_subscriptions.h"
#endif

namespace tarn {

namespace {

#ifdef _WIN32
template <typename Enumerator>
std::unique_ptr<CTarnAutoRunBase> Make(EntryFiles& files) {
    return std::make_unique<Enumerator>(files);
}
#define TARN_ENUMERATOR(type) &Make<type>
#else
// Built for the host, the table serves the portable tests of the pages' logic: no enumerators.
#define TARN_ENUMERATOR(type) nullptr
#endif

using O = Operation;
using F = NameField;

constexpr KindPlan Values(NameField field, bool confirms) {
    return {{O::EnableValue, field}, {O::DisableValue, field}, {O::DeleteValueEntry, field}, confirms};
}
constexpr KindPlan ListItems(bool confirms) {
    return {{O::EnableListItem, F::Name}, {O::DisableListItem, F::Name}, {O::DeleteListItem, F::Name}, confirms};
}
constexpr KindPlan KeyTrees(bool confirms) {
    return {{O::EnableKeyTree, F::SubKeyName},
            {O::DisableKeyTree, F::SubKeyName},
            {O::DeleteKeyTreeEntry, F::SubKeyName},
            confirms};
}
constexpr KindPlan Keys(NameField deleteField, bool confirms) {
    return {{O::EnableKey, F::SubKeyName}, {O::DisableKey, F::SubKeyName}, {O::DeleteKeyEntry, deleteField}, confirms};
}
constexpr KindPlan kServices = {{O::EnableService, F::SubKeyName},
                                {O::DisableService, F::SubKeyName},
                                {O::DeleteService, F::Name},
                                false};
constexpr KindPlan kTasks = {{O::EnableTask, F::Name}, {O::DisableTask, F::Name}, {O::DeleteTask, F::Name}, false};
// A task hidden from the scheduler has no switch the scheduler would honour: it is only deleted.
constexpr KindPlan kCachedTasks = {{O::Ignored, F::KeyPath},
                                   {O::Ignored, F::KeyPath},
                                   {O::DeleteCachedTask, F::KeyPath},
                                   false,
                                   false};
constexpr KindPlan kShortcuts = {{O::EnableShortcut, F::KeyPath},
                                 {O::DisableShortcut, F::KeyPath},
                                 {O::DeleteShortcut, F::KeyPath},
                                 false,
                                 false};
constexpr KindPlan kStartupFiles = {{O::EnableStartupFile, F::KeyPath},
                                    {O::DisableStartupFile, F::KeyPath},
                                    {O::DeleteShortcut, F::KeyPath},
                                    false};
constexpr KindPlan kWinsock = {{O::Ignored, F::SubKeyName},
                               {O::Ignored, F::SubKeyName},
                               {O::DeleteKeyTreeEntry, F::SubKeyName},
                               false};
// Network providers are neither switched nor deleted (but for one whose file is gone, which the
// menu offers to delete and nothing then changes).
constexpr KindPlan kNothing = {};
// A binding has no switched-off form: it is kept in a file when deleted.
constexpr KindPlan kWmiBindings = {{O::Ignored, F::ValueName},
                                   {O::Ignored, F::ValueName},
                                   {O::DeleteWmiBinding, F::ValueName},
                                   true,
                                   false};

// Rows name one field per line: the build reads `.name` and `.tabIcon` from them.
const std::array<CategoryRow, kCategoryCount> kTable = {{
    {
        .name = "Logon",
        .tabIcon = "apps/preferences-system-session",
        .caption = L"登录启动",
        .technique = L"T1547.001",
        .page = {.pauseMs = 0, .redrawsEachRow = true},
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::Name, false), .listItem = ListItems(true)},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunLogon),
    },
    {
        .name = "Explorer",
        .tabIcon = "apps/system-file-manager",
        .caption = L"资源管理器",
        .technique = L"T1546.015",
        .page = {.pauseMs = 0},
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::ValueName, false), .key = KeyTrees(true)},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunExplorer),
    },
    {
        .name = "Internet",
        .tabIcon = "apps/internet-web-browser",
        .caption = L"网络浏览器",
        .technique = L"T1176",
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::ValueName, false), .key = Keys(F::SubKeyName, true)},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunInternet),
    },
    {
        .name = "Tasks",
        .tabIcon = "apps/office-calendar",
        .caption = L"任务计划",
        .technique = L"T1053.005",
        .page = {.columns = ColumnSet::Tasks},
        .menu = {.locatesInRegistry = false},
        .texts = &kTaskTexts,
        .plans = {kTasks, kTasks, kTasks, kTasks, kTasks, kTasks, kCachedTasks},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunScheduledTasks),
    },
    {
        .name = "Services",
        .tabIcon = "categories/applications-system",
        .caption = L"系统服务",
        .technique = L"T1543.003",
        .texts = &kEntryTexts,
        .plans = AnyKind(kServices).WithValues(Values(F::ValueName, false)),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunServices),
    },
    {
        .name = "Drivers",
        .tabIcon = "devices/drive-harddisk",
        .caption = L"驱动服务",
        .technique = L"T1543.003",
        .page = {.redrawsEachRow = true},
        .texts = &kEntryTexts,
        .plans = AnyKind(kServices),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunDrivers),
    },
    // Five columns, no signature check.
    {
        .name = "Hijacks",
        .tabIcon = "actions/go-jump",
        .caption = L"映像劫持",
        .technique = L"T1546.012",
        .page = {.columns = ColumnSet::WithoutSignature, .verifiesSignatures = false},
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::ValueName, false), .key = Keys(F::Name, false)},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunImageHijacks),
    },
    {
        .name = "AppInit",
        .tabIcon = "categories/applications-development",
        .caption = L"程序初始化",
        .technique = L"T1546.010",
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::ValueName, false), .listItem = ListItems(false)},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunAppInit),
    },
    {
        .name = "KnownDlls",
        .tabIcon = "mimetypes/package-x-generic",
        .caption = L"默认装载库",
        .technique = L"T1574.001",
        .texts = &kEntryTexts,
        .plans = AnyKind(Values(F::Name, false)),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunKnownDLLs),
    },
    {
        .name = "Winlogon",
        .tabIcon = "apps/preferences-desktop-screensaver",
        .caption = L"登录通知",
        .technique = L"T1547.004",
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::ValueName, true), .key = KeyTrees(true), .listItem = ListItems(false)},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunWinlogon),
    },
    // Providers are deleted, never switched; the autodial DLL is a value like any other.
    {
        .name = "Winsock",
        .tabIcon = "devices/network-wired",
        .caption = L"套接字服务",
        .technique = L"T1547",
        .texts = &kEntryTexts,
        .plans = AnyKind(kWinsock).WithValues(Values(F::ValueName, false)),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunWinsock),
    },
    {
        .name = "Network",
        .tabIcon = "places/network-workgroup",
        .caption = L"网络服务",
        .technique = L"T1556.008",
        .texts = &kEntryTexts,
        .plans = AnyKind(kNothing).WithValues(Values(F::ValueName, false)),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunNetWork),
    },
    {
        .name = "Print",
        .tabIcon = "devices/printer",
        .caption = L"打印监视",
        .technique = L"T1547.010",
        .texts = &kEntryTexts,
        .plans = AnyKind(KeyTrees(false)),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunPrint),
    },
    // Shortcuts have no switched-off form of their own; the files of a Startup folder do.
    {
        .name = "Shortcuts",
        .tabIcon = "emblems/emblem-symbolic-link",
        .caption = L"快捷方式",
        .technique = L"T1547.009",
        .menu = {.locatesInRegistry = false},
        .texts = &kEntryTexts,
        .plans = {.other = kShortcuts, .startupFile = kStartupFiles},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunShortMenu),
    },
    // Beyond the first fourteen: places whole families of malware use.
    {
        .name = "BootExecute",
        .tabIcon = "apps/utilities-terminal",
        .caption = L"引导执行",
        .technique = L"T1547.001",
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::Name, false), .listItem = ListItems(false)},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunBootExecute),
    },
    {
        .name = "SecurityProviders",
        .tabIcon = "actions/system-lock-screen",
        .caption = L"安全提供者",
        .technique = L"T1547.005",
        .texts = &kEntryTexts,
        .plans = AnyKind(ListItems(false)),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunSecurityProviders),
    },
    {
        .name = "Office",
        .tabIcon = "mimetypes/x-office-document",
        .caption = L"Office 加载项",
        .technique = L"T1137",
        .texts = &kEntryTexts,
        .plans = {.value = Values(F::ValueName, false), .key = KeyTrees(false), .startupFile = kStartupFiles},
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunOfficeAddins),
    },
    {
        .name = "Wmi",
        .tabIcon = "apps/utilities-system-monitor",
        .caption = L"WMI 订阅",
        .technique = L"T1546.003",
        .menu = {.switches = false, .locatesInRegistry = false},
        .texts = &kEntryTexts,
        .plans = AnyKind(kWmiBindings),
        .makeEnumerator = TARN_ENUMERATOR(CTarnAutoRunWmiSubscriptions),
    },
}};

}  // namespace

const std::array<CategoryRow, kCategoryCount>& CategoryTable() {
    return kTable;
}

const CategoryRow* CategoryRowOf(int32_t categoryId) {
    const std::size_t tab = TabOfCategoryId(categoryId);
    return tab < kCategoryCount ? &kTable[tab] : nullptr;
}

}  // namespace tarn
