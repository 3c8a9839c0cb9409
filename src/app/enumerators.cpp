#include "app/enumerators.h"

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

namespace tarn {

EnumeratorSet CreateEnumerators() {
    EnumeratorSet set;
    set[0] = std::make_unique<CTarnAutoRunLogon>();
    set[1] = std::make_unique<CTarnAutoRunExplorer>();
    set[2] = std::make_unique<CTarnAutoRunInternet>();
    set[3] = std::make_unique<CTarnAutoRunScheduledTasks>();
    set[4] = std::make_unique<CTarnAutoRunServices>();
    set[5] = std::make_unique<CTarnAutoRunDrivers>();
    set[6] = std::make_unique<CTarnAutoRunImageHijacks>();
    set[7] = std::make_unique<CTarnAutoRunAppInit>();
    set[8] = std::make_unique<CTarnAutoRunKnownDLLs>();
    set[9] = std::make_unique<CTarnAutoRunWinlogon>();
    set[10] = std::make_unique<CTarnAutoRunWinsock>();
    set[11] = std::make_unique<CTarnAutoRunNetWork>();
    set[12] = std::make_unique<CTarnAutoRunPrint>();
    set[13] = std::make_unique<CTarnAutoRunShortMenu>();
    return set;
}

}  // namespace tarn
