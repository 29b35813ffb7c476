// GetData: one reading of one hygrometer, written into the caller's template.
#include "plugin/reading_request.h"

#include "plugin/exports.h"
#include "plugin/number_text.h"
#include "plugin/plugin_instance.h"
#include "sensor/sensor_library.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr char kCannotLoad[] = "Can't load HidFTDll.dll";
constexpr char kCannotRead[] = "Can't read HidFTDll.dll";
constexpr char kInvalidDevice[] = "Invalid device ID: ";
constexpr char kErrorReadingData[] = "Error reading data";

constexpr double kUnreadValue = -99.0;  // what a read that writes nothing leaves

struct RequestParameters {
    std::int32_t deviceId = 0;
    std::int32_t decimalPlaces = 2;
    double tempCalibration = 0.0;
    double humCalibration = 0.0;
};

const char* textOrEmpty(const char* text) { return text != nullptr ? text : ""; }
bool hasText(const char* text) { return text != nullptr && *text != '\0'; }

// Each parameter keeps its default when its text is empty.
RequestParameters readParameters(const char* deviceId, const char* decimalPlaces, const char* tempCalibration,
                                 const char* humCalibration) {
    RequestParameters parameters;
    if (hasText(deviceId)) parameters.deviceId = ParseInteger(deviceId);
    if (hasText(decimalPlaces)) parameters.decimalPlaces = ParseInteger(decimalPlaces);
    if (hasText(tempCalibration)) parameters.tempCalibration = ParseDecimal(tempCalibration);
    if (hasText(humCalibration)) parameters.humCalibration = ParseDecimal(humCalibration);
    return parameters;
}

// Writes `text` as the whole display string: its first 1023 characters and a NUL.
void writeDisplayString(char* buffer, std::string_view text) {
    const std::size_t length = std::min(text.size(), kOutputBufferSize - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

void writeInvalidDevice(char* buffer, std::int32_t deviceId) {
    constexpr std::size_t prefixLength = sizeof kInvalidDevice - 1;
    std::memcpy(buffer, kInvalidDevice, prefixLength);
    char* const end = std::to_chars(buffer + prefixLength, buffer + kOutputBufferSize - 1, deviceId).ptr;
    *end = '\0';
}

bool contains(const std::string& text, std::string_view token) { return text.find(token) != std::string::npos; }

// Reads the device and fills `working`, the copy of the template, into the
// instance's buffer; or writes the message for an unbound library or an
// invalid index. Returns the buffer. May throw: memory, or the vendor library.
char* readDevice(PluginInstance& instance, std::string& working, const RequestParameters& parameters) {
    const SensorLibrary& library = sensorLibrary;
    if (library.module == nullptr) {
        writeDisplayString(instance.buffer.get(), kCannotLoad);
        return instance.buffer.get();
    }
    if (library.EMyInitConfig == nullptr || library.EMyDetectDevice == nullptr || library.EMySetCurrentDev == nullptr ||
        library.EMyReadHUM == nullptr) {
        writeDisplayString(instance.buffer.get(), kCannotRead);
        return instance.buffer.get();
    }
    const std::int32_t deviceId = parameters.deviceId;
    if (deviceId < 0 || deviceId >= library.deviceCount) {
        writeInvalidDevice(instance.buffer.get(), deviceId);
        return instance.buffer.get();
    }

    library.EMySetCurrentDev(deviceId);
    double temperature = kUnreadValue;
    double humidity = kUnreadValue;
    RenewOutputBuffer(instance);
    library.EMyReadHUM(&temperature, &humidity);

    const bool fahrenheit = contains(working, "[tempF]");
    if (fahrenheit) temperature = temperature * 9.0 / 5.0 + 32.0;
    temperature += parameters.tempCalibration;  // in the unit shown

    NumberText number;
    ReplaceAll(working, fahrenheit ? "[tempF]" : "[tempC]",
               FormatDecimal(number, temperature, parameters.decimalPlaces));

    humidity += parameters.humCalibration;
    const std::string_view humidityText = FormatDecimal(number, humidity, parameters.decimalPlaces);
    ReplaceAll(working, contains(working, "[humW]") ? "[humW]" : "[hum]", humidityText);

    ReplaceAll(working, "[devcnt]", FormatInteger(number, library.deviceCount));

    if (fahrenheit) temperature = (temperature - 32.0) * 5.0 / 9.0;
    ReplaceAll(working, "[dew]", FormatDecimal(number, DewPoint(temperature, humidity), parameters.decimalPlaces));

    writeDisplayString(instance.buffer.get(), working);
    return instance.buffer.get();
}

}  // namespace

void ReplaceAll(std::string& text, std::string_view token, std::string_view value) {
    std::size_t found = text.find(token);
    if (found == std::string::npos) return;

    // Built into a new text, so that no replacement moves the rest of the text.
    std::string replaced;
    replaced.reserve(text.size());
    std::size_t copiedUpTo = 0;
    do {
        replaced.append(text, copiedUpTo, found - copiedUpTo);
        replaced.append(value);
        copiedUpTo = found + token.size();
        found = text.find(token, copiedUpTo);
    } while (found != std::string::npos);
    replaced.append(text, copiedUpTo, std::string::npos);
    text.swap(replaced);
}

double DewPoint(double temperatureCelsius, double relativeHumidity) {
    const double e =
        7.5 * temperatureCelsius / (temperatureCelsius + 237.3) + 0.66077 + std::log10(relativeHumidity) - 2.0;
    return 237.3 * (e - 0.66077) / (8.16077 - e);
}

extern "C" const char* VARDELO_STDCALL GetData(PluginInstance* instance, const char* displayString,
                                               const char* deviceId, const char* decimalPlaces,
                                               const char* tempCalibration, const char* humCalibration) {
    if (instance == nullptr) return kErrorReadingData;

    std::string working;
    try {
        working = textOrEmpty(displayString);
    } catch (...) {
        writeDisplayString(instance->buffer.get(), kErrorReadingData);
        return instance->buffer.get();
    }
    const RequestParameters parameters = readParameters(deviceId, decimalPlaces, tempCalibration, humCalibration);

    try {
        return readDevice(*instance, working, parameters);
    } catch (...) {
        // The buffer is the instance's current one: renewed or not, never released.
        writeDisplayString(instance->buffer.get(), kErrorReadingData);
        return instance->buffer.get();
    }
}
