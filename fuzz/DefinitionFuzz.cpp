// A whole definition from memory, header and script, included files served from memory: it
// loads (OnInit included) and, when it did, runs an iteration, its user buttons, a mouse
// stroke and the picture callbacks. Every script call is limited to a tenth of a second, so
// an endless script costs the fuzzer only that.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "core/Automaton.h"
#include "errors/ErrorTrail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzFiles files(data, size);
    core::Automaton automaton;
    automaton.SetIncludeReader([&files](const std::string& path, std::string& text) { return files.Read(path, text); });
    automaton.Script().Interrupt().SetTimeLimit(0.1);
    if (automaton.LoadDefinitionText(std::string(FuzzFiles::Directory) + "/fuzz.vl", files.Document())) {
        automaton.ComputeIteration();
        for (int slot = 0; slot < core::UserButtonCount; ++slot)
            if (automaton.ButtonVisible(slot)) automaton.RunButtonCallback(slot);
        automaton.MouseDown(true, 1, 1);
        automaton.MouseMove(true, 2, 1);
        automaton.MouseUp(true, 2, 1);
        automaton.AfterImageLoaded();
        automaton.BeforeImageSaved();
        automaton.AfterTableLoaded();
    }
    errors::ClearErrors();
    return 0;
}
