// The entry points that describe the plug-in to the host, and the creation
// and end of its instances.
#include "plugin/plugin_instance.h"

#include "plugin/exports.h"

#include <iterator>

namespace {

constexpr char kDataFunctionName[] = "GetData";

constexpr const char* kInfoTexts[] = {
    "Korvanel Vardelo plugin",
    "Quenlet",
    "1.1",
    "6/9/2010",
    "2/13/2011",
    "www.example.org/vardelo",
    "vardelo@example.org",
    "Reads data from\n\t\tVardelo USB hygrometer",
};

char foldAsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoringAsciiCase(const char* text, const char* expected) {
    for (; *expected != '\0'; ++text, ++expected) {
        if (foldAsciiUpper(*text) != foldAsciiUpper(*expected)) return false;
    }
    return *text == '\0';
}

}  // namespace

char* RenewOutputBuffer(PluginInstance& instance) {
    std::unique_ptr<char[]> fresh(new char[kOutputBufferSize]);
    instance.buffer = std::move(fresh);
    return instance.buffer.get();
}

extern "C" {

const char* VARDELO_STDCALL init() { return kDataFunctionName; }

const char* VARDELO_STDCALL getparam(const char* name) {
    if (name != nullptr && equalsIgnoringAsciiCase(name, kDataFunctionName)) {
        return "display string|device ID|decimal places|temp. calibration|hum. calibration|";
    }
    return "";
}

const char* VARDELO_STDCALL getinfo(std::uint32_t index) {
    return index < std::size(kInfoTexts) ? kInfoTexts[index] : "";
}

std::int32_t VARDELO_STDCALL dlltype() { return 1; }

PluginInstance* VARDELO_STDCALL dllstartup(std::int32_t, std::int32_t) {
    try {
        auto instance = std::make_unique<PluginInstance>();
        instance->buffer.reset(new char[kOutputBufferSize]);
        return instance.release();
    } catch (...) {
        return nullptr;
    }
}

std::int32_t VARDELO_STDCALL dllshutdown(PluginInstance* instance) {
    delete instance;  // its buffer goes with it
    return 0;
}

}  // extern "C"
