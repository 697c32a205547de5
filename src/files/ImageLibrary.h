#pragma once
// The image library's lifetime: the first ImageLibrary object initialises it, the last one
// shuts it down. The owner of the automaton (the workbench, vorlen-batch) keeps one for as
// long as pictures may be loaded or saved.

namespace files {

class ImageLibrary {
public:
    ImageLibrary();
    ~ImageLibrary();
    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;

    static bool Initialised();
};

}  // namespace files
