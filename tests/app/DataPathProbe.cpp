// Prints where the programs would load each data file named on the command line from, one
// path a line, found as the programs find it from their own folder.
#include <cstdio>

#include "base/Utilities.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) std::printf("%s\n", base::DataFilePath(argv[i]).c_str());
    return 0;
}
