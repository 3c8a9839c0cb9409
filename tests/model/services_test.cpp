#include "fileinfo/machine_files.h"
#include "model/services.h"

#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"
#include "model/service_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::Describe;
using test::Expected;
using test::Names;
using test::WriteDword;
using test::WriteString;

class ServicesTest : public CategoryTest {
protected:
    // A service key; `objectName` makes it a service rather than a driver.
    void AddService(const std::wstring& name, bool objectName, const std::wstring& imagePath) {
        const std::wstring key = kServices + L"\\" + name;
        if (objectName) {
            WriteString(HKEY_LOCAL_MACHINE, key, L"ObjectName", L"LocalSystem");
        }
        WriteString(HKEY_LOCAL_MACHINE, key, L"ImagePath", imagePath, REG_EXPAND_SZ);
    }
    void SetStart(const std::wstring& name, DWORD start) {
        WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\" + name, L"Start", start);
    }

    CTarnAutoRunServices services{MachineFiles()};
    CTarnAutoRunDrivers drivers{MachineFiles()};
};

TEST_F(ServicesTest, OneSharedWalkGivesBothCategoriesWhatTheirOwnWalksGive) {
    const std::wstring host = File(L"WINDOWS\\system32\\svchost.exe");
    const std::wstring dll = File(L"WINDOWS\\system32\\worker.dll");
    File(L"WINDOWS\\system32\\drivers\\beep.sys");
    for (int k = 0; k < 6; ++k) {
        const std::wstring name = L"Svc" + std::to_wstring(k);
        AddService(name, k % 2 == 0, k % 3 == 0 ? L"system32\\DRIVERS\\beep.sys" : host + L" -k group");
        SetStart(name, k == 4 ? 4 : 2);
        if (k == 2) {
            WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\" + name + L"\\Parameters", L"ServiceDll", dll);
        }
        if (k == 4) {
            WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\" + name, L"TarnAutoRunDisable", 3);
        }
    }
    const auto describeAll = [](const CTarnAutoRunBase& category) {
        std::vector<std::wstring> described;
        for (const auto& entry : category.results().entries) {
            described.push_back(Describe(*entry) + L" state " + std::to_wstring(entry->state));
        }
        return described;
    };
    services.Enumerate();
    drivers.Enumerate();
    const auto ownServices = describeAll(services);
    const auto ownDrivers = describeAll(drivers);
    ASSERT_EQ(3u, ownServices.size());
    ASSERT_EQ(3u, ownDrivers.size());

    CTarnAutoRunServices sharedServices{MachineFiles()};
    CTarnAutoRunDrivers sharedDrivers{MachineFiles()};
    {
        const ServiceWalkScope scan;
        sharedServices.Enumerate();
        sharedDrivers.Enumerate();
    }
    EXPECT_EQ(ownServices, describeAll(sharedServices));
    EXPECT_EQ(ownDrivers, describeAll(sharedDrivers));
}

TEST_F(ServicesTest, ObjectNameTellsServicesFromDrivers) {
    const std::wstring host = File(L"WINDOWS\\system32\\svchost.exe");
    File(L"WINDOWS\\system32\\drivers\\beep.sys");
    AddService(L"Worker", true, L"%SystemRoot%\\system32\\svchost.exe -k netsvcs");
    SetStart(L"Worker", 2);
    AddService(L"Beep", false, L"system32\\DRIVERS\\beep.sys");
    SetStart(L"Beep", 1);

    services.Enumerate();
    drivers.Enumerate();
    ASSERT_EQ(1u, services.results().entries.size());
    ASSERT_EQ(1u, drivers.results().entries.size());
    const std::wstring location = L"HKLM\\" + kServices;
    EXPECT_EQ(Describe(Expected{L"Worker", L"%SystemRoot%\\system32\\svchost.exe -k netsvcs",
                                root + L"\\system32\\svchost.exe", location, location + L"\\Worker", L"", L"Worker",
                                KindService, LocateKey}),
              Describe(*services.results().entries[0]));
    EXPECT_EQ(Describe(Expected{L"Beep", L"system32\\DRIVERS\\beep.sys", root + L"\\system32\\drivers\\beep.sys",
                                location, location + L"\\Beep", L"", L"Beep", KindService, LocateKey}),
              Describe(*drivers.results().entries[0]));
    EXPECT_EQ(LowerAscii(host), LowerAscii(services.results().entries[0]->imagePath));
}

