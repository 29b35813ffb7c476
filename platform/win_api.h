// The module's one seam to the Windows calls it makes: loading the vendor
// library, resolving its entry points, and reading the registry.
//
// Module code includes this header and calls platform::LoadLibraryA and the
// rest exactly as it would call the Windows API. The calls go through the
// table `platform::systemCalls`, whose entries the build fills with one
// backend: the real Windows API (platform/windows) or our stand-in for other
// systems (platform/posix). Tests may replace single entries to watch the
// calls or to make one of them fail.
#pragma once

#include <cstdint>

// Calling conventions of the two binary interfaces the module meets: the
// host calls us with stdcall, we call the vendor library with cdecl. They
// only differ on 32-bit x86 Windows; elsewhere the attributes are dropped.
#if defined(_WIN32) && defined(__i386__)
#define VARDELO_STDCALL __attribute__((stdcall))
#define VARDELO_CDECL __attribute__((cdecl))
#else
#define VARDELO_STDCALL
#define VARDELO_CDECL
#endif

namespace platform {

using BOOL = int;
using BYTE = unsigned char;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using REGSAM = DWORD;

struct ModuleObject;
using HMODULE = ModuleObject*;  // a loaded library; null when loading failed
using HINSTANCE = HMODULE;

// A registry key handle. The predefined roots are fixed values that Windows
// sign-extends to pointer width, so they are written the same way here.
enum class HKEY : std::uintptr_t {};
constexpr HKEY predefinedKey(std::uint32_t code) {
    return static_cast<HKEY>(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(static_cast<std::int32_t>(code))));
}
constexpr HKEY HKEY_CLASSES_ROOT = predefinedKey(0x80000000);
constexpr HKEY HKEY_CURRENT_USER = predefinedKey(0x80000001);
constexpr HKEY HKEY_LOCAL_MACHINE = predefinedKey(0x80000002);
constexpr HKEY HKEY_USERS = predefinedKey(0x80000003);
constexpr HKEY HKEY_CURRENT_CONFIG = predefinedKey(0x80000005);

// Any exported function; cast to its real type before calling it.
using FARPROC = void (*)();

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

// One entry per system call, with the arguments and results of its Windows
// namesake. The entries are plain functions of ours (cdecl), whatever
// convention the system uses underneath.
struct SystemCalls {
    HMODULE (*LoadLibraryA)(const char* path);
    FARPROC (*GetProcAddress)(HMODULE module, const char* name);
    BOOL (*FreeLibrary)(HMODULE module);
    LONG (*RegOpenKeyExA)(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result);
    LONG(*RegQueryValueExA)
    (HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
    LONG (*RegCloseKey)(HKEY key);
};

// The backend's calls, as the build chose them. Never changes.
extern const SystemCalls nativeSystemCalls;

// The calls the module makes. Holds the same entries as nativeSystemCalls
// from the start (both are constant-initialised in the backend, so they are
// ready before any static constructor runs); only tests change it.
extern SystemCalls systemCalls;

inline HMODULE LoadLibraryA(const char* path) { return systemCalls.LoadLibraryA(path); }
inline FARPROC GetProcAddress(HMODULE module, const char* name) { return systemCalls.GetProcAddress(module, name); }
inline BOOL FreeLibrary(HMODULE module) { return systemCalls.FreeLibrary(module); }
inline LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) {
    return systemCalls.RegOpenKeyExA(root, subKey, options, access, result);
}
inline LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                             DWORD* dataSize) {
    return systemCalls.RegQueryValueExA(key, valueName, reserved, type, data, dataSize);
}
inline LONG RegCloseKey(HKEY key) { return systemCalls.RegCloseKey(key); }

}  // namespace platform

// The module's notification function. The module defines it; the platform
// calls it when the module is attached to or detached from a process and
// when a thread starts or ends. Always returns 1.
extern "C" platform::BOOL VARDELO_STDCALL DllMain(platform::HINSTANCE instance, platform::DWORD reason, void* reserved);
