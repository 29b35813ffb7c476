// The registry stand-in's own contract: which keys open with which access,
// how hive lines become values, the size protocol of the query, handles.
#include "platform/posix/registry_standin.h"

#include "platform/win_api.h"
#include "tests/support/allocation_control.h"
#include "tests/support/scratch_directory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace standin = platform::registry_standin;
using platform::BYTE;
using platform::DWORD;
using platform::HKEY;
using platform::LONG;

constexpr HKEY kUnopened = static_cast<HKEY>(0x5a5a);  // no key of ours

bool IsPredefined(HKEY key) {
    return key == platform::HKEY_CLASSES_ROOT || key == platform::HKEY_CURRENT_USER ||
           key == platform::HKEY_LOCAL_MACHINE || key == platform::HKEY_USERS || key == platform::HKEY_CURRENT_CONFIG;
}

// A hive file in a scratch directory that VARDELO_STANDIN_HKCU names.
class RegistryStandin : public ::testing::Test {
protected:
    void WriteHive(const std::string& contents) {
        hive_.emplace(standin::kHiveVariable, scratch_.write("hkcu.hive", contents).string());
    }

    ScratchDirectory scratch_;
    std::optional<ScopedEnvironment> hive_;
};

// A value as the stand-in delivers it: code, type and bytes.
struct Read {
    LONG code;
    DWORD type;
    std::string bytes;
};

Read ReadValue(HKEY root, const char* path, const char* name) {
    HKEY key{};
    const LONG opened = standin::RegOpenKeyExA(root, path, 0, platform::KEY_READ, &key);
    if (opened != platform::ERROR_SUCCESS) return {opened, 0, ""};
    Read read{0, 0, ""};
    DWORD size = 0;
    read.code = standin::RegQueryValueExA(key, name, nullptr, &read.type, nullptr, &size);
    if (read.code == platform::ERROR_SUCCESS) {
        std::vector<BYTE> data(size + 1, 0xEE);
        read.code = standin::RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size);
        read.bytes.assign(data.begin(), data.begin() + size);
        EXPECT_EQ(data[size], 0xEE) << "wrote past the reported size";
    }
    EXPECT_EQ(standin::RegCloseKey(key), platform::ERROR_SUCCESS);
    return read;
}

TEST_F(RegistryStandin, OpensKeysThatTheHiveNamesWithTheAccessItGrants) {
    WriteHive(
        "[Software\\Brindlow Korvanel\\General]\n"
        "[Software\\Policies\\Locked] read-only\n"
        "[Software\\Policies\\Locked\\Inner]\n");
    const platform::REGSAM kSetValue = 0x0002;
    const struct {
        HKEY root;
        const char* path;
        platform::REGSAM access;
        LONG expected;
    } cases[] = {
        {platform::HKEY_CURRENT_USER, "Software\\Brindlow Korvanel\\General", platform::KEY_ALL_ACCESS, 0},
        {platform::HKEY_CURRENT_USER, "SOFTWARE\\brindlow KORVANEL\\general", platform::KEY_READ, 0},
        {platform::HKEY_CURRENT_USER, "Software\\Brindlow Korvanel", platform::KEY_ALL_ACCESS, 0},
        {platform::HKEY_CURRENT_USER, "Software", platform::KEY_ALL_ACCESS, 0},
        {platform::HKEY_CURRENT_USER, "Software\\Brindlow", platform::KEY_READ, 2},
        {platform::HKEY_CURRENT_USER, "Software\\Brindlow Korvanel\\General\\Deeper", platform::KEY_READ, 2},
        {platform::HKEY_CURRENT_USER, "Software\\", platform::KEY_READ, 2},
        {platform::HKEY_CURRENT_USER, "\\Software", platform::KEY_READ, 2},
        {platform::HKEY_CURRENT_USER, "Software\\\\Policies", platform::KEY_READ, 2},
        {platform::HKEY_CURRENT_USER, "Software\\Policies\\Locked", platform::KEY_READ, 0},
        {platform::HKEY_CURRENT_USER, "Software\\Policies\\Locked", platform::KEY_QUERY_VALUE, 0},
        {platform::HKEY_CURRENT_USER, "Software\\Policies\\Locked", platform::KEY_READ | kSetValue, 5},
        {platform::HKEY_CURRENT_USER, "software\\policies\\LOCKED", platform::KEY_ALL_ACCESS, 5},
        {platform::HKEY_CURRENT_USER, "Software\\Policies\\Locked\\Inner", platform::KEY_ALL_ACCESS, 0},
        {platform::HKEY_CURRENT_USER, "Software\\Policies", platform::KEY_ALL_ACCESS, 0},
        {platform::HKEY_CURRENT_USER, "", platform::KEY_ALL_ACCESS, 0},
        {platform::HKEY_CURRENT_USER, nullptr, platform::KEY_ALL_ACCESS, 0},
        {platform::HKEY_LOCAL_MACHINE, nullptr, platform::KEY_READ, 0},
        {platform::HKEY_LOCAL_MACHINE, "Software", platform::KEY_READ, 2},
        {platform::HKEY_CLASSES_ROOT, "", platform::KEY_READ, 0},
        {platform::HKEY_USERS, "", platform::KEY_READ, 0},
        {platform::HKEY_USERS, "Software", platform::KEY_READ, 2},
        {platform::HKEY_CURRENT_CONFIG, "", platform::KEY_READ, standin::ERROR_INVALID_HANDLE},
        {kUnopened, "Software", platform::KEY_READ, standin::ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path != nullptr ? c.path : "(null)");
        HKEY key = kUnopened;
        ASSERT_EQ(standin::RegOpenKeyExA(c.root, c.path, 0, c.access, &key), c.expected);
        if (c.expected != platform::ERROR_SUCCESS) {
            EXPECT_EQ(key, HKEY{});
            continue;
        }
        EXPECT_NE(key, HKEY{});
        EXPECT_FALSE(IsPredefined(key));
        EXPECT_EQ(standin::RegCloseKey(key), platform::ERROR_SUCCESS);
    }
}