TEST_F(ServicesTest, StartFourIsListedOnlyWithAStoreValue) {
    File(L"WINDOWS\\System32\\drivers\\off.sys");
    File(L"WINDOWS\\System32\\drivers\\parked.sys");
    File(L"WINDOWS\\System32\\drivers\\nostart.sys");
    AddService(L"Off", false, L"off");
    SetStart(L"Off", 4);
    AddService(L"Parked", false, L"parked");
    SetStart(L"Parked", 4);
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Parked", L"TarnAutoRunDisable", 1);
    AddService(L"NoStart", false, L"nostart");
    AddService(L"ParkedAsFour", false, L"off");
    SetStart(L"ParkedAsFour", 4);
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\ParkedAsFour", L"TarnAutoRunDisable", 4);

    drivers.Enumerate();
    ASSERT_EQ(std::vector<std::wstring>{L"Parked"}, Names(drivers));
    EXPECT_EQ(EntryDisabled, drivers.results().entries[0]->state);
    EXPECT_EQ(L"HKLM\\" + kServices, drivers.results().entries[0]->location);
}

TEST_F(ServicesTest, ServiceDllIsPreferredAndFallsBackToImagePath) {
    File(L"WINDOWS\\system32\\svchost.exe");
    File(L"WINDOWS\\system32\\shared.dll");
    AddService(L"Shared", true, L"%SystemRoot%\\system32\\svchost.exe -k shared");
    SetStart(L"Shared", 3);
    WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\Shared\\Parameters", L"ServiceDll",
                L"%SystemRoot%\\system32\\shared.dll", REG_EXPAND_SZ);
    AddService(L"Broken", true, L"%SystemRoot%\\system32\\svchost.exe -k broken");
    SetStart(L"Broken", 3);
    WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\Broken\\Parameters", L"ServiceDll", L"c:\\gone\\missing.dll");

    services.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"Broken", L"Shared"}), Names(services));
    const AutoRunEntry& broken = *services.results().entries[0];
    const AutoRunEntry& shared = *services.results().entries[1];
    EXPECT_EQ(L"%SystemRoot%\\system32\\shared.dll", shared.commandLine);
    EXPECT_EQ(root + L"\\system32\\shared.dll", shared.imagePath);
    EXPECT_EQ(L"%SystemRoot%\\system32\\svchost.exe -k broken", broken.commandLine);
    EXPECT_EQ(root + L"\\system32\\svchost.exe", broken.imagePath);
}

TEST_F(ServicesTest, UnresolvableAndStartlessKeysAreLeftOut) {
    AddService(L"Ghost", true, L"c:\\nowhere\\ghost.exe");
    SetStart(L"Ghost", 2);
    WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\Bare", L"ObjectName", L"LocalSystem");
    File(L"WINDOWS\\System32\\drivers\\bare.sys");
    WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\BareDriver", L"ImagePath", L"bare");
    services.Enumerate();
    drivers.Enumerate();
    EXPECT_TRUE(services.results().entries.empty());
    EXPECT_TRUE(drivers.results().entries.empty());
}

TEST_F(ServicesTest, EntriesFollowTheRegistrysSubkeyOrder) {
    File(L"WINDOWS\\System32\\drivers\\x.sys");
    const std::vector<std::wstring> created = {L"zeta", L"Alpha", L"_under", L"beta", L"Mid"};
    for (const auto& name : created) {
        AddService(name, false, L"x");
        SetStart(name, 3);
    }
    std::vector<std::wstring> registryOrder;
    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kServices));
    for (DWORD i = 0; i < key.SubKeyCount(); ++i) {
        registryOrder.push_back(key.SubKeyName(i));
    }
    drivers.Enumerate();
    EXPECT_EQ(registryOrder, Names(drivers));
    EXPECT_EQ(created.size(), registryOrder.size());
}

