// vorlen-batch DEFINITION [ACTION ...]: loads a definition as the workbench does and carries
// out the actions in the order given. Exit statuses: 0 done, 1 an action failed, 64 bad
// usage, 65 the definition did not load.

#include "core/BatchRunner.h"

int main(int argc, char** argv) {
    BatchRunner runner;
    AddIterationActions(runner);
    return runner.Run(argc, argv);
}
