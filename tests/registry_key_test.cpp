// The registry accessor and the host directory lookup against the registry
// stand-in, with every registry call counted on its way there.
#include "registry/registry_key.h"

#include "platform/posix/registry_standin.h"
#include "platform/win_api.h"
#include "tests/support/allocation_control.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/system_call_recorder.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using platform::BOOL;
using platform::BYTE;
using platform::DWORD;
using platform::HKEY;
using platform::LONG;
using platform::REGSAM;

constexpr char kHostKey[] = "Software\\Brindlow Korvanel\\General";
constexpr char kHostHeader[] = "[Software\\Brindlow Korvanel\\General]\n";
constexpr char kPriorPath[] = "Prior\\Path";
constexpr LONG kPriorStatus = 1018;  // a code that no step of the cases produces
constexpr char kDefault[] = "(default)";

// The registry calls made while a CountingCalls() table is installed. Every
// open fails with `openFailure` unless it is ERROR_SUCCESS.
struct CallCounts {
    int opens = 0;
    int opened = 0;  // opens that succeeded
    int queries = 0;
    int closes = 0;
    LONG openFailure = platform::ERROR_SUCCESS;

    int total() const { return opens + queries + closes; }
};
CallCounts counts;

LONG countOpen(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) {
    ++counts.opens;
    if (counts.openFailure != platform::ERROR_SUCCESS) {
        *result = HKEY{};
        return counts.openFailure;
    }
    const LONG code = platform::nativeSystemCalls.RegOpenKeyExA(root, subKey, options, access, result);
    if (code == platform::ERROR_SUCCESS) ++counts.opened;
    return code;
}

LONG countQuery(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
    ++counts.queries;
    return platform::nativeSystemCalls.RegQueryValueExA(key, name, reserved, type, data, size);
}

LONG countClose(HKEY key) {
    ++counts.closes;
    return platform::nativeSystemCalls.RegCloseKey(key);
}

platform::SystemCalls CountingCalls() {
    platform::SystemCalls calls = platform::nativeSystemCalls;
    calls.RegOpenKeyExA = countOpen;
    calls.RegQueryValueExA = countQuery;
    calls.RegCloseKey = countClose;
    return calls;
}

// A registry in which every key opens and every query fails with
// kPriorStatus, to put an accessor into a known state.
LONG primeOpen(HKEY, const char*, DWORD, REGSAM, HKEY* result) {
    *result = static_cast<HKEY>(0x4321);
    return platform::ERROR_SUCCESS;
}
LONG primeQuery(HKEY, const char*, DWORD*, DWORD*, BYTE*, DWORD*) { return kPriorStatus; }
LONG primeClose(HKEY) { return platform::ERROR_SUCCESS; }

// Leaves `key` at root HKEY_USERS, path kPriorPath and status kPriorStatus,
// none of which a case starts from by chance.
void Prime(CRegistryKey& key) {
    platform::SystemCalls calls = platform::nativeSystemCalls;
    calls.RegOpenKeyExA = primeOpen;
    calls.RegQueryValueExA = primeQuery;
    calls.RegCloseKey = primeClose;
    const ScopedSystemCalls primed(calls);
    key.Reset();
    ASSERT_EQ(key.SelectBaseKey(platform::HKEY_USERS), 1);
    ASSERT_EQ(key.SelectSubKey(kPriorPath), 1);
    ASSERT_EQ(key.QueryValueType("x"), 0u);
    ASSERT_EQ(key.Status(), kPriorStatus);
}

