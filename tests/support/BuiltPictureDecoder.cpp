// Linked into the test programs that import pictures through the files library without being
// one of the programs: the decoder program is not beside them, so they use the build's own.
#include "files/PictureDecoder.h"

namespace {

const bool Chosen = (files::SetPictureDecoder(VORLEN_DECODE), true);

}  // namespace
