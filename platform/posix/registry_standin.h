// Our stand-in for the Windows registry on other systems. (Stub: replaced by the hive-file stand-in.)
#pragma once

#include "platform/win_api.h"

namespace platform::registry_standin {

LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegCloseKey(HKEY key);

}  // namespace platform::registry_standin