TEST_F(ServicesTest, MissingKeyAndRescan) {
    services.Enumerate();
    EXPECT_TRUE(services.results().entries.empty());

    File(L"WINDOWS\\system32\\svc.exe");
    AddService(L"Svc", true, L"%SystemRoot%\\system32\\svc.exe");
    SetStart(L"Svc", 2);
    services.ClearResults();
    services.Enumerate();
    const auto first = test::ExpectSameAfterRescan(services);
    EXPECT_EQ(1u, first.size());
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// The forms real machines' Services keys hold: each names its file, for drivers and services.
TEST_F(ServicesTest, EveryObjectPathFormNamesItsFile) {
    const std::wstring driver = File(L"WINDOWS\\System32\\drivers\\nt.sys");
    const std::wstring host = File(L"WINDOWS\\System32\\svchost.exe");
    const std::wstring drive = root.substr(0, 2);
    const std::wstring belowDrive = root.substr(2);
    struct Form {
        const wchar_t* name;
        std::wstring imagePath;
        bool service;
        std::wstring file;
    };
    std::vector<Form> forms = {
        {L"Qq",
         L"\\?"
         L"?\\" +
             root + L"\\System32\\drivers\\nt.sys",
         false, driver},
        {L"DosDevices", L"\\DosDevices\\" + root + L"\\system32\\DRIVERS\\nt.sys", false, driver},
        {L"Global",
         L"\\GLOBAL?"
         L"?\\" +
             root + L"\\System32\\drivers\\nt.sys",
         false, driver},
        {L"Long", L"\\\\?\\" + root + L"\\System32\\drivers\\nt.sys", false, L"\\\\?\\" + driver},
        {L"SystemRoot", L"\\SystemRoot\\System32\\drivers\\nt.sys", false, driver},
        {L"Relative", L"System32\\drivers\\nt.sys", false, driver},
        {L"QqService",
         L"\\?"
         L"?\\" +
             root + L"\\System32\\svchost.exe -k netsvcs",
         true, host},
        {L"RootService", L"\\SystemRoot\\System32\\svchost.exe -k LocalService", true, host},
        {L"RelativeService", L"system32\\svchost.exe -k LocalSystemNetworkRestricted", true, host},
    };
    // The volume's own device name, where this system tells it.
    wchar_t device[512] = {};
    if (::QueryDosDeviceW(drive.c_str(), device, 512) != 0 && std::wstring(device).rfind(L"\\Device\\", 0) == 0) {
        forms.push_back({L"Volume", std::wstring(device) + belowDrive + L"\\System32\\drivers\\nt.sys", false, driver});
    } else {
        std::printf(
            "this system names %ls no volume device: the \\Device\\ form is checked by the portable tests only\n",
            drive.c_str());
    }
    for (const Form& form : forms) {
        AddService(form.name, form.service, form.imagePath);
        SetStart(form.name, 3);
    }
    services.Enumerate();
    drivers.Enumerate();
    for (const Form& form : forms) {
        const CTarnAutoRunBase& category = form.service ? static_cast<CTarnAutoRunBase&>(services) : drivers;
        const auto& entries = category.results().entries;
        const auto it =
            std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e->name == form.name; });
        ASSERT_NE(entries.end(), it) << "not listed: " << std::string(form.imagePath.begin(), form.imagePath.end());
        EXPECT_TRUE(EqualsNoCaseAscii(form.file, (*it)->imagePath))
            << std::string((*it)->imagePath.begin(), (*it)->imagePath.end());
        EXPECT_EQ(form.imagePath, (*it)->commandLine);
    }
}

}  // namespace
}  // namespace tarn
