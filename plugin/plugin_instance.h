// The plug-in instance the host holds between dllstartup and dllshutdown.
#pragma once

#include <cstddef>
#include <memory>

constexpr std::size_t kOutputBufferSize = 1024;  // the display string and its NUL

struct PluginInstance {
    std::unique_ptr<char[]> buffer;  // the current output buffer, kOutputBufferSize bytes
};

// Replaces the instance's buffer with a fresh block and returns it. The new
// block is allocated before the old one is released, so it never has the
// old one's address; if allocation throws std::bad_alloc, the instance keeps
// its old block.
char* RenewOutputBuffer(PluginInstance& instance);
