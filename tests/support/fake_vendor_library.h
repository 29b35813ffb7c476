// Test doubles of the vendor library's four entry points, and a bound
// SensorLibrary record made of them.
#pragma once

#include "sensor/sensor_library.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace fake_vendor {

struct Device {
    double temperature;
    double humidity;
    bool readWritesNothing = false;
};

enum class Fault { none, throwOnSelect, throwOnRead };

// One call received; `argument` is unused for EMyReadHUM.
struct Call {
    const char* entryPoint;
    int argument;
};

// What the doubles read and what they record. Reset() before each test.
// Recording allocates nothing, so that tests can count the module's own
// allocations around vendor calls.
struct State {
    std::vector<Device> devices;
    int detectedCount = 0;  // what EMyDetectDevice returns
    int currentDevice = -1;
    Fault fault = Fault::none;
    std::array<Call, 64> calls{};
    std::size_t callCount = 0;
};
extern State state;
void Reset();

// The calls received so far, as "EMySetCurrentDev(1)", "EMyReadHUM", ...
std::vector<std::string> Calls();

int VARDELO_CDECL EMyInitConfig(int alwaysOne);
int VARDELO_CDECL EMyDetectDevice(int alwaysZero);
int VARDELO_CDECL EMySetCurrentDev(int index);
double VARDELO_CDECL EMyReadHUM(double* temperature, double* humidity);

// A record as the loader leaves it for a complete library with `deviceCount`
// devices; `module` is a dummy non-null handle.
SensorLibrary BoundRecord(int deviceCount);

}  // namespace fake_vendor
