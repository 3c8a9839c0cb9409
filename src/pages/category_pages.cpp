#include "pages/category_pages.h"

namespace tarn {

PageSet CreatePages() {
    return {std::make_unique<CAutoRunLogonPage>(),        std::make_unique<CAutoRunExplorerPage>(),
            std::make_unique<CAutoRunInternetPage>(),     std::make_unique<CAutoRunScheduledTasksPage>(),
            std::make_unique<CAutoRunServicesPage>(),     std::make_unique<CAutoRunDriversPage>(),
            std::make_unique<CAutoRunImageHijacksPage>(), std::make_unique<CAutoRunAppInitPage>(),
            std::make_unique<CAutoRunKnownDLLsPage>(),    std::make_unique<CAutoRunWinlogonPage>(),
            std::make_unique<CAutoRunWinsockPage>(),      std::make_unique<CAutoRunNetWorkPage>(),
            std::make_unique<CAutoRunPrintMonitorsPage>(), std::make_unique<CAutoRunShortMenuPage>()};
}

}  // namespace tarn
