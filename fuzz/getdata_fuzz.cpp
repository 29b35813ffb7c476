// Fuzzes GetData with arbitrary texts: the input is split at NUL bytes into
// the display string, device ID, decimal places and the two calibrations.
// Checks that every answer is a NUL-terminated text of at most 1023
// characters in the instance's buffer, and that numbers fit their area.
#include "plugin/exports.h"
#include "plugin/number_text.h"
#include "plugin/plugin_instance.h"
#include "sensor/sensor_library.h"
#include "tests/support/fake_vendor_library.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> texts(5);
    std::size_t field = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (++field == texts.size()) break;
        } else {
            texts[field] += static_cast<char>(data[i]);
        }
    }

    fake_vendor::Reset();
    fake_vendor::state.devices = {{-12.25, 63.5}, {0.0, 0.0, true}};
    sensorLibrary = fake_vendor::BoundRecord(2);
    PluginInstance* instance = dllstartup(0, 0);
    const char* answer =
        GetData(instance, texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), texts[4].c_str());
    check(answer == instance->buffer.get());
    check(std::memchr(answer, '\0', kOutputBufferSize) != nullptr);
    dllshutdown(instance);

    NumberText area;
    const double value = ParseDecimal(texts[3].c_str());
    const std::int32_t decimals = ParseInteger(texts[2].c_str());
    const std::string_view number = FormatDecimal(area, value, decimals);
    check(number.size() <= kNumberTextMaxLength && area.chars[number.size()] == '\0');
    return 0;
}
