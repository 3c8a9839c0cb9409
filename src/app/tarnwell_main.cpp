// The window program.
#include "app/bramble_app.h"
#include "app/scan_coordinator.h"
#include "win/system_calls.h"

#include <windows.h>

namespace {

// The coordinator's state lives as long as the process: set up before the application runs and
// released at its end.
struct ScanCoordinatorLifetime {
    ScanCoordinatorLifetime() {
        // Before anything loads a library: from here on only the system folder is searched.
        tarn::LoadLibrariesFromTheSystemFolderOnly();
        tarn::InitScanCoordinator();
    }
    ~ScanCoordinatorLifetime() { tarn::ShutdownScanCoordinator(); }
};

const ScanCoordinatorLifetime g_scanCoordinator;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    tarn::CBrambleApp app(instance);
    app.InitInstance();
    return 0;
}
