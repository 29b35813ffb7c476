// Stub registry stand-in: no key exists.
#include "platform/posix/registry_standin.h"

namespace platform::registry_standin {

LONG RegOpenKeyExA(HKEY, const char*, DWORD, REGSAM, HKEY* result) {
    *result = HKEY{};
    return ERROR_FILE_NOT_FOUND;
}
LONG RegQueryValueExA(HKEY, const char*, DWORD*, DWORD*, BYTE*, DWORD*) { return ERROR_FILE_NOT_FOUND; }
LONG RegCloseKey(HKEY) { return ERROR_SUCCESS; }

}  // namespace platform::registry_standin
