// Test doubles of the vendor library's entry points.
#include "tests/support/fake_vendor_library.h"

#include <stdexcept>

namespace fake_vendor {

State state;

namespace {

void record(const char* entryPoint, int argument) {
    if (state.callCount < state.calls.size()) state.calls[state.callCount] = Call{entryPoint, argument};
    ++state.callCount;
}

}  // namespace

void Reset() { state = State(); }

std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    for (std::size_t i = 0; i < state.callCount && i < state.calls.size(); ++i) {
        const Call& call = state.calls[i];
        const std::string name = call.entryPoint;
        calls.push_back(name == "EMyReadHUM" ? name : name + "(" + std::to_string(call.argument) + ")");
    }
    return calls;
}

int VARDELO_CDECL EMyInitConfig(int alwaysOne) {
    record("EMyInitConfig", alwaysOne);
    return 1;
}

int VARDELO_CDECL EMyDetectDevice(int alwaysZero) {
    record("EMyDetectDevice", alwaysZero);
    return state.detectedCount;
}

int VARDELO_CDECL EMySetCurrentDev(int index) {
    record("EMySetCurrentDev", index);
    if (state.fault == Fault::throwOnSelect) throw std::runtime_error("select failed");
    state.currentDevice = index;
    return 1;
}

double VARDELO_CDECL EMyReadHUM(double* temperature, double* humidity) {
    record("EMyReadHUM", 0);
    if (state.fault == Fault::throwOnRead) throw std::runtime_error("read failed");
    if (state.currentDevice < 0 || state.currentDevice >= static_cast<int>(state.devices.size())) return 0.0;
    const Device& device = state.devices[static_cast<std::size_t>(state.currentDevice)];
    if (device.readWritesNothing) return 0.0;
    *temperature = device.temperature;
    *humidity = device.humidity;
    return device.temperature;
}

SensorLibrary BoundRecord(int deviceCount) {
    static int dummyModule;
    return SensorLibrary{reinterpret_cast<platform::HMODULE>(&dummyModule),
                         EMyInitConfig,
                         EMyDetectDevice,
                         EMySetCurrentDev,
                         EMyReadHUM,
                         deviceCount};
}

}  // namespace fake_vendor
