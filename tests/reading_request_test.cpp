// GetData from end to end against a bound SensorLibrary record, and its
// token replacement and dew point.
#include "plugin/reading_request.h"
#include "plugin/exports.h"
#include "plugin/plugin_instance.h"
#include "sensor/sensor_library.h"
#include "tests/support/allocation_control.h"
#include "tests/support/fake_vendor_library.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

namespace {

using fake_vendor::Device;

class GetDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_vendor::Reset();
        Bind({{21.5, 40.0}});
        instance_ = dllstartup(0, 0);
        ASSERT_NE(instance_, nullptr);
    }
    void TearDown() override {
        dllshutdown(instance_);
        sensorLibrary = SensorLibrary{};
        fake_vendor::Reset();
    }

    void Bind(std::vector<Device> devices) {
        fake_vendor::state.devices = std::move(devices);
        sensorLibrary = fake_vendor::BoundRecord(static_cast<int>(fake_vendor::state.devices.size()));
    }

    const char* Request(const char* displayString, const char* deviceId = "", const char* decimalPlaces = "",
                        const char* tempCalibration = "", const char* humCalibration = "") {
        return GetData(instance_, displayString, deviceId, decimalPlaces, tempCalibration, humCalibration);
    }

    PluginInstance* instance_ = nullptr;
};

struct ReadingCase {
    const char* displayString;
    const char* decimalPlaces;
    const char* tempCalibration;
    const char* humCalibration;
    Device device;
    const char* expected;
};

TEST_F(GetDataTest, WritesReadingsIntoTheTemplate) {
    const ReadingCase cases[] = {
        // decimal places: empty is 2, negative is 6, no number is 0
        {"[tempC]", "", "", "", {21.4, 40}, "21.40"},
        {"[tempC]", "0", "", "", {21.4, 40}, "21"},
        {"[tempC]", "-1", "", "", {21.4, 40}, "21.400000"},
        {"[tempC]", "x", "", "", {21.4, 40}, "21"},
        {"[tempC]", " 3rd", "", "", {21.4, 40}, "21.400"},
        // every occurrence, wherever it stands
        {"[tempC] and [tempC]", "1", "", "", {21.5, 40}, "21.5 and 21.5"},
        {"[tempC][tempC]x[tempC]", "0", "", "", {21.5, 40}, "2222x22"},
        // only one token of each pair
        {"[tempF]/[tempC]", "1", "", "", {21.5, 40}, "70.7/[tempC]"},
        {"[humW] [hum]", "1", "", "", {21.5, 40}, "40.0 [hum]"},
        {"[hum] [hum]", "1", "", "", {21.5, 40}, "40.0 40.0"},
        // dew point, in Celsius also when the temperature is shown in Fahrenheit
        {"[dew]", "2", "", "", {21.5, 40}, "7.34"},
        {"[tempF] [dew]", "2", "1", "", {21.5, 40}, "71.70 7.84"},
        {"[tempC] [dew]", "2", "-1.5", "", {21.5, 40}, "20.00 6.00"},
        {"[dew]", "2", "", "", {21.5, 0}, "nan"},
        {"[dew]", "2", "", "", {21.5, 100}, "21.50"},
        // calibrations: "." is the only decimal point
        {"[hum]", "2", "", "2.5", {21.5, 40}, "42.50"},
        {"[hum]", "2", "", "2,5", {21.5, 40}, "42.00"},
        {"[hum]", "2", "", " -.5e1", {21.5, 40}, "35.00"},
        {"[tempC]", "2", "inf", "", {21.4, 40}, "21.40"},
        {"[tempC]", "2", "nan", "", {21.4, 40}, "21.40"},
        {"[tempC]", "2", "0x10", "", {21.4, 40}, "21.40"},
        {"[tempC]", "2", "1e400", "", {21.4, 40}, "inf"},
        {"[tempC]", "2", "-1e400", "", {21.4, 40}, "-inf"},
        // numbers too long for 31 characters are never cut
        {"[tempC]", "40", "", "", {21.4, 40}, "21.3999999999999985789145284798"},
        {"[tempC]", "99999999999", "", "", {21.4, 40}, "21.3999999999999985789145284798"},
        {"[tempC]", "2", "1e300", "", {21.4, 40}, "1.00000000000000e+300"},
        // case-sensitive tokens, a template without tokens, an empty template
        {"[TEMPC] [Hum] [tempc] [DEW]", "2", "", "", {21.5, 40}, "[TEMPC] [Hum] [tempc] [DEW]"},
        {"no tokens at all", "2", "", "", {21.5, 40}, "no tokens at all"},
        {"", "2", "", "", {21.5, 40}, ""},
        // a read that writes nothing
        {"[tempC] [hum] [dew]", "", "", "", {0, 0, true}, "-99.00 -99.00 nan"},
        {"[tempF]", "", "", "", {0, 0, true}, "-146.20"},
    };
    for (const ReadingCase& c : cases) {
        Bind({c.device});
        EXPECT_STREQ(Request(c.displayString, "0", c.decimalPlaces, c.tempCalibration, c.humCalibration), c.expected)
            << "template \"" << c.displayString << "\", decimals \"" << c.decimalPlaces << "\", calibrations \""
            << c.tempCalibration << "\" \"" << c.humCalibration << '"';
    }
}

