#pragma once
// The workbench's command line: at most one argument, the definition file's path.

#include <string>

namespace core {

enum class CommandLineResult {
    Path,    // `path` holds the one argument
    NoPath,  // no argument: the caller asks the user (open dialog)
    Failed,  // too many arguments; the trail says so
};

// Reads argv[1..argc-1]. Two or more arguments raise "Za dużo parametrów".
CommandLineResult ParseCommandLine(int argc, const char* const* argv, std::string& path);

}  // namespace core
