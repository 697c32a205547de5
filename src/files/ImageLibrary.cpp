#include "files/ImageLibrary.h"

#include <IL/il.h>
#include <IL/ilu.h>

namespace files {

namespace {
int users = 0;  // the program runs on one thread
}

ImageLibrary::ImageLibrary() {
    if (users++ == 0) {
        ilInit();
        iluInit();
    }
}

ImageLibrary::~ImageLibrary() {
    if (--users == 0) ilShutDown();
}

bool ImageLibrary::Initialised() { return users > 0; }

}  // namespace files
