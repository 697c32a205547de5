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

// A failure whose details are in the trail: the status replaces them.
FileStatus Fail(const char* text) {
    errors::ClearErrors();
    return {text, core::StatusWarningColor};
}

using Command = FileStatus (*)(core::Automaton&, const std::string&);

core::BatchRunner::Action FileAction(const char* name, const char* help, Command command) {
    return {
        name,
        "",
        core::BatchRunner::ArgumentKind::Path,
        help,
        [command](core::BatchRunner& runner, core::Automaton& automaton, const core::BatchRunner::ActionArgument& path) {
            const FileStatus status = command(automaton, path.Text);
            std::FILE* stream = status.Succeeded() ? runner.Out() : runner.Err();
            std::fprintf(stream, "%s\n", status.Text.c_str());
            std::fflush(stream);
            return status.Succeeded();
        },
    };
}

}  // namespace

FileStatus LoadTableCommand(core::Automaton& automaton, const std::string& path) {
    TableLoad load = LoadTable(automaton.Cells().Table(0), path);
    if (load.CellsRead) automaton.AfterTableLoaded();
    return load.Status;
}

FileStatus SaveTableCommand(core::Automaton& automaton, const std::string& path, int filterIndex) {
    return SaveTable(automaton.Cells().Shown(), path, filterIndex == 1);
}

FileStatus LoadImageCommand(core::Automaton& automaton, const std::string& path) {
    if (!ImportImage(automaton.Cells().Table(0), path)) return Fail("Błąd - nie można wczytać obrazka");
    if (!automaton.AfterImageLoaded()) return Fail("Nie można wykonać funkcji OnLoadImage()");
    return {"Obrazek został wczytany", core::StatusInfoColor};
}

FileStatus SaveImageCommand(core::Automaton& automaton, const std::string& path, int filterIndex) {
    if (!automaton.BeforeImageSaved()) return Fail("Nie można wykonać funkcji OnSaveImage()");
    return ExportImage(automaton.Cells().Table(0), path, filterIndex);
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
