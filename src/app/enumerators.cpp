#include "app/enumerators.h"

#include "model/appinit.h"
#include "model/image_hijacks.h"
#include "model/known_dlls.h"
#include "model/logon.h"
#include "model/services.h"

namespace tarn {

EnumeratorSet CreateEnumerators() {
    EnumeratorSet set;
    set[0] = std::make_unique<CTarnAutoRunLogon>();
    set[4] = std::make_unique<CTarnAutoRunServices>();
    set[5] = std::make_unique<CTarnAutoRunDrivers>();
    set[6] = std::make_unique<CTarnAutoRunImageHijacks>();
    set[7] = std::make_unique<CTarnAutoRunAppInit>();
    set[8] = std::make_unique<CTarnAutoRunKnownDLLs>();
    return set;
}

}  // namespace tarn
