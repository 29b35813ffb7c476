// Stand-in backend of the seam for systems other than Windows.
//
// Libraries are loaded with dlopen: a Windows path's backslashes become
// slashes, so "<dir>\plugins\HidFTDll.dll" names the shared object
// "<dir>/plugins/HidFTDll.dll". The registry calls go to our registry
// stand-in (registry_standin.h).
#include "platform/posix/registry_standin.h"
#include "platform/win_api.h"

#include <dlfcn.h>

#include <string>

namespace platform {
namespace {

HMODULE loadLibrary(const char* path) {
    if (path == nullptr) return nullptr;
    std::string posixPath(path);
    for (char& c : posixPath) {
        if (c == '\\') c = '/';
    }
    return static_cast<HMODULE>(dlopen(posixPath.c_str(), RTLD_NOW | RTLD_LOCAL));
}

FARPROC getProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(module, name));
}

BOOL freeLibrary(HMODULE module) { return module != nullptr && dlclose(module) == 0 ? 1 : 0; }

constexpr SystemCalls posixCalls = {loadLibrary,
                                    getProcAddress,
                                    freeLibrary,
                                    registry_standin::RegOpenKeyExA,
                                    registry_standin::RegQueryValueExA,
                                    registry_standin::RegCloseKey};

}  // namespace

const SystemCalls nativeSystemCalls = posixCalls;
SystemCalls systemCalls = posixCalls;

}  // namespace platform
