// vardelo-probe: loads the plug-in module as the host application does and
// prints its answers.
//
//   vardelo-probe [--info] MODULE [TEMPLATE [DEVICE [DECIMALS [TEMPCAL [HUMCAL]]]]]
//
// --info prints init, getparam("GetData"), dlltype and getinfo 0 to 7, one
// per line, with line feeds and tabs written as \n and \t. With a TEMPLATE,
// it creates an instance, prints what GetData returns for the template and
// the other texts (empty when not given) alone on a line, and ends the
// instance. Then it unloads the module. Exit status: 0 on success, 1 when
// the module cannot be loaded or lacks an entry point, 2 on a usage error.
#include "platform/win_api.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct PluginInstance;

typedef const char*(VARDELO_STDCALL* InitFn)();
typedef const char*(VARDELO_STDCALL* GetParamFn)(const char*);
typedef const char*(VARDELO_STDCALL* GetInfoFn)(std::uint32_t);
typedef std::int32_t(VARDELO_STDCALL* DllTypeFn)();
typedef PluginInstance*(VARDELO_STDCALL* DllStartupFn)(std::int32_t, std::int32_t);
typedef std::int32_t(VARDELO_STDCALL* DllShutdownFn)(PluginInstance*);
typedef const char*(VARDELO_STDCALL* GetDataFn)(PluginInstance*, const char*, const char*, const char*, const char*,
                                                const char*);

struct HostEntryPoints {
    InitFn init;
    GetParamFn getparam;
    GetInfoFn getinfo;
    DllTypeFn dlltype;
    DllStartupFn dllstartup;
    DllShutdownFn dllshutdown;
    GetDataFn GetData;
};

template <typename EntryPoint>
bool lookUp(platform::HMODULE module, const char* name, EntryPoint& entryPoint) {
    entryPoint = reinterpret_cast<EntryPoint>(platform::GetProcAddress(module, name));
    if (entryPoint == nullptr) std::fprintf(stderr, "vardelo-probe: the module has no entry point %s\n", name);
    return entryPoint != nullptr;
}

bool lookUpAll(platform::HMODULE module, HostEntryPoints& host) {
    return lookUp(module, "init", host.init) && lookUp(module, "getparam", host.getparam) &&
           lookUp(module, "getinfo", host.getinfo) && lookUp(module, "dlltype", host.dlltype) &&
           lookUp(module, "dllstartup", host.dllstartup) && lookUp(module, "dllshutdown", host.dllshutdown) &&
           lookUp(module, "GetData", host.GetData);
}

// The text with line feeds, carriage returns and tabs made visible.
std::string visible(const char* text) {
    std::string shown;
    for (; *text != '\0'; ++text) {
        switch (*text) {
            case '\n':
                shown += "\\n";
                break;
            case '\r':
                shown += "\\r";
                break;
            case '\t':
                shown += "\\t";
                break;
            default:
                shown += *text;
        }
    }
    return shown;
}

void printInfo(const HostEntryPoints& host) {
    std::printf("init: %s\n", visible(host.init()).c_str());
    std::printf("getparam(GetData): %s\n", visible(host.getparam("GetData")).c_str());
    std::printf("dlltype: %d\n", static_cast<int>(host.dlltype()));
    for (std::uint32_t index = 0; index < 8; ++index) {
        std::printf("getinfo(%u): %s\n", static_cast<unsigned>(index), visible(host.getinfo(index)).c_str());
    }
}

int usage() {
    std::fputs("usage: vardelo-probe [--info] MODULE [TEMPLATE [DEVICE [DECIMALS [TEMPCAL [HUMCAL]]]]]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int next = 1;
    const bool info = next < argc && std::strcmp(argv[next], "--info") == 0;
    if (info) ++next;
    if (next >= argc || argc - next > 6) return usage();
    const char* modulePath = argv[next++];
    const char* texts[5] = {"", "", "", "", ""};
    const bool read = next < argc;
    for (int i = 0; next < argc; ++i) texts[i] = argv[next++];

    platform::HMODULE module = platform::LoadLibraryA(modulePath);
    if (module == nullptr) {
        std::fprintf(stderr, "vardelo-probe: cannot load %s\n", modulePath);
        return 1;
    }
    HostEntryPoints host{};
    if (!lookUpAll(module, host)) {
        platform::FreeLibrary(module);
        return 1;
    }

    if (info) printInfo(host);
    if (read) {
        PluginInstance* instance = host.dllstartup(0, 0);
        std::printf("%s\n", host.GetData(instance, texts[0], texts[1], texts[2], texts[3], texts[4]));
        host.dllshutdown(instance);
    }
    std::fflush(stdout);
    platform::FreeLibrary(module);
    return 0;
}