TEST_F(GetDataTest, DeviceCountAndDeviceSelection) {
    Bind({{20, 30}, {21, 31}, {22, 32}});
    const struct {
        const char* deviceId;
        const char* expected;
    } cases[] = {
        {"", "20 30 3"},
        {"0", "20 30 3"},
        {"abc", "20 30 3"},
        {"1x", "21 31 3"},
        {" +1", "21 31 3"},
        {"2", "22 32 3"},
        {"3", "Invalid device ID: 3"},
        {"-1", "Invalid device ID: -1"},
        {"99999999999", "Invalid device ID: 2147483647"},
        {"-99999999999", "Invalid device ID: -2147483648"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(Request("[tempC] [hum] [devcnt]", c.deviceId, "0"), c.expected) << '"' << c.deviceId << '"';
    }
}

TEST_F(GetDataTest, SelectsThenReadsTheRequestedDevice) {
    Bind({{20, 30}, {21, 31}});
    Request("[tempC]", "1");
    EXPECT_EQ(fake_vendor::Calls(), (std::vector<std::string>{"EMySetCurrentDev(1)", "EMyReadHUM"}));
}

TEST_F(GetDataTest, MessagesForAnUnboundLibraryOrAnInvalidDevice) {
    const struct {
        const char* name;
        SensorLibrary record;
        const char* deviceId;
        const char* expected;
    } cases[] = {
        {"no library", SensorLibrary{}, "", "Can't load HidFTDll.dll"},
        {"no EMyReadHUM",
         [] {
             SensorLibrary r = fake_vendor::BoundRecord(2);
             r.EMyReadHUM = nullptr;
             return r;
         }(),
         "", "Can't read HidFTDll.dll"},
        {"no EMyInitConfig",
         [] {
             SensorLibrary r = fake_vendor::BoundRecord(2);
             r.EMyInitConfig = nullptr;
             return r;
         }(),
         "", "Can't read HidFTDll.dll"},
        {"two devices, index 2", fake_vendor::BoundRecord(2), "2", "Invalid device ID: 2"},
        {"no device", fake_vendor::BoundRecord(0), "", "Invalid device ID: 0"},
        {"negative count", fake_vendor::BoundRecord(-1), "", "Invalid device ID: 0"},
    };
    for (const auto& c : cases) {
        sensorLibrary = c.record;
        const char* previous = Request("");
        fake_vendor::Reset();
        const char* answer = Request("[tempC] [hum] [dew] [devcnt]", c.deviceId);
        EXPECT_STREQ(answer, c.expected) << c.name;
        EXPECT_EQ(answer, previous) << c.name << ": the message goes into the same buffer";
        EXPECT_TRUE(fake_vendor::Calls().empty()) << c.name << ": no vendor call";
    }
}

TEST_F(GetDataTest, ReadingRenewsTheBuffer) {
    const char* first = Request("[tempC]");
    const char* second = Request("[tempC]");
    EXPECT_NE(first, second);
    EXPECT_EQ(second, instance_->buffer.get());
}

TEST_F(GetDataTest, ResultIsCutTo1023Characters) {
    const std::string exact(1023, 'a');
    EXPECT_EQ(Request(exact.c_str()), exact);
    EXPECT_EQ(Request((exact + "bcd").c_str()), exact);
    // replacements shorten the text before it is cut
    std::string shrinking;
    for (int i = 0; i < 200; ++i) shrinking += "[devcnt]";
    EXPECT_EQ(Request(shrinking.c_str()), std::string(200, '1'));
}

TEST_F(GetDataTest, ExceptionsBecomeErrorReadingData) {
    const std::string longTemplate = "temperature [tempC], humidity [hum], dew point [dew]";
    const struct {
        const char* name;
        fake_vendor::Fault fault;
        long failingAllocation;  // -1: none
        const char* displayString;
        bool renewed;
    } cases[] = {
        {"select throws", fake_vendor::Fault::throwOnSelect, -1, "[tempC]", false},
        {"read throws", fake_vendor::Fault::throwOnRead, -1, "[tempC]", true},
        {"no memory to copy the template", fake_vendor::Fault::none, 0, longTemplate.c_str(), false},
        {"no memory to renew the buffer", fake_vendor::Fault::none, 0, "[tempC]", false},
        {"no memory to replace a token", fake_vendor::Fault::none, 2, longTemplate.c_str(), true},
    };
    for (const auto& c : cases) {
        const char* previous = Request("");
        fake_vendor::state.fault = c.fault;
        const long live = LiveAllocations();
        const char* answer;
        {
            ScopedAllocationFailure failure(c.failingAllocation);
            answer = Request(c.displayString);
            EXPECT_EQ(failure.Triggered(), c.failingAllocation >= 0) << c.name;
        }
        fake_vendor::state.fault = fake_vendor::Fault::none;
        EXPECT_STREQ(answer, "Error reading data") << c.name;
        EXPECT_EQ(answer, instance_->buffer.get()) << c.name;
        EXPECT_EQ(answer != previous, c.renewed) << c.name;
        EXPECT_EQ(LiveAllocations(), live) << c.name;
    }
}

TEST_F(GetDataTest, NullArgumentsAreHandled) {
    EXPECT_STREQ(GetData(nullptr, "[tempC]", "", "", "", ""), "Error reading data");
    EXPECT_TRUE(fake_vendor::Calls().empty());
    EXPECT_STREQ(GetData(instance_, nullptr, nullptr, nullptr, nullptr, nullptr), "");
    EXPECT_STREQ(GetData(instance_, "[tempC]", nullptr, nullptr, nullptr, nullptr), "21.50");
}

TEST_F(GetDataTest, NumbersIgnoreTheProcessLocale) {
    const char* decimalCommaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
    const char* chosen = nullptr;
    for (const char* name : decimalCommaLocales) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
    const bool usesComma = std::localeconv()->decimal_point[0] == ',';
    const std::string answer = Request("[tempC] [hum] [dew]", "0", "2", "0.5", "1.5");
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(usesComma) << chosen;
    EXPECT_EQ(answer, "22.00 41.50 8.33");
}

TEST(ReplaceAll, ReplacesLeftToRightAndNeverSearchesInsertedText) {
    const struct {
        const char* text;
        const char* token;
        const char* value;
        const char* expected;
    } cases[] = {
        {"", "[a]", "1", ""},
        {"[a]", "[a]", "1", "1"},
        {"x[a]y[a]z", "[a]", "", "xyz"},
        {"[a][a][a]", "[a]", "[a][a]", "[a][a][a][a][a][a]"},
        {"[[a]]", "[a]", "a", "[a]"},
        {"aaaa", "aa", "b", "bb"},
        {"[a", "[a]", "1", "[a"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        ReplaceAll(text, c.token, c.value);
        EXPECT_EQ(text, c.expected) << c.text;
    }
}

TEST(DewPoint, FollowsTheMagnusFormula) {
    EXPECT_NEAR(DewPoint(21.5, 40.0), 7.3435, 5e-5);
    EXPECT_NEAR(DewPoint(22.0, 41.5), 8.3310, 5e-5);
    EXPECT_NEAR(DewPoint(10.0, 100.0), 10.0, 1e-9);
    EXPECT_GT(DewPoint(20.0, 120.0), 20.0);
    EXPECT_TRUE(std::isnan(DewPoint(20.0, 0.0)));
    EXPECT_TRUE(std::isnan(DewPoint(20.0, -99.0)));
}

}  // namespace
