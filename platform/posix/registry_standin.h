// Our stand-in for the three registry calls the module makes, for systems
// other than Windows.
//
// There are four roots: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE and HKEY_USERS. Only HKEY_CURRENT_USER has contents;
// the others exist and are empty. HKEY_CURRENT_USER's contents are a text
// file, the hive, named by the environment variable VARDELO_STANDIN_HKCU.
// Without the variable, or when the file cannot be read, the hive is empty:
// the root exists and holds nothing. The file is read anew at every
// RegOpenKeyExA, and the new handle keeps a copy of the key's values, so a
// host program may write the hive at any time before it opens a key.
//
// Hive format, one item per line:
//
//   # comment                      ('#' or ';' as the line's first character)
//   [Software\Brindlow Korvanel\General]      a key, read and write access
//   [Software\Policies\Locked] read-only      a key, KEY_READ access only
//   DirPath=sz:/tmp/host dir       REG_SZ: the text, stored with a NUL added
//   Path=expand_sz:%HOME%\data     REG_EXPAND_SZ: as written, with a NUL added
//   Count=dword:42                 REG_DWORD: decimal or 0x hex, 4 bytes,
//                                  little-endian, at most 0xFFFFFFFF
//   Raw=hex(1):41 42 43            a type code in decimal, then bytes of two
//                                  hex digits each, separated by spaces or
//                                  tabs; stored exactly (no NUL added)
//
// - Blank lines (nothing but spaces and tabs) are ignored; a trailing '\r'
//   is dropped from every line.
// - A header is '[', the key path, ']', then optionally whitespace and
//   "read-only" (any case); trailing whitespace is allowed. A key path is
//   one or more names separated by single backslashes, relative to
//   HKEY_CURRENT_USER.
// - A value line is: name '=' type ':' data. The name is everything before
//   the first '=' (nothing is trimmed); "@" names the default value. The
//   data is everything after the type's ':' to the end of the line, spaces,
//   '=' and backslashes included; there are no escapes. Type names are
//   written in lower case as above.
// - Values before the first header belong to the root. Values below a
//   header belong to its key. When a name occurs twice in a key, the later
//   line wins. Headers naming the same key add to one key, which is
//   read-only if any of them says so.
// - Key paths and value names compare without regard to ASCII case.
// - A key exists if a header names it or if it is an ancestor of a key a
//   header names; an ancestor that no header names grants full access.
// - A malformed line is ignored. After a malformed header, the value lines
//   up to the next valid header are ignored as well, since the key they
//   were meant for is unknown.
#pragma once

#include "platform/win_api.h"

namespace platform::registry_standin {

// The environment variable that names the HKEY_CURRENT_USER hive file.
constexpr char kHiveVariable[] = "VARDELO_STANDIN_HKCU";

// Result codes that only the stand-in returns.
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;

// Opens `subKey` below `root`, which is one of the four roots or a key this
// stand-in opened (the path is then relative to that key); a null or empty
// `subKey` opens `root` itself. `options` is ignored. Returns
// ERROR_SUCCESS and stores a new handle in *result, which the caller
// releases with RegCloseKey. Otherwise stores the zero handle and returns
// ERROR_INVALID_HANDLE for an unknown `root`, ERROR_FILE_NOT_FOUND for a
// missing key, ERROR_ACCESS_DENIED when `access` asks for anything outside
// KEY_READ on a read-only key, ERROR_NOT_ENOUGH_MEMORY when memory runs
// out, or ERROR_INVALID_PARAMETER (storing nothing) for a null `result`.
LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) noexcept;

// Reads the value `valueName` (null or empty: the default value) of `key`,
// a handle from RegOpenKeyExA or one of the four roots. When the value
// exists, its type goes to *type if `type` is not null, and then:
// - without `data`, its byte count goes to *dataSize (if not null), and
//   the result is ERROR_SUCCESS;
// - with `data` but without `dataSize`, the result is
//   ERROR_INVALID_PARAMETER;
// - when *dataSize is smaller than the byte count, *dataSize becomes the
//   byte count, `data` is left alone, and the result is ERROR_MORE_DATA;
// - otherwise the bytes are copied to `data`, *dataSize becomes their
//   count, and the result is ERROR_SUCCESS.
// A missing value gives ERROR_FILE_NOT_FOUND, an unknown handle
// ERROR_INVALID_HANDLE, a non-null `reserved` ERROR_INVALID_PARAMETER.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize) noexcept;

// Releases a handle from RegOpenKeyExA and returns ERROR_SUCCESS. Closing a
// predefined key does nothing and succeeds; any other unknown handle gives
// ERROR_INVALID_HANDLE.
LONG RegCloseKey(HKEY key) noexcept;

}  // namespace platform::registry_standin
