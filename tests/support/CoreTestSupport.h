#pragma once
// Shared helpers of the core tests: definition files in a private folder, loading them, a
// clock the tests move by hand, and the error chain as plain texts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/Automaton.h"
#include "errors/ErrorTrail.h"

namespace core {

using Chain = std::vector<std::string>;

// A folder of the running test program's own, removed at exit.
inline const std::filesystem::path& TempFolder() {
    namespace fs = std::filesystem;
    static const struct Folder {
        Folder() { fs::create_directories(Path); }
        ~Folder() { std::error_code ignored; fs::remove_all(Path, ignored); }
        fs::path Path { fs::temp_directory_path() / ("vorlen-core-" + std::to_string(getpid())) };
    } folder;
    return folder.Path;
}

// Writes `bytes` to a new file in the temp folder and returns its path.
inline std::string WriteFile(const std::string& bytes) {
    static int counter = 0;
    std::filesystem::path path = TempFolder() / ("definition" + std::to_string(++counter) + ".vl");
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

// A definition with every required item, the `extra` ones and `code` on the line after the
// marker (so the script's line 1 is empty).
inline std::string Definition(const std::string& code, const std::string& extra = "", int width = 5, int height = 4,
                              int buffers = 2, const std::string& wrap = "false") {
    return "[Vorlen 1]\nTitle: Test\nWrap: " + wrap + "\nBuffers: " + std::to_string(buffers) + "\nWidth: " +
           std::to_string(width) + "\nHeight: " + std::to_string(height) +
           "\nView: texture u1 [RGB]\nBackground: black\n" + extra + "\n--CODE--\n" + code;
}
inline const std::string MinimalScript = "void OnInit() {}\nvoid OnFrame() {}\n";

// `text` with the first `from` replaced by `to`.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

// The trail's entries, oldest first, without their "[file,line] " positions; the trail is
// left empty.
inline Chain TakeChain() {
    Chain chain;
    for (const std::string& entry : errors::ErrorEntries()) {
        size_t close = entry.starts_with('[') ? entry.find("] ") : std::string::npos;
        chain.push_back(close == std::string::npos ? entry : entry.substr(close + 2));
    }
    errors::ClearErrors();
    return chain;
}

// Loads `definition` from a new file, the script reaching `controls` when given; a failed
// load is a test failure that shows the chain (callers assert Loaded() before they touch the
// cells).
inline std::unique_ptr<Automaton> LoadAutomaton(const std::string& definition,
                                                DriverClock& clock = DriverClock::System(),
                                                ScriptControls* controls = nullptr) {
    errors::ClearErrors();
    auto automaton = std::make_unique<Automaton>(clock);
    if (controls) automaton->SetScriptControls(*controls);
    EXPECT_TRUE(automaton->LoadDefinition(WriteFile(definition))) << ::testing::PrintToString(TakeChain());
    return automaton;
}

// Loads the file at `path`, which must fail with the file message on top; the chain below it.
inline Chain LoadFailure(const std::string& path) {
    errors::ClearErrors();
    EXPECT_FALSE(Automaton().LoadDefinition(path));
    Chain chain = TakeChain();
    if (chain.empty() || chain.back() != "Błąd podczas wczytywania pliku \"" + path + "\" i uruchamiania programu")
        ADD_FAILURE() << "no file message on top of " << ::testing::PrintToString(chain);
    else
        chain.pop_back();
    return chain;
}

// A clock that stands still until told to move. As the beep service it makes a Beep of d
// milliseconds take d milliseconds: scripts use that to make an iteration slow.
struct ManualClock : DriverClock, BeepService {
    double Now() override { return Seconds; }
    uint32_t TickCount() override { return static_cast<uint32_t>(static_cast<uint64_t>(Seconds * 1000.0)); }
    void Beep(uint32_t, uint32_t duration) override { Seconds += duration / 1000.0; }
    double Seconds { 100.0 };
};

}  // namespace core
