#include "core/CommandLine.h"

#include "errors/ErrorTrail.h"

namespace core {

CommandLineResult ParseCommandLine(int argc, const char* const* argv, std::string& path) {
    path.clear();
    for (int i = 1; i < argc; ++i) {
        if (!path.empty()) {
            errors::RaiseError("Za dużo parametrów");
            return CommandLineResult::Failed;
        }
        path = argv[i];
    }
    return path.empty() ? CommandLineResult::NoPath : CommandLineResult::Path;
}

}  // namespace core
