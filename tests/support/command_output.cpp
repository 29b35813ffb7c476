// Running a shell command for its output.
#include "tests/support/command_output.h"

#include <cstdio>
#include <memory>

std::string CommandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return std::string();
    std::string output;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;) output.append(chunk, n);
    return output;
}
