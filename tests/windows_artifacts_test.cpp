// Checks the built Windows DLLs with the mingw objdump: the export table
// the host looks up (names, ordinals, shared addresses, module name) and
// the imports, which must be system DLLs only so that a user copies one file.
#include "tests/support/command_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

struct PeSummary {
    std::string fileFormat;
    std::string moduleName;
    std::map<std::string, int> ordinalByName;
    std::map<int, std::string> addressByOrdinal;
    std::set<std::string> importedDlls;
};

PeSummary inspect(const std::string& objdump, const std::string& dll) {
    const std::string output = CommandOutput(objdump + " -p '" + dll + "'");
    PeSummary pe;
    int ordinalBase = 0;
    enum { other, addresses, names } section = other;
    const std::regex formatLine(R"(file format (\S+))");
    const std::regex nameLine(R"(^Name\s+[0-9a-fA-F]+\s+(\S+))");
    const std::regex baseLine(R"(^Ordinal Base\s+(\d+))");
    const std::regex addressLine(R"(^\s+\[\s*(\d+)\] \+base\[\s*(\d+)\]\s+([0-9a-fA-F]+) Export RVA)");
    const std::regex exportNameLine(R"(^\s+\[\s*(\d+)\] (\S+)$)");
    const std::regex importLine(R"(^\s+DLL Name: (\S+))");
    std::istringstream lines(output);
    std::smatch m;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Export Address Table --", 0) == 0) {
            section = addresses;
        } else if (line.rfind("[Ordinal/Name Pointer] Table", 0) == 0) {
            section = names;
        } else if (line.empty()) {
            section = other;
        } else if (std::regex_search(line, m, formatLine) && pe.fileFormat.empty()) {
            pe.fileFormat = m[1];
        } else if (std::regex_search(line, m, nameLine)) {
            pe.moduleName = m[1];
        } else if (std::regex_search(line, m, baseLine)) {
            ordinalBase = std::stoi(m[1]);
        } else if (section == addresses && std::regex_search(line, m, addressLine)) {
            pe.addressByOrdinal[std::stoi(m[2])] = m[3];
        } else if (section == names && std::regex_search(line, m, exportNameLine)) {
            pe.ordinalByName[m[2]] = std::stoi(m[1]) + ordinalBase;
        } else if (std::regex_search(line, m, importLine)) {
            pe.importedDlls.insert(m[1]);
        }
    }
    return pe;
}

// The DLL to check, or a skip when it was not built. The test command
// builds the Windows presets first and sets VARDELO_REQUIRE_WINDOWS_BUILDS,
// so that there a missing DLL fails instead.
std::string builtDll(const char* path) {
    if (std::filesystem::exists(path)) return path;
    if (std::getenv("VARDELO_REQUIRE_WINDOWS_BUILDS") != nullptr) {
        ADD_FAILURE() << path << " is missing: build the Windows presets first";
    }
    return std::string();
}

const std::map<std::string, int> kHostExports = {
    {"GetData", 1},    {"_GetData@24", 2}, {"_dllshutdown@4", 3}, {"_dllstartup@8", 4}, {"_dlltype@0", 5},
    {"_getinfo@4", 6}, {"_getparam@4", 7}, {"_init@0", 8},        {"dllshutdown", 9},   {"dllstartup", 10},
    {"dlltype", 11},   {"getinfo", 12},    {"getparam", 13},      {"init", 14},
};

const std::set<std::string> kSystemDlls = {"KERNEL32.dll", "msvcrt.dll", "ADVAPI32.dll"};

void expectHostExportTable(const PeSummary& pe) {
    EXPECT_EQ(pe.moduleName, "Vardelo.dll");
    EXPECT_EQ(pe.ordinalByName, kHostExports);
    EXPECT_EQ(pe.addressByOrdinal.size(), kHostExports.size()) << "no export by ordinal alone";
    for (const char* name : {"GetData", "dllshutdown", "dllstartup", "dlltype", "getinfo", "getparam", "init"}) {
        const auto decorated = std::find_if(kHostExports.begin(), kHostExports.end(), [&](const auto& entry) {
            return entry.first.rfind(std::string("_") + name + "@", 0) == 0;
        });
        ASSERT_NE(decorated, kHostExports.end()) << name;
        EXPECT_EQ(pe.addressByOrdinal.at(kHostExports.at(name)), pe.addressByOrdinal.at(decorated->second))
            << name << " and " << decorated->first << " must lead to the same function";
    }
}

struct WindowsBuild {
    const char* preset;
    const char* module;
    const char* objdump;
    const char* fileFormat;
};

std::ostream& operator<<(std::ostream& out, const WindowsBuild& build) { return out << build.preset; }

class WindowsArtifacts : public ::testing::TestWithParam<WindowsBuild> {};

TEST_P(WindowsArtifacts, ModuleExportsTheFourteenNamesAndImportsSystemDllsOnly) {
    const WindowsBuild& build = GetParam();
    const std::string dll = builtDll(build.module);
    if (dll.empty()) GTEST_SKIP() << build.preset << " preset not built";
    const PeSummary pe = inspect(build.objdump, dll);
    EXPECT_EQ(pe.fileFormat, build.fileFormat);
    expectHostExportTable(pe);
    EXPECT_EQ(pe.importedDlls, kSystemDlls);
}

INSTANTIATE_TEST_SUITE_P(
    Builds, WindowsArtifacts,
    ::testing::Values(WindowsBuild{"win32", VARDELO_WIN32_MODULE, VARDELO_WIN32_OBJDUMP, "pei-i386"},
                      WindowsBuild{"win64", VARDELO_WIN64_MODULE, VARDELO_WIN64_OBJDUMP, "pei-x86-64"}));

}  // namespace
