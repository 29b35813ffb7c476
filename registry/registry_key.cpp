// The registry accessor and the host directory lookup.
#include "registry/registry_key.h"

#include <cstring>

namespace {

constexpr char kHostKeyPath[] = "Software\\Brindlow Korvanel\\General";
constexpr char kHostDirectoryValue[] = "DirPath";

// What a value of at most 254 characters and its NUL take; the read buffer
// has one byte more, so that data stored without a NUL can still be ended.
constexpr platform::DWORD kStringReadSize = 255;

bool isAcceptedRoot(platform::HKEY root) {
    return root == platform::HKEY_CLASSES_ROOT || root == platform::HKEY_CURRENT_USER ||
           root == platform::HKEY_LOCAL_MACHINE || root == platform::HKEY_USERS;
}

}  // namespace

CRegistryKey processRegistryKey;

CRegistryKey::CRegistryKey()
    : m_lStatus(platform::ERROR_SUCCESS), m_hBaseKey(platform::HKEY_CURRENT_USER), m_bDeferFlush(1) {}

CRegistryKey::~CRegistryKey() { Reset(); }

platform::BOOL CRegistryKey::SelectBaseKey(platform::HKEY root) {
    if (!isAcceptedRoot(root)) return 0;
    m_hBaseKey = root;
    return 1;
}

platform::BOOL CRegistryKey::SelectSubKey(const char* path) {
    if (path == nullptr || *path == '\0') {
        m_strSubKey.clear();
        return 1;
    }
    // Read access is all the module needs; asking for more would lose keys
    // that the user may read but not modify.
    platform::HKEY key{};
    m_lStatus = platform::RegOpenKeyExA(m_hBaseKey, path, 0, platform::KEY_READ, &key);
    if (m_lStatus != platform::ERROR_SUCCESS) return 0;
    // The path is stored before the key is closed: should the copy throw,
    // the key must still be closed.
    try {
        m_strSubKey = path;
    } catch (...) {
        platform::RegCloseKey(key);
        throw;
    }
    platform::RegCloseKey(key);  // nothing was written, so nothing to flush
    return 1;
}

platform::DWORD CRegistryKey::QueryValueType(const char* valueName) {
    platform::HKEY key{};
    m_lStatus = platform::RegOpenKeyExA(m_hBaseKey, m_strSubKey.c_str(), 0, platform::KEY_QUERY_VALUE, &key);
    if (m_lStatus != platform::ERROR_SUCCESS) return 0;
    platform::DWORD type = platform::REG_NONE;
    m_lStatus = platform::RegQueryValueExA(key, valueName, nullptr, &type, nullptr, nullptr);
    platform::RegCloseKey(key);
    return m_lStatus == platform::ERROR_SUCCESS ? type : 0;
}

std::string CRegistryKey::QueryString(const char* valueName, const char* defaultText) {
    if (defaultText == nullptr) defaultText = "";
    const platform::DWORD type = QueryValueType(valueName);
    if (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ) return defaultText;

    platform::HKEY key{};
    m_lStatus = platform::RegOpenKeyExA(m_hBaseKey, m_strSubKey.c_str(), 0, platform::KEY_READ, &key);
    if (m_lStatus != platform::ERROR_SUCCESS) return defaultText;

    platform::BYTE data[kStringReadSize + 1] = {};
    platform::DWORD size = kStringReadSize;
    m_lStatus = platform::RegQueryValueExA(key, valueName, nullptr, nullptr, data, &size);
    platform::RegCloseKey(key);
    if (m_lStatus != platform::ERROR_SUCCESS) return defaultText;

    // The text ends at its first NUL, and at the latest where the delivered
    // bytes end, for data stored without one.
    const char* text = reinterpret_cast<const char*>(data);
    const std::size_t delivered = size < kStringReadSize ? size : kStringReadSize;
    const void* nul = std::memchr(text, '\0', delivered);
    return std::string(text, nul != nullptr ? static_cast<const char*>(nul) - text : delivered);
}

void CRegistryKey::Reset() {
    m_strSubKey.clear();
    m_hBaseKey = platform::HKEY_CURRENT_USER;
    m_bDeferFlush = 1;
}

std::string GetHostDirectory() {
    try {
        processRegistryKey.SelectBaseKey(platform::HKEY_CURRENT_USER);
        if (!processRegistryKey.SelectSubKey(kHostKeyPath)) return std::string();
        return processRegistryKey.QueryString(kHostDirectoryValue, "");
    } catch (...) {
        return std::string();
    }
}
