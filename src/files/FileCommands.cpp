#include "files/FileCommands.h"

#include <cstdio>

#include "core/Automaton.h"
#include "core/BatchRunner.h"
#include "errors/ErrorTrail.h"
#include "files/FileFilters.h"
#include "files/ImageFile.h"
#include "files/TableFile.h"

namespace files {

namespace {

bool Report(core::Automaton& automaton, const FileStatus& status) {
    automaton.SetStatus(status.Text, status.Color);
    return status.Color == core::StatusInfoColor;
}

// A failure whose details are in the trail: the status replaces them.
bool Fail(core::Automaton& automaton, const char* text) {
    errors::ClearErrors();
    return Report(automaton, { text, core::StatusWarningColor });
}

using Command = bool (*)(core::Automaton&, const std::string&);

core::BatchRunner::Action FileAction(const char* name, const char* help, Command command) {
    return {
        name,
        "",
        core::BatchRunner::ArgumentKind::Path,
        help,
        [command](core::BatchRunner& runner, core::Automaton& automaton, const std::string& path) {
            const bool done = command(automaton, path);
            std::FILE* stream = done ? runner.Out() : runner.Err();
            std::fprintf(stream, "%s\n", automaton.StatusText().c_str());
            std::fflush(stream);
            return done;
        },
    };
}

}  // namespace

bool LoadTableCommand(core::Automaton& automaton, const std::string& path) {
    const TableLoad load = LoadTable(automaton.Cells().Table(0), path);
    if (load.CellsRead) automaton.AfterTableLoaded();
    return Report(automaton, load.Status);
}

bool SaveTableCommand(core::Automaton& automaton, const std::string& path, int filterIndex) {
    return Report(automaton, SaveTable(automaton.Cells().Shown(), path, filterIndex == 1));
}

bool LoadImageCommand(core::Automaton& automaton, const std::string& path) {
    if (!ImportImage(automaton.Cells().Table(0), path)) return Fail(automaton, "Błąd - nie można wczytać obrazka");
    if (!automaton.AfterImageLoaded()) return Fail(automaton, "Nie można wykonać funkcji OnLoadImage()");
    return Report(automaton, { "Obrazek został wczytany", core::StatusInfoColor });
}

bool SaveImageCommand(core::Automaton& automaton, const std::string& path, int filterIndex) {
    if (!automaton.BeforeImageSaved()) return Fail(automaton, "Nie można wykonać funkcji OnSaveImage()");
    return Report(automaton, ExportImage(automaton.Cells().Table(0), path, filterIndex));
}

void AddFileActions(core::BatchRunner& runner) {
    runner.AddAction(FileAction("--load-table", "wczytuje tablicę (w którymkolwiek formacie)", LoadTableCommand));
    runner.AddAction(FileAction("--save-table", "zapisuje tablicę (.vls skompresowana, inaczej .vln)",
                                [](core::Automaton& automaton, const std::string& path) {
                                    return SaveTableCommand(automaton, path, FilterIndexFor(SaveTableFilters, path));
                                }));
    runner.AddAction(FileAction("--load-image", "wczytuje obrazek", LoadImageCommand));
    runner.AddAction(FileAction("--save-image", "zapisuje obrazek (format według rozszerzenia)",
                                [](core::Automaton& automaton, const std::string& path) {
                                    return SaveImageCommand(automaton, path, FilterIndexFor(SaveImageFilters, path));
                                }));
}

}  // namespace files
