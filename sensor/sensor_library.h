// The process-wide binding to the vendor's hygrometer library, HidFTDll.dll.
//
// The loader (DllMain) fills the record while the module is attached to a
// process; afterwards GetData only reads it.
#pragma once

#include "platform/win_api.h"

#include <cstdint>

// The vendor's entry points. All use cdecl: the caller removes the
// arguments. Every result is declared as the library returns it, used or
// not: on 32-bit x86 a double comes back on the x87 register stack, and a
// caller that does not know about it leaves that stack one deeper per call.
typedef int(VARDELO_CDECL* EMyInitConfigFn)(int alwaysOne);
typedef int(VARDELO_CDECL* EMyDetectDeviceFn)(int alwaysZero);
typedef int(VARDELO_CDECL* EMySetCurrentDevFn)(int deviceIndex);
typedef double(VARDELO_CDECL* EMyReadHUMFn)(double* temperatureCelsius, double* relativeHumidity);

struct SensorLibrary {
    platform::HMODULE module;       // the loaded library, null when loading failed
    EMyInitConfigFn EMyInitConfig;  // each entry point null when missing
    EMyDetectDeviceFn EMyDetectDevice;
    EMySetCurrentDevFn EMySetCurrentDev;
    EMyReadHUMFn EMyReadHUM;
    std::int32_t deviceCount;  // what EMyDetectDevice returned; 0 until it is called
};

// The one record of the process, all zero until the process attach.
extern SensorLibrary sensorLibrary;
