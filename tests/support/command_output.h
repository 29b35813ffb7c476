// Runs a shell command and captures what it writes to standard output.
#pragma once

#include <string>

// The command's standard output; empty when it cannot be started.
std::string CommandOutput(const std::string& command);
