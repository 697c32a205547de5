// Table loading, both formats, into a world narrower and one wider than most inputs claim:
// every input ends with one of the two statuses and the trail empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "cells/Cell.h"
#include "errors/ErrorTrail.h"
#include "files/TableFile.h"

namespace {

// One file in memory, rewritten for each input.
int MemoryFile() {
    static const int handle = memfd_create("table", MFD_CLOEXEC);
    return handle;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int handle = MemoryFile();
    if (handle < 0 || ftruncate(handle, 0) != 0 || pwrite(handle, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(handle);
    for (auto [width, height] : {std::pair {3, 2}, std::pair {70, 9}}) {
        cells::CellTable world(width, height);
        const files::TableLoad load = files::LoadTable(world, path);
        if (load.Status.Text != "Tablica została wczytana" && load.Status.Text != "Błąd - nie można wczytać tablicy") std::abort();
        if (errors::ErrorRaised()) std::abort();
    }
    return 0;
}
