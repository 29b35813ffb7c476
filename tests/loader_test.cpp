// The loader (DllMain) against a recording table of system calls and the
// test doubles of the vendor library.
#include "platform/win_api.h"
#include "sensor/sensor_library.h"
#include "tests/support/fake_vendor_library.h"
#include "tests/support/system_call_recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A library "loaded" by the recording table.
int fakeModuleObject;
platform::HMODULE const kFakeModule = reinterpret_cast<platform::HMODULE>(&fakeModuleObject);

struct Recorder {
    std::string hostDirectory;  // what the registry holds as DirPath
    bool libraryLoads = true;
    std::vector<std::string> missingEntryPoints;
    std::vector<std::string> calls;  // system calls, in order
};
Recorder recorder;

platform::HMODULE recordLoadLibrary(const char* path) {
    recorder.calls.push_back(std::string("LoadLibraryA ") + path);
    return recorder.libraryLoads ? kFakeModule : nullptr;
}

platform::FARPROC recordGetProcAddress(platform::HMODULE module, const char* name) {
    recorder.calls.push_back(std::string("GetProcAddress ") + name);
    if (module != kFakeModule) return nullptr;
    for (const std::string& missing : recorder.missingEntryPoints) {
        if (missing == name) return nullptr;
    }
    const struct {
        const char* name;
        platform::FARPROC address;
    } entryPoints[] = {
        {"EMyInitConfig", reinterpret_cast<platform::FARPROC>(fake_vendor::EMyInitConfig)},
        {"EMyDetectDevice", reinterpret_cast<platform::FARPROC>(fake_vendor::EMyDetectDevice)},
        {"EMySetCurrentDev", reinterpret_cast<platform::FARPROC>(fake_vendor::EMySetCurrentDev)},
        {"EMyReadHUM", reinterpret_cast<platform::FARPROC>(fake_vendor::EMyReadHUM)},
    };
    for (const auto& entry : entryPoints) {
        if (std::strcmp(entry.name, name) == 0) return entry.address;
    }
    return nullptr;
}

platform::BOOL recordFreeLibrary(platform::HMODULE module) {
    recorder.calls.push_back(module == kFakeModule ? "FreeLibrary" : "FreeLibrary ?");
    return 1;
}

// A registry with the one key and, unless the directory is empty, DirPath.
platform::LONG openKey(platform::HKEY, const char*, platform::DWORD, platform::REGSAM, platform::HKEY* result) {
    *result = platform::predefinedKey(0x1234);
    return platform::ERROR_SUCCESS;
}

platform::LONG queryValue(platform::HKEY, const char*, platform::DWORD*, platform::DWORD* type, platform::BYTE* data,
                          platform::DWORD* size) {
    if (recorder.hostDirectory.empty()) return platform::ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = platform::REG_SZ;
    const auto needed = static_cast<platform::DWORD>(recorder.hostDirectory.size() + 1);
    if (data == nullptr) return platform::ERROR_SUCCESS;
    if (*size < needed) return platform::ERROR_MORE_DATA;
    std::memcpy(data, recorder.hostDirectory.c_str(), needed);
    *size = needed;
    return platform::ERROR_SUCCESS;
}

platform::LONG closeKey(platform::HKEY) { return platform::ERROR_SUCCESS; }

const platform::SystemCalls kRecordingCalls = {recordLoadLibrary, recordGetProcAddress, recordFreeLibrary,
                                               openKey,           queryValue,           closeKey};

bool SameRecord(const SensorLibrary& a, const SensorLibrary& b) {
    return a.module == b.module && a.EMyInitConfig == b.EMyInitConfig && a.EMyDetectDevice == b.EMyDetectDevice &&
           a.EMySetCurrentDev == b.EMySetCurrentDev && a.EMyReadHUM == b.EMyReadHUM && a.deviceCount == b.deviceCount;
}

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorder = Recorder();
        recorder.hostDirectory = "C:\\Korvanel";
        fake_vendor::Reset();
        sensorLibrary = SensorLibrary{};
    }
    void TearDown() override { sensorLibrary = SensorLibrary{}; }

    static platform::BOOL Notify(platform::DWORD reason) { return DllMain(nullptr, reason, nullptr); }

    // Attaches with `devices` detected, forgets the calls made on the way,
    // and returns the record as the attach left it.
    static SensorLibrary AttachWithDevices(int devices) {
        fake_vendor::state.detectedCount = devices;
        Notify(platform::DLL_PROCESS_ATTACH);
        recorder.calls.clear();
        fake_vendor::Reset();
        return sensorLibrary;
    }

    ScopedSystemCalls calls_{kRecordingCalls};
};

