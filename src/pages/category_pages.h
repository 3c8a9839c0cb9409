#pragma once

#include "app/categories.h"
#include "pages/autorun_page.h"

#include <array>
#include <memory>

namespace tarn {

// The fourteen pages, one class per category. What they share is the base; how they fill differs
// only by their traits.
class CAutoRunLogonPage : public CAutoRunPage {
public:
    CAutoRunLogonPage() : CAutoRunPage(kPageTraits[0]) {}
};
class CAutoRunExplorerPage : public CAutoRunPage {
public:
    CAutoRunExplorerPage() : CAutoRunPage(kPageTraits[1]) {}
};
class CAutoRunInternetPage : public CAutoRunPage {
public:
    CAutoRunInternetPage() : CAutoRunPage(kPageTraits[2]) {}
};
class CAutoRunScheduledTasksPage : public CAutoRunPage {
public:
    CAutoRunScheduledTasksPage() : CAutoRunPage(kPageTraits[3]) {}
};
class CAutoRunServicesPage : public CAutoRunPage {
public:
    CAutoRunServicesPage() : CAutoRunPage(kPageTraits[4]) {}
};
class CAutoRunDriversPage : public CAutoRunPage {
public:
    CAutoRunDriversPage() : CAutoRunPage(kPageTraits[5]) {}
};
class CAutoRunImageHijacksPage : public CAutoRunPage {
public:
    CAutoRunImageHijacksPage() : CAutoRunPage(kPageTraits[6]) {}
};
class CAutoRunAppInitPage : public CAutoRunPage {
public:
    CAutoRunAppInitPage() : CAutoRunPage(kPageTraits[7]) {}
};
class CAutoRunKnownDLLsPage : public CAutoRunPage {
public:
    CAutoRunKnownDLLsPage() : CAutoRunPage(kPageTraits[8]) {}
};
class CAutoRunWinlogonPage : public CAutoRunPage {
public:
    CAutoRunWinlogonPage() : CAutoRunPage(kPageTraits[9]) {}
};
class CAutoRunWinsockPage : public CAutoRunPage {
public:
    CAutoRunWinsockPage() : CAutoRunPage(kPageTraits[10]) {}
};
class CAutoRunNetWorkPage : public CAutoRunPage {
public:
    CAutoRunNetWorkPage() : CAutoRunPage(kPageTraits[11]) {}
};
class CAutoRunPrintMonitorsPage : public CAutoRunPage {
public:
    CAutoRunPrintMonitorsPage() : CAutoRunPage(kPageTraits[12]) {}
};
class CAutoRunShortMenuPage : public CAutoRunPage {
public:
    CAutoRunShortMenuPage() : CAutoRunPage(kPageTraits[13]) {}
};

using PageSet = std::array<std::unique_ptr<CAutoRunPage>, kCategoryCount>;

// One page of each class, in tab order.
PageSet CreatePages();

}  // namespace tarn
