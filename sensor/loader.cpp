// The module's notification function: binds the vendor library when the
// module is attached to a process and releases it at detach.
#include "platform/win_api.h"
#include "registry/registry_key.h"
#include "sensor/sensor_library.h"

#include <string>

namespace {

constexpr char kLibraryPathTail[] = "\\plugins\\HidFTDll.dll";

template <typename EntryPoint>
EntryPoint lookUpEntryPoint(platform::HMODULE module, const char* name) {
    return reinterpret_cast<EntryPoint>(platform::GetProcAddress(module, name));
}

// Forms "<host directory>\plugins\HidFTDll.dll". Returns the empty text when
// there is no host directory, or when memory runs out on the way: with no
// directory the path would name the root of the current drive, where any
// local user may plant a library.
std::string libraryPath() {
    try {
        std::string path = GetHostDirectory();
        if (path.empty()) return path;
        path += kLibraryPathTail;
        return path;
    } catch (...) {
        return std::string();
    }
}

// Loads and binds the library and initialises each device. Whatever fails
// leaves the record empty or partly filled; GetData reports its state.
void bindSensorLibrary(SensorLibrary& library) {
    const std::string path = libraryPath();
    if (path.empty()) return;

    library.module = platform::LoadLibraryA(path.c_str());
    if (library.module == nullptr) return;

    library.EMyInitConfig = lookUpEntryPoint<EMyInitConfigFn>(library.module, "EMyInitConfig");
    library.EMyDetectDevice = lookUpEntryPoint<EMyDetectDeviceFn>(library.module, "EMyDetectDevice");
    library.EMyReadHUM = lookUpEntryPoint<EMyReadHUMFn>(library.module, "EMyReadHUM");
    library.EMySetCurrentDev = lookUpEntryPoint<EMySetCurrentDevFn>(library.module, "EMySetCurrentDev");
    if (library.EMyInitConfig == nullptr || library.EMyDetectDevice == nullptr || library.EMyReadHUM == nullptr ||
        library.EMySetCurrentDev == nullptr) {
        return;
    }

    library.deviceCount = library.EMyDetectDevice(0);
    for (std::int32_t index = 0; index < library.deviceCount; ++index) {
        library.EMySetCurrentDev(index);
        library.EMyInitConfig(1);
    }
}

// Releases the library; the record keeps its values and no device is shut down.
void releaseSensorLibrary(const SensorLibrary& library) {
    if (library.module != nullptr) platform::FreeLibrary(library.module);
}

}  // namespace

extern "C" platform::BOOL VARDELO_STDCALL DllMain(platform::HINSTANCE, platform::DWORD reason, void*) {
    switch (reason) {
        case platform::DLL_PROCESS_ATTACH:
            bindSensorLibrary(sensorLibrary);
            break;
        case platform::DLL_PROCESS_DETACH:
            releaseSensorLibrary(sensorLibrary);
            break;
        default:  // thread notifications
            break;
    }
    return 1;
}
