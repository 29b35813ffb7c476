// The whole module, loaded as the host loads it: each case lays out a host
// directory with the simulated hygrometer in its plugins folder and a
// registry hive that names it, runs vardelo-probe on Vardelo.so and checks
// its answer and the vendor calls the simulated library recorded.
#include "tests/support/command_output.h"
#include "tests/support/scratch_directory.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

enum class Library { simulated, withoutReadHum, none };

// A host installation: a directory, its plugins folder, a hive and a log.
class HostDirectory {
public:
    explicit HostDirectory(Library library) {
        if (library == Library::none) return;
        std::filesystem::create_directories(scratch_.path() / "plugins");
        std::filesystem::copy_file(
            library == Library::simulated ? VARDELO_SIMULATED_HYGROMETER : VARDELO_SIMULATED_HYGROMETER_WITHOUT_READHUM,
            scratch_.path() / "plugins" / "HidFTDll.dll");
    }

    std::string path() const { return scratch_.path().string(); }
    std::string logPath() const { return (scratch_.path() / "calls.log").string(); }
    std::string hivePath() const { return (scratch_.path() / "hkcu.hive").string(); }

    void writeHive(const std::string& contents) const { scratch_.write("hkcu.hive", contents); }

    // The hive of an installed host whose DirPath is `directory`.
    void writeInstalledHive(const std::string& directory) const {
        writeHive("[Software\\Brindlow Korvanel\\General]\nDirPath=sz:" + directory + "\n");
    }

    std::vector<std::string> loggedCalls() const {
        std::ifstream log(logPath());
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

    // The last call logged, or "" before the first.
    std::string lastLoggedCall() const {
        const std::vector<std::string> calls = loggedCalls();
        return calls.empty() ? std::string() : calls.back();
    }

private:
    ScratchDirectory scratch_;
};

// The text quoted for the shell.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ProbeRun {
    std::string output;  // what the probe wrote to standard output
    int status;          // its exit status
};

// Runs vardelo-probe with `arguments`, its standard error discarded. The
// shell appends a line with the exit status, which is split off again.
ProbeRun runProbe(const std::vector<std::string>& arguments) {
    std::string command = shellQuoted(VARDELO_PROBE);
    for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
    const std::string output = CommandOutput(command + " 2>/dev/null; printf '\\nexit %d\\n' \"$?\"");
    const std::size_t marker = output.rfind("\nexit ");
    if (marker == std::string::npos) return ProbeRun{output, -1};
    return ProbeRun{output.substr(0, marker), std::atoi(output.c_str() + marker + 6)};
}

// Runs the probe on the module to read `request` (template, device, ...).
std::string readThroughProbe(const std::vector<std::string>& request) {
    std::vector<std::string> arguments = {VARDELO_MODULE};
    arguments.insert(arguments.end(), request.begin(), request.end());
    const ProbeRun run = runProbe(arguments);
    EXPECT_EQ(run.status, 0);
    return run.output;
}

const std::vector<std::string> kReadDevice0 = {"EMySetCurrentDev(0)", "EMyReadHUM"};

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct EndToEndCase {
    const char* name;
    Library library;
    enum {
        installed,
        installedWithTrailingSlash,
        installedWithTrailingBackslash,
        emptyDirPath,
        noDirPath,
        noHive
    } registry;
    const char* devices;               // VARDELO_SIM_DEVICES, or null for the default
    const char* detect;                // VARDELO_SIM_DETECT, or null
    std::vector<std::string> request;  // template, device, decimals, calibrations
    const char* answer;
    std::vector<std::string> calls;  // what the simulated library recorded
};

std::ostream& operator<<(std::ostream& out, const EndToEndCase& c) { return out << c.name; }

class ModuleEndToEnd : public ::testing::TestWithParam<EndToEndCase> {};

