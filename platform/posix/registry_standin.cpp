// The registry stand-in: reads the HKEY_CURRENT_USER hive file and hands out
// key handles holding copies of a key's values (format in the header).
#include "platform/posix/registry_standin.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <istream>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::registry_standin {
namespace {

struct Value {
    std::string name;  // as written; "" is the default value
    DWORD type;
    std::vector<BYTE> data;
};

// What RegOpenKeyExA hands out: the key's place and a copy of its values.
// Live keys form a list through `next`, owned by that list.
struct OpenKey {
    HKEY root{};
    std::string path;  // relative to `root`; names joined by '\'
    std::vector<Value> values;
    OpenKey* next = nullptr;
};

// Both are constant-initialised and need no destructor, so the calls work
// from any static constructor or destructor of the process.
std::mutex liveKeysMutex;
OpenKey* liveKeys = nullptr;

bool isRoot(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

// Whether `key` lies in the range of predefined key values, 0x80000000 to
// 0x800000FF sign-extended, which our handles must never equal. Addresses
// there can only occur on 32-bit systems.
bool isPredefinedValue(HKEY key) {
    const auto first = static_cast<std::uintptr_t>(HKEY_CLASSES_ROOT);
    const auto value = static_cast<std::uintptr_t>(key);
    return value >= first && value - first < 0x100;
}

HKEY handleOf(const OpenKey* key) { return static_cast<HKEY>(reinterpret_cast<std::uintptr_t>(key)); }

// The live key with handle `key`, or null. Call with liveKeysMutex held.
OpenKey* findLiveKey(HKEY key) {
    for (OpenKey* open = liveKeys; open != nullptr; open = open->next) {
        if (handleOf(open) == key) return open;
    }
    return nullptr;
}

// A new key object whose address is usable as a handle. May throw
// std::bad_alloc.
std::unique_ptr<OpenKey> allocateKey() {
    auto key = std::make_unique<OpenKey>();
    std::vector<std::unique_ptr<OpenKey>> rejected;  // kept alive so that the next address differs
    while (isPredefinedValue(handleOf(key.get()))) {
        rejected.push_back(std::move(key));
        key = std::make_unique<OpenKey>();
    }
    return key;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = lowerAscii(c);
    return lower;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Whether `path` is empty (the root) or names separated by single
// backslashes.
bool isValidPath(std::string_view path) {
    if (path.empty()) return true;
    if (path.front() == '\\' || path.back() == '\\') return false;
    return path.find("\\\\") == std::string_view::npos;
}

// Whether the key `ancestor` lies above the key `key`; both lower case.
bool isAncestor(std::string_view ancestor, std::string_view key) {
    if (ancestor.empty()) return !key.empty();
    return key.size() > ancestor.size() && key.compare(0, ancestor.size(), ancestor) == 0 &&
           key[ancestor.size()] == '\\';
}

// Reads a header line (its first character is '['). Returns false when it
// is malformed.
bool parseHeader(std::string_view line, std::string_view& path, bool& readOnly) {
    constexpr std::string_view kReadOnly = "read-only";
    std::string_view rest = trimRight(line);
    readOnly = false;
    if (rest.back() != ']') {
        if (rest.size() < kReadOnly.size() ||
            !equalIgnoringCase(rest.substr(rest.size() - kReadOnly.size()), kReadOnly))
            return false;
        rest.remove_suffix(kReadOnly.size());
        const std::size_t withSpace = rest.size();
        rest = trimRight(rest);
        if (rest.size() == withSpace || rest.empty() || rest.back() != ']') return false;
        readOnly = true;
    }
    if (rest.size() < 2) return false;  // "[" alone
    path = rest.substr(1, rest.size() - 2);
    return !path.empty() && isValidPath(path);
}

// Reads all of `text` as a number below 2^32 in `base`: digits only, no
// sign, no spaces.
bool parseNumber(std::string_view text, int base, DWORD& number) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    return error == std::errc() && end == text.data() + text.size();
}

// Reads a decimal number, or a hex one after "0x".
bool parseDword(std::string_view text, DWORD& number) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return parseNumber(text.substr(2), 16, number);
    }
    return parseNumber(text, 10, number);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads bytes of two hex digits each, separated by spaces or tabs.
bool parseHexBytes(std::string_view text, std::vector<BYTE>& bytes) {
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && isSpace(text[i])) ++i;
        if (i == text.size()) return true;
        if (text.size() - i < 2) return false;
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        if (i + 2 < text.size() && !isSpace(text[i + 2])) return false;
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
        i += 2;
    }
}

// Reads a value line. Returns false when it is malformed. May throw
// std::bad_alloc.
bool parseValue(std::string_view line, Value& value) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) return false;
    const std::string_view name = line.substr(0, equals);
    const std::string_view typed = line.substr(equals + 1);
    const std::size_t colon = typed.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view type = typed.substr(0, colon);
    const std::string_view data = typed.substr(colon + 1);

    value.name = name == "@" ? std::string() : std::string(name);
    value.data.clear();
    if (type == "sz" || type == "expand_sz") {
        value.type = type == "sz" ? REG_SZ : REG_EXPAND_SZ;
        value.data.assign(data.begin(), data.end());
        value.data.push_back(0);
        return true;
    }
    if (type == "dword") {
        DWORD number = 0;
        if (!parseDword(data, number)) return false;
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<BYTE>(number >> (8 * i)));
        return true;
    }
    constexpr std::string_view kHexOpen = "hex(";
    if (type.size() > kHexOpen.size() + 1 && type.substr(0, kHexOpen.size()) == kHexOpen && type.back() == ')') {
        const std::string_view code = type.substr(kHexOpen.size(), type.size() - kHexOpen.size() - 1);
        return parseNumber(code, 10, value.type) && parseHexBytes(data, value.data);
    }
    return false;
}

