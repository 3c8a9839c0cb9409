#include "pages/category_table.h"

#include "resource_ids.h"

#ifdef _WIN32
#include "model/appinit.h"
#include "model/explorer.h"
#include "model/image_hijacks.h"
#include "model/internet.h"
#include "model/known_dlls.h"
#include "model/logon.h"
#include "model/network_print.h"
#include "model/scheduled_tasks.h"
#include "model/services.h"
#include "model/short_menu.h"
#include "model/winlogon.h"
#include "model/winsock.h"
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
constexpr KindPlan kShortcuts = {{O::EnableShortcut, F::KeyPath},
                                 {O::DisableShortcut, F::KeyPath},
                                 {O::DeleteShortcut, F::KeyPath},
                                 false};
constexpr KindPlan kWinsock = {{O::Ignored, F::SubKeyName},
                               {O::Ignored, F::SubKeyName},
                               {O::DeleteKeyTreeEntry, F::SubKeyName},
                               false};
constexpr KindPlan kNothing = {};

constexpr PageTraits kPaused = {ColumnSet::Standard, true, 20, false};
constexpr PageTraits kTaskPage = {ColumnSet::Tasks, true, 20, false};
constexpr MenuRules kAllItems = {};

// clang-format off
const std::array<CategoryRow, kCategoryCount> kTable = {{
    {L"登录启动", IDI_TAB_LOGON, WM_TARN_SCAN_LOGON, {ColumnSet::Standard, true, 0, true}, kAllItems, &kEntryTexts,
     {Values(F::Name, false), {}, {}, ListItems(true), {}}, TARN_ENUMERATOR(CTarnAutoRunLogon)},
    {L"资源管理器", IDI_TAB_EXPLORER, WM_TARN_SCAN_EXPLORER, {ColumnSet::Standard, true, 0, false}, kAllItems,
     &kEntryTexts, {Values(F::ValueName, false), {}, KeyTrees(true), {}, {}}, TARN_ENUMERATOR(CTarnAutoRunExplorer)},
    {L"网络浏览器", IDI_TAB_INTERNET, WM_TARN_SCAN_INTERNET, kPaused, kAllItems, &kEntryTexts,
     {Values(F::ValueName, false), {}, Keys(F::SubKeyName, true), {}, {}}, TARN_ENUMERATOR(CTarnAutoRunInternet)},
    {L"任务计划", IDI_TAB_TASKS, WM_TARN_SCAN_TASKS, kTaskPage, {true, true, false, true}, &kTaskTexts, AnyKind(kTasks),
     TARN_ENUMERATOR(CTarnAutoRunScheduledTasks)},
    {L"系统服务", IDI_TAB_SERVICES, WM_TARN_SCAN_SERVICES, kPaused, kAllItems, &kEntryTexts, AnyKind(kServices),
     TARN_ENUMERATOR(CTarnAutoRunServices)},
    {L"驱动服务", IDI_TAB_DRIVERS, WM_TARN_SCAN_DRIVERS, {ColumnSet::Standard, true, 20, true}, kAllItems,
     &kEntryTexts, AnyKind(kServices), TARN_ENUMERATOR(CTarnAutoRunDrivers)},
    // Five columns, no signature check.
    {L"映像劫持", IDI_TAB_HIJACKS, WM_TARN_SCAN_HIJACKS, {ColumnSet::WithoutSignature, false, 20, false}, kAllItems,
     &kEntryTexts, AnyKind(Keys(F::Name, false)), TARN_ENUMERATOR(CTarnAutoRunImageHijacks)},
    {L"程序初始化", IDI_TAB_APPINIT, WM_TARN_SCAN_APPINIT, kPaused, kAllItems, &kEntryTexts, AnyKind(ListItems(false)),
     TARN_ENUMERATOR(CTarnAutoRunAppInit)},
    {L"默认装载库", IDI_TAB_KNOWNDLLS, WM_TARN_SCAN_KNOWNDLLS, kPaused, kAllItems, &kEntryTexts,
     AnyKind(Values(F::Name, false)), TARN_ENUMERATOR(CTarnAutoRunKnownDLLs)},
    {L"登录通知", IDI_TAB_WINLOGON, WM_TARN_SCAN_WINLOGON, kPaused, kAllItems, &kEntryTexts,
     {Values(F::ValueName, true), {}, KeyTrees(true), ListItems(false), {}}, TARN_ENUMERATOR(CTarnAutoRunWinlogon)},
    {L"套接字服务", IDI_TAB_WINSOCK, WM_TARN_SCAN_WINSOCK, kPaused, {false, true, true, true}, &kEntryTexts,
     AnyKind(kWinsock), TARN_ENUMERATOR(CTarnAutoRunWinsock)},
    {L"网络服务", IDI_TAB_NETWORK, WM_TARN_SCAN_NETWORK, kPaused, {false, false, true, true}, &kEntryTexts,
     AnyKind(kNothing), TARN_ENUMERATOR(CTarnAutoRunNetWork)},
    {L"打印监视", IDI_TAB_PRINT, WM_TARN_SCAN_PRINT, kPaused, kAllItems, &kEntryTexts, AnyKind(KeyTrees(false)),
     TARN_ENUMERATOR(CTarnAutoRunPrint)},
    // Shortcuts have no switched-off form of their own.
    {L"快捷方式", IDI_TAB_SHORTCUTS, WM_TARN_SCAN_SHORTCUTS, kPaused, {true, true, false, false}, &kEntryTexts,
     AnyKind(kShortcuts), TARN_ENUMERATOR(CTarnAutoRunShortMenu)},
}};
// clang-format on

}  // namespace

const std::array<CategoryRow, kCategoryCount>& CategoryTable() {
    return kTable;
}

const CategoryRow* CategoryRowOf(int32_t categoryId) {
    const std::size_t tab = TabOfCategoryId(categoryId);
    return tab < kCategoryCount ? &kTable[tab] : nullptr;
}

}  // namespace tarn