TEST_P(ModuleEndToEnd, AnswersAndVendorCalls) {
    const EndToEndCase& c = GetParam();
    HostDirectory host(c.library);
    switch (c.registry) {
        case EndToEndCase::installed:
            host.writeInstalledHive(host.path());
            break;
        case EndToEndCase::installedWithTrailingSlash:
            host.writeInstalledHive(host.path() + "/");
            break;
        case EndToEndCase::installedWithTrailingBackslash:
            host.writeInstalledHive(host.path() + "\\");
            break;
        case EndToEndCase::emptyDirPath:
            host.writeHive("[Software\\Brindlow Korvanel\\General]\nDirPath=sz:\n");
            break;
        case EndToEndCase::noDirPath:
            host.writeHive("[Software\\Brindlow Korvanel\\General]\nInstallDir=sz:" + host.path() + "\n");
            break;
        case EndToEndCase::noHive:
            break;
    }
    ScopedEnvironment hive("VARDELO_STANDIN_HKCU", host.hivePath());
    ScopedEnvironment log("VARDELO_SIM_LOG", host.logPath());
    std::unique_ptr<ScopedEnvironment> devices, detect;
    if (c.devices != nullptr) devices = std::make_unique<ScopedEnvironment>("VARDELO_SIM_DEVICES", c.devices);
    if (c.detect != nullptr) detect = std::make_unique<ScopedEnvironment>("VARDELO_SIM_DETECT", c.detect);

    EXPECT_EQ(readThroughProbe(c.request), std::string(c.answer) + "\n");
    EXPECT_EQ(host.loggedCalls(), c.calls);
}

const std::vector<std::string> kAttachOneDevice = {"load", "EMyDetectDevice(0)", "EMySetCurrentDev(0)",
                                                   "EMyInitConfig(1)"};
const std::vector<std::string> kUnload = {"unload"};
const std::vector<std::string> kNothing = {};

INSTANTIATE_TEST_SUITE_P(Cases, ModuleEndToEnd,
                         ::testing::Values(EndToEndCase{"default device",
                                                        Library::simulated,
                                                        EndToEndCase::installed,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC] [hum] [dew] [devcnt]", "0", "1"},
                                                        "21.5 40.0 7.3 1",
                                                        concat({kAttachOneDevice, kReadDevice0, kUnload})},
                                           EndToEndCase{
                                               "three devices, the third read",
                                               Library::simulated,
                                               EndToEndCase::installed,
                                               "20:30,21:31,22:32",
                                               nullptr,
                                               {"[tempF] [humW] [devcnt]", "2", "1"},
                                               "71.6 32.0 3",
                                               {"load", "EMyDetectDevice(0)", "EMySetCurrentDev(0)", "EMyInitConfig(1)",
                                                "EMySetCurrentDev(1)", "EMyInitConfig(1)", "EMySetCurrentDev(2)",
                                                "EMyInitConfig(1)", "EMySetCurrentDev(2)", "EMyReadHUM", "unload"}},
                                           EndToEndCase{"no device detected",
                                                        Library::simulated,
                                                        EndToEndCase::installed,
                                                        nullptr,
                                                        "0",
                                                        {"[tempC]"},
                                                        "Invalid device ID: 0",
                                                        {"load", "EMyDetectDevice(0)", "unload"}},
                                           EndToEndCase{"detection fails",
                                                        Library::simulated,
                                                        EndToEndCase::installed,
                                                        nullptr,
                                                        "-1",
                                                        {"[tempC]", "0"},
                                                        "Invalid device ID: 0",
                                                        {"load", "EMyDetectDevice(0)", "unload"}},
                                           EndToEndCase{"device index out of range",
                                                        Library::simulated,
                                                        EndToEndCase::installed,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC]", "1"},
                                                        "Invalid device ID: 1",
                                                        concat({kAttachOneDevice, kUnload})},
                                           EndToEndCase{"a read that writes nothing",
                                                        Library::simulated,
                                                        EndToEndCase::installed,
                                                        "-",
                                                        nullptr,
                                                        {"[tempC] [hum] [dew]"},
                                                        "-99.00 -99.00 nan",
                                                        concat({kAttachOneDevice, kReadDevice0, kUnload})},
                                           EndToEndCase{"directory with a trailing slash",
                                                        Library::simulated,
                                                        EndToEndCase::installedWithTrailingSlash,
                                                        nullptr,
                                                        nullptr,
                                                        {"[hum]", "", "0"},
                                                        "40",
                                                        concat({kAttachOneDevice, kReadDevice0, kUnload})},
                                           EndToEndCase{"directory with a trailing backslash",
                                                        Library::simulated,
                                                        EndToEndCase::installedWithTrailingBackslash,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC]", "0", "2"},
                                                        "21.50",
                                                        concat({kAttachOneDevice, kReadDevice0, kUnload})},
                                           EndToEndCase{"library without EMyReadHUM",
                                                        Library::withoutReadHum,
                                                        EndToEndCase::installed,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC]"},
                                                        "Can't read HidFTDll.dll",
                                                        {"load", "unload"}},
                                           EndToEndCase{"no library in the plugins folder",
                                                        Library::none,
                                                        EndToEndCase::installed,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC]"},
                                                        "Can't load HidFTDll.dll",
                                                        kNothing},
                                           EndToEndCase{"empty DirPath",
                                                        Library::simulated,
                                                        EndToEndCase::emptyDirPath,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC]"},
                                                        "Can't load HidFTDll.dll",
                                                        kNothing},
                                           EndToEndCase{"no DirPath",
                                                        Library::simulated,
                                                        EndToEndCase::noDirPath,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC]"},
                                                        "Can't load HidFTDll.dll",
                                                        kNothing},
                                           EndToEndCase{"host not installed",
                                                        Library::simulated,
                                                        EndToEndCase::noHive,
                                                        nullptr,
                                                        nullptr,
                                                        {"[tempC]"},
                                                        "Can't load HidFTDll.dll",
                                                        kNothing}));

