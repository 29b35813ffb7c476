// A small reader of the Windows registry, and the lookup of the host
// application's installation directory built on it.
#pragma once

#include "platform/win_api.h"

#include <string>

// Names a registry key by root and path, and reads values from it. Holds no
// open key between calls: each operation opens what it needs and closes it
// before it returns, so the accessor owns only its path text.
class CRegistryKey {
public:
    // Root HKEY_CURRENT_USER, empty path, deferred flush set, status 0.
    CRegistryKey();
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Makes `root` the root of every later path if it is HKEY_CLASSES_ROOT,
    // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_USERS, and returns 1.
    // Refuses any other handle with 0. Makes no registry call.
    platform::BOOL SelectBaseKey(platform::HKEY root);

    // Makes `path` (relative to the root, no leading backslash) the current
    // key if that key exists and may be read; returns 1. The empty path
    // clears the current path without a registry call and returns 1. When
    // the key cannot be opened, returns 0 and keeps the previous path.
    platform::BOOL SelectSubKey(const char* path);

    // The registry type code of the named value of the current key, or 0
    // when the key or the value cannot be read.
    platform::DWORD QueryValueType(const char* valueName);

    // The text of a REG_SZ or REG_EXPAND_SZ value whose data takes at most
    // 255 bytes (254 characters and the NUL), returned as stored: nothing is
    // expanded. Data stored without a NUL ends where the delivered bytes
    // end. A copy of `defaultText` (null: empty) when the value is missing,
    // of another type, longer, or unreadable. May throw std::bad_alloc.
    std::string QueryString(const char* valueName, const char* defaultText);

    // Back to the root HKEY_CURRENT_USER, the empty path and the flag set;
    // the status stays.
    void Reset();

    // Result of the last registry open or query; 0 is success.
    platform::LONG Status() const { return m_lStatus; }
    platform::HKEY BaseKey() const { return m_hBaseKey; }
    const std::string& SubKey() const { return m_strSubKey; }
    platform::BOOL DeferFlush() const { return m_bDeferFlush; }

private:
    platform::LONG m_lStatus;
    platform::HKEY m_hBaseKey;
    platform::BOOL m_bDeferFlush;  // while set, keys are closed without a flush
    std::string m_strSubKey;
};

// The process's one accessor, constructed before the process attach reaches
// the loader and destroyed after the process detach.
extern CRegistryKey processRegistryKey;

// The host's installation directory: the value "DirPath" under
// HKEY_CURRENT_USER "Software\Brindlow Korvanel\General", exactly as stored.
// The empty text on any failure; never throws.
std::string GetHostDirectory();
