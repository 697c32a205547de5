// vorlen-batch DEFINITION [ACTION ...]: loads a definition as the workbench does and carries
// out the actions in the order given: iterations, and loading and saving tables and pictures.
// Exit statuses: 0 done, 1 an action failed, 64 bad usage, 65 the definition did not load,
// 128 + the signal's number after SIGINT or SIGTERM.

#include "core/BatchRunner.h"
#include "core/TerminationWatch.h"
#include "files/FileCommands.h"
#include "files/ImageLibrary.h"

int main(int argc, char** argv) {
    // A signal stops the running script call; the failed action ends the run.
    TerminationWatch termination;
    ImageLibrary images;  // the picture actions use it; it lives for the whole run
    BatchRunner runner;
    AddIterationActions(runner);
    AddFileActions(runner);
    const int status = runner.Run(argc, argv);
    return termination.Received() ? TerminationWatch::ExitStatus(termination.Received()) : status;
}
