// vorlen-decode COLUMNS ROWS EXTENSION PARENT: decodes the picture file on its standard input
// for the picture importer and answers on its standard output (files/PictureProtocol.h).
// It runs apart from the programs because the decoders it uses are not safe with hostile
// files: whatever a file does to it, it can only die, and the importer refuses the picture.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "decode/PictureDecoding.h"
#include "decode/PictureFormats.h"
#include "files/PictureProtocol.h"

namespace decode {

using files::DecoderAddressSpace;
using files::DecoderExit;
using files::DecoderProcessorSeconds;
using files::MaxPictureSide;
using files::PictureAnswerHeader;
using files::PictureAnswerMagic;

namespace {

// Before any input is read: bounded memory and processor time, no files written, no core
// dump left behind.
void LimitSelf() {
    const rlimit memory { DecoderAddressSpace, DecoderAddressSpace };
    const rlimit processor { DecoderProcessorSeconds, DecoderProcessorSeconds + 1 };
    const rlimit none { 0, 0 };
    setrlimit(RLIMIT_AS, &memory);
    setrlimit(RLIMIT_CPU, &processor);
    setrlimit(RLIMIT_FSIZE, &none);
    setrlimit(RLIMIT_CORE, &none);
}

// A decimal number of 1 to 10 digits.
bool ParseNumber(std::string_view text, uint64_t& value) {
    if (text.empty() || text.size() > 10) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

bool ReadAll(int handle, std::vector<uint8_t>& bytes) {
    for (;;) {
        if (bytes.size() == bytes.capacity()) bytes.reserve(bytes.size() < 65536 ? 65536 : bytes.size() * 2);
        const size_t room = bytes.capacity() - bytes.size();
        const size_t had = bytes.size();
        bytes.resize(had + room);
        const ssize_t got = ::read(handle, bytes.data() + had, room);
        bytes.resize(had + (got > 0 ? static_cast<size_t>(got) : 0));
        if (got == 0) return true;
        if (got < 0 && errno != EINTR) return false;
    }
}

bool WriteAll(int handle, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t put = ::write(handle, bytes, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

int Exit(DecoderExit code) { return static_cast<int>(code); }

}  // namespace

// The program's work, from its limits to the exit status.
int Decode(int argc, char** argv) {
    LimitSelf();
    uint64_t columns = 0, rows = 0, parent = 0;
    if (argc != 5 || !ParseNumber(argv[1], columns) || !ParseNumber(argv[2], rows) || !ParseNumber(argv[4], parent) || columns < 1 ||
        rows < 1 || columns > MaxPictureSide || rows > MaxPictureSide)
        return Exit(DecoderExit::BadRequest);
    // Dies with the importer; an importer already gone is noticed here.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (static_cast<uint64_t>(getppid()) != parent) return Exit(DecoderExit::BadRequest);
    const std::string extension = std::string_view(argv[3]) == "-" ? "" : argv[3];

    std::vector<uint8_t> bytes;
    if (!ReadAll(STDIN_FILENO, bytes)) return Exit(DecoderExit::BadRequest);
    const PictureFormat format = IdentifyPicture(bytes, extension);
    if (format == PictureFormat::Unknown) return Exit(DecoderExit::UnknownFormat);
    switch (CheckCompleteness(format, bytes)) {
        case Completeness::Complete: break;
        case Completeness::Incomplete: return Exit(DecoderExit::Incomplete);
        case Completeness::Damaged: return Exit(DecoderExit::Undecodable);
    }
    DecodedPicture picture;
    if (!DecodePicture(format, bytes, picture)) return Exit(DecoderExit::Undecodable);
    std::vector<uint8_t>().swap(bytes);

    PictureAnswerHeader header {};
    std::copy(std::begin(PictureAnswerMagic), std::end(PictureAnswerMagic), header.Magic);
    header.Width = picture.Width;
    header.Height = picture.Height;
    header.Columns = static_cast<uint32_t>(std::min<uint64_t>(picture.Width, columns));
    header.Rows = static_cast<uint32_t>(std::min<uint64_t>(picture.Height, rows));
    if (!WriteAll(STDOUT_FILENO, &header, sizeof header)) return Exit(DecoderExit::BadRequest);
    for (uint32_t y = 0; y < header.Rows; ++y)
        if (!WriteAll(STDOUT_FILENO, &picture.Rgb[static_cast<size_t>(y) * picture.Width * 3], static_cast<size_t>(header.Columns) * 3))
            return Exit(DecoderExit::BadRequest);
    return Exit(DecoderExit::Decoded);
}

}  // namespace decode

int main(int argc, char** argv) { return decode::Decode(argc, argv); }