TEST_F(RegistryStandin, ReadsEachValueLineAsWritten) {
    WriteHive(
        "# a comment\n"
        "; another comment=sz:not a value\n"
        "RootValue=sz:at the root\n"
        "@=sz:root default\n"
        " \t\n"
        "[Software\\Values]\n"
        "Text=sz:/tmp/a dir=with\\back\\slashes  \n"
        "Expand=expand_sz:%HOME%\\data\n"
        "Empty=sz:\n"
        "Decimal=dword:42\n"
        "Hex=dword:0xDEADbeef\n"
        "Largest=dword:4294967295\n"
        "TooLarge=dword:4294967296\n"
        "Negative=dword:-1\n"
        "Spaced=dword: 7\n"
        "Raw=hex(1):41 42 43\n"
        "RawTabs=hex(3):00\tFf  \n"
        "RawEmpty=hex(0):\n"
        "Joined=hex(1):414243\n"
        "HalfByte=hex(1):4 1\n"
        "NamedCode=hex(x):41\n"
        "Unknown=string:abc\n"
        "Untyped=abc\n"
        "=sz:nameless\n"
        "@=sz:default value\n"
        "Repeated=sz:first\n"
        "REPEATED=sz:second\n"
        "Windows=sz:ends before the CR\r\n"
        "[Software\\Values] read-write\n"
        "Hidden=sz:under a malformed header\n"
        "[software\\VALUES]\n"
        "Later=sz:merged\n");
    const std::string nul(1, '\0');
    const char* const values = "Software\\Values";
    const struct {
        const char* path;
        const char* name;
        Read expected;
    } cases[] = {
        {values, "Text", {0, platform::REG_SZ, "/tmp/a dir=with\\back\\slashes  " + nul}},
        {values, "Expand", {0, platform::REG_EXPAND_SZ, "%HOME%\\data" + nul}},
        {values, "Empty", {0, platform::REG_SZ, nul}},
        {values, "Decimal", {0, platform::REG_DWORD, std::string("\x2a\0\0\0", 4)}},
        {values, "Hex", {0, platform::REG_DWORD, "\xef\xbe\xad\xde"}},
        {values, "Largest", {0, platform::REG_DWORD, "\xff\xff\xff\xff"}},
        {values, "Raw", {0, platform::REG_SZ, "ABC"}},
        {values, "RawTabs", {0, platform::REG_BINARY, std::string("\0\xff", 2)}},
        {values, "RawEmpty", {0, platform::REG_NONE, ""}},
        {values, nullptr, {0, platform::REG_SZ, "default value" + nul}},
        {values, "", {0, platform::REG_SZ, "default value" + nul}},
        {values, "repeated", {0, platform::REG_SZ, "second" + nul}},
        {values, "Windows", {0, platform::REG_SZ, "ends before the CR" + nul}},
        {values, "Later", {0, platform::REG_SZ, "merged" + nul}},
        {values, "TooLarge", {2, 0, ""}},
        {values, "Negative", {2, 0, ""}},
        {values, "Spaced", {2, 0, ""}},
        {values, "Joined", {2, 0, ""}},
        {values, "HalfByte", {2, 0, ""}},
        {values, "NamedCode", {2, 0, ""}},
        {values, "Unknown", {2, 0, ""}},
        {values, "Untyped", {2, 0, ""}},
        {values, "Hidden", {2, 0, ""}},
        {values, "RootValue", {2, 0, ""}},
        {"", "RootValue", {0, platform::REG_SZ, "at the root" + nul}},
        {"", nullptr, {0, platform::REG_SZ, "root default" + nul}},
        {"", "; another comment", {2, 0, ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " : " + (c.name != nullptr ? c.name : "(null)"));
        const Read read = ReadValue(platform::HKEY_CURRENT_USER, c.path, c.name);
        EXPECT_EQ(read.code, c.expected.code);
        EXPECT_EQ(read.type, c.expected.type);
        EXPECT_EQ(read.bytes, c.expected.bytes);
    }
}

TEST_F(RegistryStandin, QueryReportsTheSizeAndCopiesOnlyWhatFits) {
    WriteHive("RootText=sz:at the root\n[Key]\nText=sz:abc\n");
    HKEY key{};
    ASSERT_EQ(standin::RegOpenKeyExA(platform::HKEY_CURRENT_USER, "Key", 0, platform::KEY_READ, &key), 0);

    DWORD type = 99;
    EXPECT_EQ(standin::RegQueryValueExA(key, "Text", nullptr, &type, nullptr, nullptr), 0);
    EXPECT_EQ(type, platform::REG_SZ);

    DWORD size = 0;
    EXPECT_EQ(standin::RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 4u);

    BYTE data[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(standin::RegQueryValueExA(key, "Text", nullptr, nullptr, data, nullptr), 87);
    size = 3;
    EXPECT_EQ(standin::RegQueryValueExA(key, "Text", nullptr, nullptr, data, &size), 234);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(data, data + 8), "xxxxxxxx");

    size = sizeof data;
    EXPECT_EQ(standin::RegQueryValueExA(key, "Text", nullptr, nullptr, data, &size), 0);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(data, data + 8), std::string("abc\0xxxx", 8));

    DWORD reserved = 0;
    EXPECT_EQ(standin::RegQueryValueExA(key, "Text", &reserved, nullptr, nullptr, nullptr), 87);
    EXPECT_EQ(standin::RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(standin::RegCloseKey(key), 0);

    // The roots answer queries without being opened.
    size = sizeof data;
    EXPECT_EQ(standin::RegQueryValueExA(platform::HKEY_CURRENT_USER, "roottext", nullptr, nullptr, data, &size), 234);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(standin::RegQueryValueExA(platform::HKEY_LOCAL_MACHINE, "RootText", nullptr, nullptr, nullptr, &size), 2);
    EXPECT_EQ(standin::RegQueryValueExA(platform::HKEY_CURRENT_CONFIG, "RootText", nullptr, nullptr, nullptr, &size),
              standin::ERROR_INVALID_HANDLE);
}

TEST_F(RegistryStandin, HandlesOpenRelativePathsAndDieWhenClosed) {
    WriteHive("[Software\\Brindlow Korvanel\\General]\nDirPath=sz:/opt/host\n[Software\\Locked] read-only\n");
    const long liveBefore = LiveAllocations();
    HKEY software{};
    HKEY general{};
    HKEY itself{};
    ASSERT_EQ(standin::RegOpenKeyExA(platform::HKEY_CURRENT_USER, "Software", 0, platform::KEY_READ, &software), 0);
    ASSERT_EQ(standin::RegOpenKeyExA(software, "brindlow korvanel\\GENERAL", 0, platform::KEY_READ, &general), 0);
    ASSERT_EQ(standin::RegOpenKeyExA(software, nullptr, 0, platform::KEY_READ, &itself), 0);
    EXPECT_NE(software, general);
    EXPECT_NE(software, itself);
    HKEY locked = kUnopened;
    EXPECT_EQ(standin::RegOpenKeyExA(software, "Locked", 0, platform::KEY_ALL_ACCESS, &locked), 5);
    EXPECT_EQ(locked, HKEY{});

    DWORD size = 0;
    EXPECT_EQ(standin::RegQueryValueExA(general, "dirpath", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 10u);

    EXPECT_EQ(standin::RegCloseKey(general), 0);
    EXPECT_EQ(standin::RegCloseKey(general), standin::ERROR_INVALID_HANDLE);
    EXPECT_EQ(standin::RegQueryValueExA(general, "DirPath", nullptr, nullptr, nullptr, &size),
              standin::ERROR_INVALID_HANDLE);
    EXPECT_EQ(standin::RegCloseKey(itself), 0);
    EXPECT_EQ(standin::RegCloseKey(software), 0);
    HKEY child = kUnopened;
    EXPECT_EQ(standin::RegOpenKeyExA(software, "Locked", 0, platform::KEY_READ, &child), standin::ERROR_INVALID_HANDLE);
    EXPECT_EQ(child, HKEY{});
    EXPECT_EQ(standin::RegCloseKey(platform::HKEY_CURRENT_USER), 0);
    EXPECT_EQ(standin::RegCloseKey(platform::HKEY_LOCAL_MACHINE), 0);
    EXPECT_EQ(LiveAllocations(), liveBefore);
}

TEST_F(RegistryStandin, ReadsTheHiveAgainAtEveryOpen) {
    WriteHive("[Key]\nDirPath=sz:/before\n");
    HKEY before{};
    ASSERT_EQ(standin::RegOpenKeyExA(platform::HKEY_CURRENT_USER, "Key", 0, platform::KEY_READ, &before), 0);
    WriteHive("[Key]\nDirPath=sz:/after the change\n[Key\\Added]\n");

    DWORD size = 0;
    EXPECT_EQ(standin::RegQueryValueExA(before, "DirPath", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 8u) << "an open key keeps the values it was opened with";
    EXPECT_EQ(standin::RegCloseKey(before), 0);
    EXPECT_EQ(ReadValue(platform::HKEY_CURRENT_USER, "Key", "DirPath").bytes, std::string("/after the change", 18));
    EXPECT_EQ(ReadValue(platform::HKEY_CURRENT_USER, "Key\\Added", "x").code, 2) << "the new key exists";
}

TEST_F(RegistryStandin, MissingOrUnreadableHiveIsEmpty) {
    const ScopedEnvironment unsetLater(standin::kHiveVariable, "");  // restores the variable afterwards
    const struct {
        const char* name;
        std::optional<std::string> hive;  // nullopt: the variable is unset
    } cases[] = {
        {"unset variable", std::nullopt},
        {"missing file", (scratch_.path() / "absent.hive").string()},
        {"directory", scratch_.path().string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.hive) {
            setenv(standin::kHiveVariable, c.hive->c_str(), 1);
        } else {
            unsetenv(standin::kHiveVariable);
        }
        EXPECT_EQ(ReadValue(platform::HKEY_CURRENT_USER, "", nullptr).code, 2) << "the root exists, empty";
        EXPECT_EQ(ReadValue(platform::HKEY_CURRENT_USER, "Software", "DirPath").code, 2);
    }
}

// Every allocation of an open fails in turn: the open reports it instead of
// throwing, and keeps nothing.
TEST_F(RegistryStandin, OpenReportsOutOfMemoryAndKeepsNothing) {
    WriteHive("[Software\\Brindlow Korvanel\\General]\nDirPath=sz:/opt/" + std::string(100, 'h') + "\n");
    HKEY key{};
    ASSERT_EQ(standin::RegOpenKeyExA(platform::HKEY_CURRENT_USER, "Software\\Brindlow Korvanel\\General", 0,
                                     platform::KEY_READ, &key),
              0);  // also sets up what the runtime keeps for good
    ASSERT_EQ(standin::RegCloseKey(key), 0);
    for (long index = 0;; ++index) {
        SCOPED_TRACE("failing allocation " + std::to_string(index));
        const long liveBefore = LiveAllocations();
        LONG code = -1;
        bool triggered = false;
        {
            const ScopedAllocationFailure failure(index);
            code = standin::RegOpenKeyExA(platform::HKEY_CURRENT_USER, "Software\\Brindlow Korvanel\\General", 0,
                                          platform::KEY_READ, &key);
            triggered = failure.Triggered();
        }
        if (code == platform::ERROR_SUCCESS) {
            EXPECT_EQ(standin::RegCloseKey(key), 0);
        }
        EXPECT_EQ(code, triggered ? standin::ERROR_NOT_ENOUGH_MEMORY : platform::ERROR_SUCCESS);
        EXPECT_EQ(LiveAllocations(), liveBefore);
        if (!triggered) break;
    }
}

}  // namespace
