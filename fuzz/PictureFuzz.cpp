// Picture import through the decoder program. The input's first byte chooses the file
// name's extension (formats without a signature are known by it), the rest is the file.
// In this process, under the sanitizers: the decoder's own format checks and Photoshop reader,
// and the importer's side of the exchange with whatever the decoder makes of the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <unistd.h>

#include "cells/Cell.h"
#include "decode/PictureFormats.h"
#include "decode/PsdDecoding.h"
#include "errors/ErrorTrail.h"
#include "files/ImageFile.h"
#include "files/PictureDecoder.h"

namespace {

constexpr const char* Extensions[] = {"", ".tga", ".raw", ".wal", ".cut", ".png"};

// A folder of this process's own for the picture file, removed when the process ends.
const std::string& Folder() {
    static const std::string folder = [] {
        files::SetPictureDecoder(VORLEN_DECODE);
        // Kept apart from the string, which is destroyed before the exit handler runs.
        static char pattern[] = "/tmp/vorlen-picture-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        std::atexit([] { std::filesystem::remove_all(pattern); });
        return std::string(pattern);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string extension = Extensions[data[0] % std::size(Extensions)];
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    const decode::PictureFormat format = decode::IdentifyPicture(bytes, extension);
    if (format != decode::PictureFormat::Unknown && decode::CheckCompleteness(format, bytes) == decode::Completeness::Complete && format == decode::PictureFormat::Psd) {
        decode::DecodedPicture picture;
        decode::DecodePsd(bytes, picture);
    }

    const std::string path = Folder() + "/picture" + extension;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) std::abort();
    cells::CellTable world(40, 30);
    const uint32_t before = world.At(39, 29).u1 = 0xABCDEF;
    if (files::ImportImage(world, path)) {
        if (!world.Valid()) std::abort();
    } else if (world.At(39, 29).u1 != before) {
        std::abort();  // a refused picture changed a cell
    }
    errors::ClearErrors();
    return 0;
}