TEST_F(LoaderTest, AttachBindsTheLibraryAndInitialisesEachDevice) {
    fake_vendor::state.detectedCount = 3;
    EXPECT_EQ(Notify(platform::DLL_PROCESS_ATTACH), 1);

    EXPECT_EQ(recorder.calls, (std::vector<std::string>{
                                  "LoadLibraryA C:\\Korvanel\\plugins\\HidFTDll.dll",
                                  "GetProcAddress EMyInitConfig",
                                  "GetProcAddress EMyDetectDevice",
                                  "GetProcAddress EMyReadHUM",
                                  "GetProcAddress EMySetCurrentDev",
                              }));
    EXPECT_EQ(fake_vendor::Calls(),
              (std::vector<std::string>{"EMyDetectDevice(0)", "EMySetCurrentDev(0)", "EMyInitConfig(1)",
                                        "EMySetCurrentDev(1)", "EMyInitConfig(1)", "EMySetCurrentDev(2)",
                                        "EMyInitConfig(1)"}));
    EXPECT_EQ(sensorLibrary.module, kFakeModule);
    EXPECT_EQ(sensorLibrary.EMyInitConfig, fake_vendor::EMyInitConfig);
    EXPECT_EQ(sensorLibrary.EMyDetectDevice, fake_vendor::EMyDetectDevice);
    EXPECT_EQ(sensorLibrary.EMySetCurrentDev, fake_vendor::EMySetCurrentDev);
    EXPECT_EQ(sensorLibrary.EMyReadHUM, fake_vendor::EMyReadHUM);
    EXPECT_EQ(sensorLibrary.deviceCount, 3);
}

TEST_F(LoaderTest, PathIsPlainConcatenation) {
    const struct {
        const char* directory;
        const char* path;
    } cases[] = {
        {"C:\\Korvanel\\", "C:\\Korvanel\\\\plugins\\HidFTDll.dll"},
        {"/opt/korvanel", "/opt/korvanel\\plugins\\HidFTDll.dll"},
        {"D:", "D:\\plugins\\HidFTDll.dll"},
    };
    for (const auto& c : cases) {
        recorder.calls.clear();
        recorder.hostDirectory = c.directory;
        recorder.libraryLoads = false;
        Notify(platform::DLL_PROCESS_ATTACH);
        ASSERT_FALSE(recorder.calls.empty());
        EXPECT_EQ(recorder.calls.front(), std::string("LoadLibraryA ") + c.path);
    }
}

TEST_F(LoaderTest, DetectedCountIsKeptWhateverItsValue) {
    for (int detected : {0, -1}) {
        fake_vendor::Reset();
        fake_vendor::state.detectedCount = detected;
        sensorLibrary = SensorLibrary{};
        EXPECT_EQ(Notify(platform::DLL_PROCESS_ATTACH), 1);
        EXPECT_EQ(sensorLibrary.deviceCount, detected);
        EXPECT_EQ(fake_vendor::Calls(), (std::vector<std::string>{"EMyDetectDevice(0)"}));
    }
}

TEST_F(LoaderTest, IncompleteLibraryStaysLoadedButUnused) {
    recorder.missingEntryPoints = {"EMyReadHUM"};
    fake_vendor::state.detectedCount = 2;
    EXPECT_EQ(Notify(platform::DLL_PROCESS_ATTACH), 1);
    EXPECT_EQ(sensorLibrary.module, kFakeModule);
    EXPECT_EQ(sensorLibrary.EMyReadHUM, nullptr);
    EXPECT_EQ(sensorLibrary.EMyInitConfig, fake_vendor::EMyInitConfig);
    EXPECT_EQ(sensorLibrary.EMyDetectDevice, fake_vendor::EMyDetectDevice);
    EXPECT_EQ(sensorLibrary.EMySetCurrentDev, fake_vendor::EMySetCurrentDev);
    EXPECT_EQ(sensorLibrary.deviceCount, 0);
    EXPECT_TRUE(fake_vendor::Calls().empty());
}

TEST_F(LoaderTest, NothingIsLoadedWithoutAHostDirectory) {
    // An empty directory would make the path "\plugins\HidFTDll.dll": the
    // root of the current drive, where any local user may plant a library.
    recorder.hostDirectory.clear();
    EXPECT_EQ(Notify(platform::DLL_PROCESS_ATTACH), 1);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(sensorLibrary.module, nullptr);
    EXPECT_EQ(Notify(platform::DLL_PROCESS_DETACH), 1);
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(LoaderTest, LibraryThatDoesNotLoadLeavesTheRecordEmpty) {
    recorder.libraryLoads = false;
    EXPECT_EQ(Notify(platform::DLL_PROCESS_ATTACH), 1);
    EXPECT_EQ(recorder.calls.size(), 1u);
    EXPECT_TRUE(SameRecord(sensorLibrary, SensorLibrary{}));
    EXPECT_EQ(Notify(platform::DLL_PROCESS_DETACH), 1);
    EXPECT_EQ(recorder.calls.size(), 1u) << "nothing to release";
}

TEST_F(LoaderTest, DetachReleasesTheLibraryAndChangesNothingElse) {
    const SensorLibrary attached = AttachWithDevices(2);

    EXPECT_EQ(Notify(platform::DLL_PROCESS_DETACH), 1);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"FreeLibrary"}));
    EXPECT_TRUE(fake_vendor::Calls().empty());
    EXPECT_TRUE(SameRecord(sensorLibrary, attached));
}

TEST_F(LoaderTest, ThreadNotificationsDoNothing) {
    const SensorLibrary attached = AttachWithDevices(1);

    for (platform::DWORD reason : {platform::DLL_THREAD_ATTACH, platform::DLL_THREAD_DETACH, platform::DWORD{7}}) {
        EXPECT_EQ(Notify(reason), 1);
    }
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_TRUE(fake_vendor::Calls().empty());
    EXPECT_TRUE(SameRecord(sensorLibrary, attached));
}

}  // namespace