// One case: from the primed state, SelectBaseKey(root), SelectSubKey(path)
// and QueryString("DirPath", kDefault) on processRegistryKey, then
// GetHostDirectory().
struct Given {
    std::string hive;  // contents of HKEY_CURRENT_USER
    HKEY root = platform::HKEY_CURRENT_USER;
    const char* path = kHostKey;
    LONG openFailure = platform::ERROR_SUCCESS;  // injected into every open
};
struct AfterSelect {
    BOOL rootAccepted;
    HKEY baseKey;
    BOOL selected;
    const char* subKey;
    LONG status;
    int calls;  // registry calls made by SelectSubKey
};
struct Expected {
    std::string text;  // from QueryString
    LONG status;       // after QueryString
    std::string hostDirectory;
};
struct Case {
    std::string name;
    Given given;
    AfterSelect afterSelect;
    Expected expected;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const AfterSelect kHostKeyOpened{1, platform::HKEY_CURRENT_USER, 1, kHostKey, platform::ERROR_SUCCESS, 2};
const AfterSelect kHostKeyMissing{1, platform::HKEY_CURRENT_USER, 0, kPriorPath, platform::ERROR_FILE_NOT_FOUND, 1};

std::string HostKeyWith(const std::string& valueLine) { return kHostHeader + valueLine + "\n"; }

std::vector<Case> Cases() {
    using platform::ERROR_FILE_NOT_FOUND;
    using platform::ERROR_MORE_DATA;
    using platform::ERROR_SUCCESS;
    const std::string dir254 = "/" + std::string(252, 'd') + "e";
    const std::string dir255 = dir254 + "f";
    const std::string stored = HostKeyWith("DirPath=sz:/opt/Brindlow Korvanel/host dir");
    const std::string notFound = kDefault;
    return {
        {"StoredDirectoryIsReturnedAsStored",
         {stored},
         kHostKeyOpened,
         {"/opt/Brindlow Korvanel/host dir", ERROR_SUCCESS, "/opt/Brindlow Korvanel/host dir"}},
        {"DirectoryOf254CharactersIsReturnedWhole",
         {HostKeyWith("DirPath=sz:" + dir254)},
         kHostKeyOpened,
         {dir254, ERROR_SUCCESS, dir254}},
        {"DirectoryOf255CharactersGivesTheDefault",
         {HostKeyWith("DirPath=sz:" + dir255)},
         kHostKeyOpened,
         {kDefault, ERROR_MORE_DATA, ""}},
        {"ExpandableDirectoryIsReturnedUnexpanded",
         {HostKeyWith("DirPath=expand_sz:%ProgramFiles%\\Korvanel")},
         kHostKeyOpened,
         {"%ProgramFiles%\\Korvanel", ERROR_SUCCESS, "%ProgramFiles%\\Korvanel"}},
        {"DwordGivesTheDefault", {HostKeyWith("DirPath=dword:42")}, kHostKeyOpened, {kDefault, ERROR_SUCCESS, ""}},
        {"MissingValueGivesTheDefault",
         {HostKeyWith("Dir=sz:/opt/host")},
         kHostKeyOpened,
         {kDefault, ERROR_FILE_NOT_FOUND, ""}},
        {"EmptyValueIsEmptyText", {HostKeyWith("DirPath=sz:")}, kHostKeyOpened, {"", ERROR_SUCCESS, ""}},
        {"TrailingBackslashIsKept",
         {HostKeyWith("DirPath=sz:C:\\Program Files\\Korvanel\\")},
         kHostKeyOpened,
         {"C:\\Program Files\\Korvanel\\", ERROR_SUCCESS, "C:\\Program Files\\Korvanel\\"}},
        {"ReadOnlyKeyStillYieldsTheDirectory",
         {"[Software\\Brindlow Korvanel\\General] read-only\nDirPath=sz:/srv/host\n"},
         kHostKeyOpened,
         {"/srv/host", ERROR_SUCCESS, "/srv/host"}},
        {"DataWithoutNulIsReturnedAsItsBytes",
         {HostKeyWith("DirPath=hex(1):2f 6f 70 74")},
         kHostKeyOpened,
         {"/opt", ERROR_SUCCESS, "/opt"}},
        {"DataEndsAtItsFirstNul",
         {HostKeyWith("DirPath=hex(1):2f 6f 00 70 74 00")},
         kHostKeyOpened,
         {"/o", ERROR_SUCCESS, "/o"}},
        {"MissingKeyKeepsThePreviousPath",
         {"[Software\\Brindlow Korvanel]\nDirPath=sz:/one level up\n"},
         kHostKeyMissing,
         {kDefault, ERROR_FILE_NOT_FOUND, ""}},
        {"EmptyPathSelectsTheRootWithoutARegistryCall",
         {"DirPath=sz:/at the root\n" + stored, platform::HKEY_CURRENT_USER, ""},
         {1, platform::HKEY_CURRENT_USER, 1, "", kPriorStatus, 0},
         {"/at the root", ERROR_SUCCESS, "/opt/Brindlow Korvanel/host dir"}},
        {"CurrentConfigIsRefusedAndTheRootKept",
         {stored, platform::HKEY_CURRENT_CONFIG},
         {0, platform::HKEY_USERS, 0, kPriorPath, ERROR_FILE_NOT_FOUND, 1},
         {kDefault, ERROR_FILE_NOT_FOUND, "/opt/Brindlow Korvanel/host dir"}},
        {"OtherHandleIsRefusedAndTheRootKept",
         {stored, static_cast<HKEY>(0x1234)},
         {0, platform::HKEY_USERS, 0, kPriorPath, ERROR_FILE_NOT_FOUND, 1},
         {kDefault, ERROR_FILE_NOT_FOUND, "/opt/Brindlow Korvanel/host dir"}},
        {"LocalMachineIsAcceptedAndEmpty",
         {stored, platform::HKEY_LOCAL_MACHINE},
         {1, platform::HKEY_LOCAL_MACHINE, 0, kPriorPath, ERROR_FILE_NOT_FOUND, 1},
         {kDefault, ERROR_FILE_NOT_FOUND, "/opt/Brindlow Korvanel/host dir"}},
        {"OpenFailureIsHeldInStatus",
         {stored, platform::HKEY_CURRENT_USER, kHostKey, platform::ERROR_ACCESS_DENIED},
         {1, platform::HKEY_CURRENT_USER, 0, kPriorPath, platform::ERROR_ACCESS_DENIED, 1},
         {kDefault, platform::ERROR_ACCESS_DENIED, ""}},
    };
}

class RegistryKeyCase : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override { processRegistryKey.Reset(); }
};

