// A simulated hygrometer behind the four entry points the module expects of
// the vendor library, built as "HidFTDll.dll" for tests, the demo and users
// without hardware. It is not a replacement of the vendor's library and is
// not shipped in its place.
//
// Configuration, read when the library is loaded:
//   VARDELO_SIM_DEVICES  devices separated by ',': "temp:hum" in degrees
//                        Celsius and percent, or "-" for a device whose
//                        read writes nothing; empty for none. Default
//                        "21.5:40".
//   VARDELO_SIM_DETECT   what EMyDetectDevice returns instead of the number
//                        of devices (such as "0" or "-1").
//   VARDELO_SIM_LOG      a file to which each call is appended as a line:
//                        "EMyDetectDevice(0)", "EMySetCurrentDev(1)",
//                        "EMyInitConfig(1)", "EMyReadHUM", and "load" and
//                        "unload" for the library itself.
#include "platform/win_api.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#define SIMULATOR_EXPORT __declspec(dllexport)
#else
#define SIMULATOR_EXPORT __attribute__((visibility("default")))
#endif

namespace {

struct Device {
    double temperature;
    double humidity;
    bool readWritesNothing;
};

template <typename Number>
bool parseNumber(std::string_view text, Number& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// "21.5:40,22:45,-" -> three devices; "" -> none. A malformed entry is a
// device whose read writes nothing.
std::vector<Device> parseDevices(std::string_view text) {
    std::vector<Device> devices;
    if (text.empty()) return devices;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view entry = text.substr(0, comma);
        const std::size_t colon = entry.find(':');
        Device device{0.0, 0.0, true};
        if (colon != std::string_view::npos && parseNumber(entry.substr(0, colon), device.temperature) &&
            parseNumber(entry.substr(colon + 1), device.humidity)) {
            device.readWritesNothing = false;
        }
        devices.push_back(device);
        if (comma == std::string_view::npos) return devices;
        text.remove_prefix(comma + 1);
    }
}

class Simulation {
public:
    Simulation() {
        const char* devices = std::getenv("VARDELO_SIM_DEVICES");
        devices_ = parseDevices(devices != nullptr ? devices : "21.5:40");
        int detected = 0;
        const char* detect = std::getenv("VARDELO_SIM_DETECT");
        if (detect != nullptr && parseNumber(detect, detected)) detectOverride_ = detected;
        const char* log = std::getenv("VARDELO_SIM_LOG");
        if (log != nullptr) logPath_ = log;
        record("load");
    }
    ~Simulation() { record("unload"); }
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Appends one line to the log, if there is one.
    void record(const std::string& line) const {
        if (logPath_.empty()) return;
        if (std::FILE* log = std::fopen(logPath_.c_str(), "a")) {
            std::fputs((line + "\n").c_str(), log);
            std::fclose(log);
        }
    }

    int detect() const { return detectOverride_.value_or(static_cast<int>(devices_.size())); }
    void select(int index) { current_ = index; }

    // The current device's readings, or nullptr when there is no such device.
    const Device* current() const {
        if (current_ < 0 || static_cast<std::size_t>(current_) >= devices_.size()) return nullptr;
        return &devices_[static_cast<std::size_t>(current_)];
    }

private:
    std::vector<Device> devices_;
    std::optional<int> detectOverride_;
    std::string logPath_;
    int current_ = -1;
};

Simulation simulation;

}  // namespace

extern "C" {

SIMULATOR_EXPORT int VARDELO_CDECL EMyDetectDevice(int alwaysZero) {
    simulation.record("EMyDetectDevice(" + std::to_string(alwaysZero) + ")");
    return simulation.detect();
}

SIMULATOR_EXPORT int VARDELO_CDECL EMySetCurrentDev(int index) {
    simulation.record("EMySetCurrentDev(" + std::to_string(index) + ")");
    simulation.select(index);
    return 1;
}

SIMULATOR_EXPORT int VARDELO_CDECL EMyInitConfig(int alwaysOne) {
    simulation.record("EMyInitConfig(" + std::to_string(alwaysOne) + ")");
    return 1;
}

#ifndef SIMULATED_HYGROMETER_WITHOUT_READHUM
// Writes the current device's readings; returns its temperature, or 0 when
// nothing was written.
SIMULATOR_EXPORT double VARDELO_CDECL EMyReadHUM(double* temperatureCelsius, double* relativeHumidity) {
    simulation.record("EMyReadHUM");
    const Device* device = simulation.current();
    if (device == nullptr || device->readWritesNothing) return 0.0;
    *temperatureCelsius = device->temperature;
    *relativeHumidity = device->humidity;
    return device->temperature;
}
#endif

}  // extern "C"
