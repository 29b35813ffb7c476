// The functions the host calls, exported from the module under their plain
// and their decorated stdcall names (see Vardelo.def.in). Texts are single-
// byte, NUL-terminated; no exception leaves any of these functions.
#pragma once

#include "platform/win_api.h"

#include <cstdint>

struct PluginInstance;

extern "C" {

// "GetData": the names of the module's data functions.
const char* VARDELO_STDCALL init();

// The parameter names of the data function `name` ("GetData", compared
// without regard to the case of A to Z), each followed by "|"; "" for any
// other name and for null.
const char* VARDELO_STDCALL getparam(const char* name);

// One text about the plug-in for each index from 0 to 7; "" for any other.
const char* VARDELO_STDCALL getinfo(std::uint32_t index);

// Always 1.
std::int32_t VARDELO_STDCALL dlltype();

// A new instance with its own output buffer, owned by the caller until
// dllshutdown; null when memory runs out. The arguments are not used.
PluginInstance* VARDELO_STDCALL dllstartup(std::int32_t unused1, std::int32_t unused2);

// Releases the instance and its buffer (nothing for null). Always 0.
std::int32_t VARDELO_STDCALL dllshutdown(PluginInstance* instance);

// Reads the device and returns `displayString` with its tokens replaced, or a
// message, in the instance's buffer: valid until the next GetData or
// dllshutdown on the same instance. With a null instance, returns a constant
// "Error reading data". A null text reads as the empty text.
const char* VARDELO_STDCALL GetData(PluginInstance* instance, const char* displayString, const char* deviceId,
                                    const char* decimalPlaces, const char* tempCalibration, const char* humCalibration);

}  // extern "C"
