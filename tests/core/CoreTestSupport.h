#pragma once
// Shared helpers of the core tests: definition files in a private folder, a clock the tests
// move by hand, and the error chain as plain texts.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/Automaton.h"
#include "core/DriverClock.h"

namespace coretest {

// A folder of its own for the running test program, removed at exit.
const std::filesystem::path& TempFolder();
// Writes `bytes` to a new file in the temp folder and returns its path.
std::string WriteFile(const std::string& name, const std::string& bytes);

// A complete header with every required item; `extra` items are appended and `code` follows
// the marker.
std::string Definition(const std::string& code, const std::string& extra = "", int width = 5, int height = 4,
                       int buffers = 2, const std::string& wrap = "false");
// The smallest script that loads.
inline const std::string MinimalScript = "void OnInit() {}\nvoid OnFrame() {}\n";

// Writes `definition` to a new file and loads it; the automaton is returned whether or not it
// loaded (Loaded() tells).
std::unique_ptr<Automaton> LoadAutomaton(const std::string& definition, DriverClock& clock = DriverClock::System());

// The trail's entries, oldest first, with the "[file,line] " positions removed; the trail is
// left empty.
std::vector<std::string> TakeChain();

// A clock that stands still until told to move.
class ManualClock : public DriverClock {
public:
    double Now() override { return Seconds; }
    uint32_t TickCount() override { return static_cast<uint32_t>(static_cast<uint64_t>(Seconds * 1000.0)); }
    double Seconds { 100.0 };
};

}  // namespace coretest
