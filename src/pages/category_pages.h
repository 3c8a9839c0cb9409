#pragma once

#include "base/categories.h"
#include "pages/autorun_page.h"

#include <array>
#include <memory>

namespace tarn {

// One page class per category; they differ only by their row of the category table.
template <std::size_t Tab>
class CCategoryPage final : public CAutoRunPage {
public:
    explicit CCategoryPage(PageScanLink& link) : CAutoRunPage(Tab, link) {}
};

using CAutoRunLogonPage = CCategoryPage<kLogonTab>;
using CAutoRunExplorerPage = CCategoryPage<kExplorerTab>;
using CAutoRunInternetPage = CCategoryPage<kInternetTab>;
using CAutoRunScheduledTasksPage = CCategoryPage<kTasksTab>;
using CAutoRunServicesPage = CCategoryPage<kServicesTab>;
using CAutoRunDriversPage = CCategoryPage<kDriversTab>;
using CAutoRunImageHijacksPage = CCategoryPage<kHijacksTab>;
using CAutoRunAppInitPage = CCategoryPage<kAppInitTab>;
using CAutoRunKnownDLLsPage = CCategoryPage<kKnownDllsTab>;
using CAutoRunWinlogonPage = CCategoryPage<kWinlogonTab>;
using CAutoRunWinsockPage = CCategoryPage<kWinsockTab>;
using CAutoRunNetWorkPage = CCategoryPage<kNetworkTab>;
using CAutoRunPrintMonitorsPage = CCategoryPage<kPrintTab>;
using CAutoRunShortMenuPage = CCategoryPage<kShortcutsTab>;

using PageSet = std::array<std::unique_ptr<CAutoRunPage>, kCategoryCount>;
using PageLinks = std::array<PageScanLink, kCategoryCount>;

// One page of each class, in tab order, each linked to its own part of the scan.
PageSet CreatePages(PageLinks& links);

}  // namespace tarn
