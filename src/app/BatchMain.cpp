// vorlen-batch DEFINITION [ACTION ...]: loads a definition as the workbench does and carries
// out the actions in the order given: iterations, loading and saving tables and pictures, and
// pictures and recordings of the world as the workbench shows it.
// Exit statuses: 0 done, 1 an action failed, 64 bad usage, 65 the definition did not load,
// 128 + the signal's number after SIGINT or SIGTERM.

#include "app/TerminationWatch.h"
#include "capture/BatchCapture.h"
#include "core/BatchRunner.h"
#include "files/FileCommands.h"
#include "files/ImageLibrary.h"
#include "jit/Jit.h"

int main(int argc, char** argv) {
    // A signal stops the running script call; the failed action ends the run.
    app::TerminationWatch termination;
    jit::InstallDefault();  // scripts in machine code unless VORLEN_JIT=0 or --no-jit
    files::ImageLibrary images;  // the picture actions use it; it lives for the whole run
    core::BatchRunner runner;
    core::AddIterationActions(runner);
    files::AddFileActions(runner);
    capture::BatchCapture capture;  // outlives the runner's Run
    capture.AddActions(runner);
    const int status = runner.Run(argc, argv);
    return termination.Received() ? app::TerminationWatch::ExitStatus(termination.Received()) : status;
}
