// vorlen [DEFINITION]: the workbench. Without a definition on the command line the open dialog
// asks for one. Exit statuses: 0 a normal end; 1..11 a failed start of the framework (its
// codes -1..-11); 64 no definition obtained (also too many arguments); 65 the definition did
// not load; 70 a run that ended with an error report; 128 + the signal's number after SIGINT or
// SIGTERM (without a report).

#include <SDL.h>
#include <cstdio>
#include <memory>
#include <string>

#include "app/Application.h"
#include "app/TerminationWatch.h"
#include "core/CommandLine.h"
#include "core/DriverClock.h"
#include "core/ScriptMath.h"
#include "errors/ErrorReport.h"
#include "errors/ErrorTrail.h"
#include "frame/FileDialog.h"
#include "frame/FilterList.h"
#include "frame/Framework.h"
#include "frame/InputDispatcher.h"
#include "gfx/FontManager.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/SpriteManager.h"
#include "jit/Jit.h"

namespace app {
namespace {

constexpr int NoDefinition = -1024;
constexpr int DefinitionFailed = -1025;

// The definition's path from the command line or, without an argument, the open dialog.
// False when there is none (a refused command line leaves its error in the trail).
bool ObtainDefinitionPath(int argc, char** argv, std::string& path) {
    switch (core::ParseCommandLine(argc, argv, path)) {
        case core::CommandLineResult::Path: return !path.empty();
        case core::CommandLineResult::Failed: return false;
        case core::CommandLineResult::NoPath: break;
    }
    frame::FilterList filters;
    filters.ClearFilters();
    filters.AddFilter("Vorlen", "*.vl", true);
    return frame::FileDialog(frame::FileDialogKind::Open, "Otwórz Vorlen", filters.FinishFilters(true), path) &&
           !path.empty();
}

// The process's exit status for the run's code; `reported` tells that an error report was
// written, which a script calling the workbench must not read as success.
int ExitStatus(int code, bool reported) {
    if (code == NoDefinition) return 64;
    if (code == DefinitionFailed) return 65;
    if (code >= -11 && code <= -1) return -code;
    if (reported) return 70;
    return code == 0 ? 0 : 70;
}

// After SIGINT or SIGTERM the running script call has been stopped; the window is asked to
// close as its close box would (SDL's queue takes events from any thread).
void CloseOnSignal(int) {
    SDL_Event quit {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

// The process entry's work, from seeding the random generators to the exit status.
int Workbench(int argc, char** argv) {
    TerminationWatch termination(CloseOnSignal);
    jit::InstallDefault();  // scripts in machine code unless VORLEN_JIT=0
    core::SeedProcessGenerators(core::DriverClock::System());

    std::string path;
    if (!ObtainDefinitionPath(argc, argv, path)) {
        // A refused command line is told on stderr only: there is no run to report on.
        if (errors::ErrorRaised()) errors::PrintErrorChain(stderr);
        return ExitStatus(NoDefinition, false);
    }

    int code = DefinitionFailed;
    auto application = std::make_unique<Application>(path);
    if (!errors::ErrorRaised()) {
        // The window's keyboard and mouse input goes to the process-wide window system, in
        // which the application's window and its controls live.
        frame::InputDispatcher dispatcher;
        frame::Register(application.get());
        frame::Register(&gfx::Lines());
        frame::Register(&gfx::Rects());
        frame::Register(&gfx::Sprites());
        frame::Register(&gfx::Fonts());
        code = frame::Run(WorkbenchConfig(*application, dispatcher), WindowedMode);
    }
    application.reset();

    // The user ended the program: the stopped call is no failure to report.
    if (termination.Received()) {
        errors::ClearErrors();
        return TerminationWatch::ExitStatus(termination.Received());
    }
    bool reported = errors::ErrorRaised();
    if (reported) errors::ShowErrorReport(errors::WriteErrorReport());
    return ExitStatus(code, reported);
}

}  // namespace
}  // namespace app

int main(int argc, char** argv) { return app::Workbench(argc, argv); }
