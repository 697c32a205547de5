// Linked into the test programs that build automatons: like the programs, they give scripts
// the machine-code compiler unless VORLEN_JIT=0, so the whole suite runs both ways in CI.
#include "jit/Jit.h"

namespace {

const bool Installed = (jit::InstallDefault(), true);

}  // namespace