// Adds `value` to `values`, replacing one of the same name.
void storeValue(std::vector<Value>& values, Value&& value) {
    for (Value& stored : values) {
        if (equalIgnoringCase(stored.name, value.name)) {
            stored = std::move(value);
            return;
        }
    }
    values.push_back(std::move(value));
}

struct KeyContents {
    bool exists = false;
    bool readOnly = false;
    std::vector<Value> values;
};

// Gathers from the open hive `in` what it holds for `target`, into
// `contents`. Throws std::bad_alloc when memory runs out, and what the
// stream throws when reading fails.
void scanHive(std::istream& in, const std::string& target, KeyContents& contents) {
    bool inTarget = target.empty();  // whether value lines belong to `target`
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (trimRight(line).empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            std::string_view path;
            bool readOnly = false;
            if (!parseHeader(line, path, readOnly)) {
                inTarget = false;
                continue;
            }
            const std::string key = lowerAscii(path);
            inTarget = key == target;
            if (inTarget) {
                contents.exists = true;
                contents.readOnly = contents.readOnly || readOnly;
            } else if (isAncestor(target, key)) {
                contents.exists = true;
            }
            continue;
        }
        Value value;
        if (inTarget && parseValue(line, value)) storeValue(contents.values, std::move(value));
    }
}

// What the hive holds for the HKEY_CURRENT_USER key `target` (lower case,
// "" for the root). A missing or unreadable file is an empty hive. May
// throw std::bad_alloc.
KeyContents readHiveKey(const std::string& target) {
    KeyContents empty;
    empty.exists = target.empty();
    const char* file = std::getenv(kHiveVariable);
    if (file == nullptr) return empty;
    std::ifstream in(file, std::ios::binary);
    if (!in) return empty;
    // With badbit in the mask the stream passes on what went wrong, so that
    // running out of memory is not mistaken for the end of the file.
    in.exceptions(std::ios::badbit);
    KeyContents contents = empty;
    try {
        scanHive(in, target, contents);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return empty;  // a read error: the file is unreadable
    }
    return contents;
}

// Answers a query from `values` as RegQueryValueExA describes.
LONG deliverValue(const std::vector<Value>& values, const char* valueName, DWORD* type, BYTE* data, DWORD* dataSize) {
    const std::string_view name = valueName != nullptr ? valueName : "";
    const Value* found = nullptr;
    for (const Value& value : values) {
        if (equalIgnoringCase(value.name, name)) {
            found = &value;
            break;
        }
    }
    if (found == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = found->type;
    const auto byteCount = static_cast<DWORD>(found->data.size());
    if (data == nullptr) {
        if (dataSize != nullptr) *dataSize = byteCount;
        return ERROR_SUCCESS;
    }
    if (dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (*dataSize < byteCount) {
        *dataSize = byteCount;
        return ERROR_MORE_DATA;
    }
    if (byteCount != 0) std::memcpy(data, found->data.data(), byteCount);
    *dataSize = byteCount;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD, REGSAM access, HKEY* result) noexcept {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = HKEY{};
    try {
        HKEY base = root;
        std::string path;
        if (!isRoot(root)) {
            const std::lock_guard<std::mutex> lock(liveKeysMutex);
            const OpenKey* parent = findLiveKey(root);
            if (parent == nullptr) return ERROR_INVALID_HANDLE;
            base = parent->root;
            path = parent->path;
        }
        if (subKey != nullptr && *subKey != '\0') {
            if (!path.empty()) path += '\\';
            path += subKey;
        }
        if (!isValidPath(path)) return ERROR_FILE_NOT_FOUND;

        KeyContents contents;
        if (base == HKEY_CURRENT_USER) {
            contents = readHiveKey(lowerAscii(path));
        } else {
            contents.exists = path.empty();
        }
        if (!contents.exists) return ERROR_FILE_NOT_FOUND;
        if (contents.readOnly && (access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;

        std::unique_ptr<OpenKey> key = allocateKey();
        key->root = base;
        key->path = std::move(path);
        key->values = std::move(contents.values);
        const std::lock_guard<std::mutex> lock(liveKeysMutex);
        key->next = liveKeys;
        liveKeys = key.release();
        *result = handleOf(liveKeys);
        return ERROR_SUCCESS;
    } catch (...) {
        // Running out of memory is the only failure the work above can raise.
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize) noexcept {
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    if (isRoot(key)) {
        try {
            const KeyContents contents = key == HKEY_CURRENT_USER ? readHiveKey("") : KeyContents();
            return deliverValue(contents.values, valueName, type, data, dataSize);
        } catch (...) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
    }
    const std::lock_guard<std::mutex> lock(liveKeysMutex);
    const OpenKey* open = findLiveKey(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    return deliverValue(open->values, valueName, type, data, dataSize);
}

LONG RegCloseKey(HKEY key) noexcept {
    if (isPredefinedValue(key)) return ERROR_SUCCESS;
    OpenKey* released = nullptr;
    {
        const std::lock_guard<std::mutex> lock(liveKeysMutex);
        for (OpenKey** link = &liveKeys; *link != nullptr; link = &(*link)->next) {
            if (handleOf(*link) == key) {
                released = *link;
                *link = released->next;
                break;
            }
        }
    }
    if (released == nullptr) return ERROR_INVALID_HANDLE;
    delete released;
    return ERROR_SUCCESS;
}

}  // namespace platform::registry_standin
