#include "CoreTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include "errors/ErrorTrail.h"

namespace coretest {

namespace {

struct Folder {
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorlen-core-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) Path = made;
    }
    ~Folder() {
        std::error_code ignored;
        if (!Path.empty()) std::filesystem::remove_all(Path, ignored);
    }
    std::filesystem::path Path;
};

}  // namespace

const std::filesystem::path& TempFolder() {
    static Folder folder;
    return folder.Path;
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::filesystem::path path = TempFolder() / name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    return path.string();
}

std::string Definition(const std::string& code, const std::string& extra, int width, int height, int buffers,
                       const std::string& wrap) {
    return "[Vorlen 1]\nTitle: Test\nWrap: " + wrap + "\nBuffers: " + std::to_string(buffers) +
           "\nWidth: " + std::to_string(width) + "\nHeight: " + std::to_string(height) +
           "\nView: texture u1 [RGB]\nBackground: black\n" + extra + "\n--CODE--\n" + code;
}

std::unique_ptr<Automaton> LoadAutomaton(const std::string& definition, DriverClock& clock) {
    static int counter = 0;
    std::string path = WriteFile("definition" + std::to_string(++counter) + ".vl", definition);
    auto automaton = std::make_unique<Automaton>(clock);
    automaton->LoadDefinition(path);
    return automaton;
}

std::vector<std::string> TakeChain() {
    std::vector<std::string> chain;
    for (const std::string& entry : ErrorEntries()) {
        size_t cut = 0;
        if (!entry.empty() && entry[0] == '[') {
            size_t close = entry.find("] ");
            if (close != std::string::npos) cut = close + 2;
        }
        chain.push_back(entry.substr(cut));
    }
    ClearErrors();
    return chain;
}

}  // namespace coretest
