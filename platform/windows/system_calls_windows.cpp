// Windows backend of the seam: each entry forwards to the real Windows call.
#include "platform/win_api.h"

#include <windows.h>

namespace platform {
namespace {

::HKEY toWindows(HKEY key) { return reinterpret_cast<::HKEY>(static_cast<std::uintptr_t>(key)); }
HKEY fromWindows(::HKEY key) { return static_cast<HKEY>(reinterpret_cast<std::uintptr_t>(key)); }

HMODULE loadLibrary(const char* path) { return reinterpret_cast<HMODULE>(::LoadLibraryA(path)); }

FARPROC getProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<FARPROC>(::GetProcAddress(reinterpret_cast<::HMODULE>(module), name));
}

BOOL freeLibrary(HMODULE module) { return ::FreeLibrary(reinterpret_cast<::HMODULE>(module)); }

LONG regOpenKeyEx(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) {
    ::HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExA(toWindows(root), subKey, options, access, &opened);
    *result = fromWindows(opened);
    return status;
}

LONG regQueryValueEx(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
    // DWORD is unsigned long on Windows and std::uint32_t here: same size, different type.
    static_assert(sizeof(::DWORD) == sizeof(DWORD), "DWORD must be 32 bits");
    return ::RegQueryValueExA(toWindows(key), valueName, reinterpret_cast<::LPDWORD>(reserved),
                              reinterpret_cast<::LPDWORD>(type), data, reinterpret_cast<::LPDWORD>(dataSize));
}

LONG regCloseKey(HKEY key) { return ::RegCloseKey(toWindows(key)); }

constexpr SystemCalls windowsCalls = {loadLibrary,  getProcAddress,  freeLibrary,
                                      regOpenKeyEx, regQueryValueEx, regCloseKey};

}  // namespace

const SystemCalls nativeSystemCalls = windowsCalls;
SystemCalls systemCalls = windowsCalls;

}  // namespace platform