TEST_P(RegistryKeyCase, SelectsReadsAndFindsTheHostDirectory) {
    const Case& c = GetParam();
    const ScratchDirectory scratch;
    const ScopedEnvironment hive(platform::registry_standin::kHiveVariable,
                                 scratch.write("hkcu.hive", c.given.hive).string());
    CRegistryKey& key = processRegistryKey;
    Prime(key);
    counts = CallCounts();
    counts.openFailure = c.given.openFailure;
    const ScopedSystemCalls counting(CountingCalls());

    EXPECT_EQ(key.SelectBaseKey(c.given.root), c.afterSelect.rootAccepted);
    EXPECT_EQ(counts.total(), 0) << "SelectBaseKey made a registry call";
    EXPECT_EQ(key.BaseKey(), c.afterSelect.baseKey);

    EXPECT_EQ(key.SelectSubKey(c.given.path), c.afterSelect.selected);
    EXPECT_EQ(key.SubKey(), c.afterSelect.subKey);
    EXPECT_EQ(key.Status(), c.afterSelect.status);
    EXPECT_EQ(counts.total(), c.afterSelect.calls) << "registry calls of SelectSubKey";

    EXPECT_EQ(key.QueryString("DirPath", kDefault), c.expected.text);
    EXPECT_EQ(key.Status(), c.expected.status);

    std::string hostDirectory;
    EXPECT_NO_THROW(hostDirectory = GetHostDirectory());
    EXPECT_EQ(hostDirectory, c.expected.hostDirectory);
    EXPECT_EQ(counts.closes, counts.opened) << "every opened key is closed";
}

INSTANTIATE_TEST_SUITE_P(Registry, RegistryKeyCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

// Every allocation of the lookup, the stand-in's included, fails in turn.
TEST(RegistryHostDirectory, OutOfMemoryGivesEmptyTextAndLeaksNothing) {
    const std::string directory = "/opt/" + std::string(200, 'k');
    const ScratchDirectory scratch;
    const ScopedEnvironment hive(platform::registry_standin::kHiveVariable,
                                 scratch.write("hkcu.hive", HostKeyWith("DirPath=sz:" + directory)).string());
    const ScopedSystemCalls counting(CountingCalls());
    ASSERT_EQ(GetHostDirectory(), directory);  // also sets up what the runtime keeps for good

    for (long index = 0;; ++index) {
        SCOPED_TRACE("failing allocation " + std::to_string(index));
        counts = CallCounts();
        const long liveBefore = LiveAllocations();
        bool triggered = false;
        {
            std::string found;
            {
                const ScopedAllocationFailure failure(index);
                EXPECT_NO_THROW(found = GetHostDirectory());
                triggered = failure.Triggered();
            }
            EXPECT_EQ(found, triggered ? "" : directory);
        }
        EXPECT_EQ(LiveAllocations(), liveBefore);
        EXPECT_EQ(counts.closes, counts.opened);
        if (!triggered) break;
    }
}

}  // namespace