// The probe itself: its --info report on the real module, and its exit
// status when it cannot do what it is asked.
TEST(Probe, InfoReportsTheHostEntryPointsAndEscapesControlCharacters) {
    HostDirectory host(Library::none);
    ScopedEnvironment hive("VARDELO_STANDIN_HKCU", host.hivePath());  // no hive: nothing to read

    const ProbeRun run = runProbe({"--info", VARDELO_MODULE, "[devcnt]"});

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "init: GetData\n"
              "getparam(GetData): display string|device ID|decimal places|temp. calibration|hum. calibration|\n"
              "dlltype: 1\n"
              "getinfo(0): Korvanel Vardelo plugin\n"
              "getinfo(1): Quenlet\n"
              "getinfo(2): 1.1\n"
              "getinfo(3): 6/9/2010\n"
              "getinfo(4): 2/13/2011\n"
              "getinfo(5): www.example.org/vardelo\n"
              "getinfo(6): vardelo@example.org\n"
              "getinfo(7): Reads data from\\n\\t\\tVardelo USB hygrometer\n"
              "Can't load HidFTDll.dll\n");
}

struct ProbeFailure {
    const char* name;
    std::vector<std::string> arguments;
    int status;
};

std::ostream& operator<<(std::ostream& out, const ProbeFailure& c) { return out << c.name; }

class ProbeFailures : public ::testing::TestWithParam<ProbeFailure> {};

TEST_P(ProbeFailures, PrintNothingAndExitWithTheirStatus) {
    const ProbeRun run = runProbe(GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.output, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProbeFailures,
    ::testing::Values(ProbeFailure{"no arguments", {}, 2}, ProbeFailure{"no module after --info", {"--info"}, 2},
                      ProbeFailure{"too many texts", {VARDELO_MODULE, "t", "d", "2", "0", "0", "extra"}, 2},
                      ProbeFailure{"module missing", {"/nonexistent/Vardelo.so", "[tempC]"}, 1},
                      ProbeFailure{
                          "module without the host entry points", {VARDELO_SIMULATED_HYGROMETER, "[tempC]"}, 1}));

// In this process: the library is bound while the module loads and
// released while it unloads, each time it is loaded.
TEST(ModuleLifetime, LoadBindsAndUnloadReleasesTheLibrary) {
    HostDirectory host(Library::simulated);
    host.writeInstalledHive(host.path());
    ScopedEnvironment hive("VARDELO_STANDIN_HKCU", host.hivePath());
    ScopedEnvironment log("VARDELO_SIM_LOG", host.logPath());

    for (int load = 1; load <= 2; ++load) {
        void* module = dlopen(VARDELO_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        EXPECT_EQ(host.lastLoggedCall(), "EMyInitConfig(1)") << "load " << load;
        ASSERT_EQ(dlclose(module), 0);
        EXPECT_EQ(host.lastLoggedCall(), "unload") << "load " << load;
    }
    EXPECT_EQ(host.loggedCalls().size(), 2 * (kAttachOneDevice.size() + kUnload.size()));
}

}  // namespace
