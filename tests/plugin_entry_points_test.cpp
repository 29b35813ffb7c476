// The entry points that describe the plug-in and create and end instances.
#include "plugin/exports.h"
#include "plugin/plugin_instance.h"
#include "tests/support/allocation_control.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PluginEntryPoints, InitAndDllTypeAreConstant) {
    for (int call = 0; call < 3; ++call) {
        EXPECT_STREQ(init(), "GetData");
        EXPECT_EQ(dlltype(), 1);
    }
}

TEST(PluginEntryPoints, GetParamMatchesOnlyTheDataFunctionIgnoringAsciiCase) {
    const std::string parameters = "display string|device ID|decimal places|temp. calibration|hum. calibration|";
    const struct {
        const char* name;
        bool matches;
    } cases[] = {
        {"GetData", true},   {"getdata", true},    {"GETDATA", true},   {"gEtDaTa", true},
        {"", false},         {"GetData ", false},  {"GetData1", false}, {"GetDat", false},
        {" GetData", false}, {"GetData\t", false}, {"init", false},     {"G\xC9tData", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(getparam(c.name), c.matches ? parameters : std::string()) << '"' << c.name << '"';
    }
    EXPECT_STREQ(getparam(nullptr), "");
}

TEST(PluginEntryPoints, GetInfoAnswersIndexZeroToSevenAndNothingElse) {
    const char* const expected[] = {
        "Korvanel Vardelo plugin",
        "Quenlet",
        "1.1",
        "6/9/2010",
        "2/13/2011",
        "www.example.org/vardelo",
        "vardelo@example.org",
        "Reads data from\n\t\tVardelo USB hygrometer",
    };
    for (std::uint32_t index = 0; index < 8; ++index) EXPECT_STREQ(getinfo(index), expected[index]) << index;
    for (std::uint32_t index : {8u, 9u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        ASSERT_NE(getinfo(index), nullptr);
        EXPECT_STREQ(getinfo(index), "") << index;
    }
    const std::string description = getinfo(7);
    EXPECT_EQ(description.substr(15, 3), "\n\t\t");  // line feed as the 16th character, then two tabs
    EXPECT_EQ(description.find('\r'), std::string::npos);
}

TEST(PluginEntryPoints, InstancesAreIndependent) {
    PluginInstance* first = dllstartup(0, 0);
    PluginInstance* second = dllstartup(7, -1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->buffer.get(), second->buffer.get());

    EXPECT_EQ(dllshutdown(first), 0);
    EXPECT_STREQ(GetData(second, "x", "", "", "", ""), "Can't load HidFTDll.dll");
    EXPECT_EQ(dllshutdown(second), 0);
}

TEST(PluginEntryPoints, ShutdownReleasesInstanceAndBuffer) {
    const long before = LiveAllocations();
    for (int round = 0; round < 100; ++round) {
        PluginInstance* instance = dllstartup(0, 0);
        ASSERT_NE(instance, nullptr);
        EXPECT_EQ(LiveAllocations(), before + 2);
        EXPECT_EQ(dllshutdown(instance), 0);
    }
    EXPECT_EQ(LiveAllocations(), before);
    EXPECT_EQ(dllshutdown(nullptr), 0);
    EXPECT_EQ(LiveAllocations(), before);
}

TEST(PluginEntryPoints, StartupWithoutMemoryReturnsNullAndLeaksNothing) {
    const long before = LiveAllocations();
    for (long failing : {0L, 1L}) {  // the instance, then its buffer
        ScopedAllocationFailure failure(failing);
        EXPECT_EQ(dllstartup(0, 0), nullptr) << failing;
        EXPECT_TRUE(failure.Triggered());
        EXPECT_EQ(LiveAllocations(), before) << failing;
    }
}

TEST(PluginEntryPoints, RenewOutputBufferGivesAFreshBlockOrKeepsTheOld) {
    PluginInstance* instance = dllstartup(0, 0);
    ASSERT_NE(instance, nullptr);
    const long live = LiveAllocations();

    char* old = instance->buffer.get();
    char* renewed = RenewOutputBuffer(*instance);
    EXPECT_NE(renewed, old);
    EXPECT_EQ(renewed, instance->buffer.get());
    EXPECT_EQ(LiveAllocations(), live);

    {
        ScopedAllocationFailure failure(0);
        EXPECT_THROW(RenewOutputBuffer(*instance), std::bad_alloc);
    }
    EXPECT_EQ(instance->buffer.get(), renewed);
    EXPECT_EQ(LiveAllocations(), live);
    dllshutdown(instance);
}

}  // namespace
