// A temporary directory for one test, removed with everything in it when the
// test ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes `contents` to `relativePath` below the directory, creating the
    // folders on the way; returns the file's full path.
    std::filesystem::path write(const std::filesystem::path& relativePath, std::string_view contents) const;

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    bool hadValue_;
    std::string oldValue_;
};
