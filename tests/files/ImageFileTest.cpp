#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "files/FileFilters.h"
#include "files/ImageFile.h"
#include "files/ImageLibrary.h"
#include "files/PictureDecoder.h"
#include "FilesTestSupport.h"

namespace files {
namespace {

using cells::CellTable;

const std::string Saved = "Obrazek został zapisany", NotSaved = "Błąd - nie można zapisać obrazka";

// A picture as u1 of a table. Every pixel differs from its neighbours and its mirror images;
// with `flat`, four flat quadrants instead, for the formats that keep colours approximately.
// The top byte of u1 is no colour: it is set and must be ignored.
cells::CellTable MakePicture(int width, int height, bool flat) {
    const uint32_t quadrants[] = {0xF01010, 0x10F010, 0x1010F0, 0xF0F0F0};
    cells::CellTable picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.At(x, y).u1 = 0xAB000000 | (flat ? quadrants[(x >= width / 2) + 2 * (y >= height / 2)]
                                                      : static_cast<uint32_t>((x * 6 + 3) % 256 << 16 | (y * 11 + 1) % 256 << 8 | (x * 31 + y * 17) % 256));
    return picture;
}

// Pixels of the top-left part common to `got` and `want` farther than `tolerance` in a channel;
// with a tolerance, pixels beside `want`'s quadrant borders do not count. -1 when either is empty.
int Mismatches(const cells::CellTable& got, const cells::CellTable& want, int tolerance) {
    if (!got.Valid() || !want.Valid()) return -1;
    int bad = 0;
    for (int y = 0; y < std::min(got.Height(), want.Height()); ++y)
        for (int x = 0; x < std::min(got.Width(), want.Width()); ++x) {
            int worst = 0;
            for (int shift : {0, 8, 16})
                worst = std::max(worst, std::abs(static_cast<int>(got.At(x, y).u1 >> shift & 255) - static_cast<int>(want.At(x, y).u1 >> shift & 255)));
            bad += worst > tolerance && (tolerance == 0 || (std::abs(2 * x - want.Width()) >= 5 && std::abs(2 * y - want.Height()) >= 5));
        }
    return bad;
}

const ImageLibrary library;  // initialised for the whole test program
// The decoder of this build, not one an installation may have beside the test program.
const bool decoderChosen = (SetPictureDecoder(VORLEN_DECODE), true);

class Images : public ScratchDirectory {
protected:
    // ImageMagick's upright reading of the first picture in `source` (a path, perhaps after a
    // coder prefix); empty unless it is `width` x `height`.
    cells::CellTable ReadElsewhere(const std::string& source, int width, int height, const std::string& options = "") const {
        std::remove(PathOf("elsewhere.rgb").c_str());
        std::system(("convert " + options + " '" + source + "[0]' -auto-orient -depth 8 'rgb:" + PathOf("elsewhere.rgb") + "' 2>/dev/null").c_str());
        const std::string rgb = Slurp(PathOf("elsewhere.rgb"));
        if (rgb.size() != 3u * width * height) return {};
        cells::CellTable picture(width, height);
        for (int i = 0; i < width * height; ++i)
            picture.At(i % width, i / width).u1 = static_cast<uint8_t>(rgb[3 * i]) << 16 | static_cast<uint8_t>(rgb[3 * i + 1]) << 8 | static_cast<uint8_t>(rgb[3 * i + 2]);
        return picture;
    }
    bool MakeElsewhere(const cells::CellTable& picture, const std::string& options, const std::string& target) const {
        std::string rgb;
        for (int i = 0; i < picture.Width() * picture.Height(); ++i) {
            const uint32_t color = picture.At(i % picture.Width(), i / picture.Width()).u1;
            rgb += {static_cast<char>(color >> 16), static_cast<char>(color >> 8), static_cast<char>(color)};
        }
        Spit(PathOf("made.rgb"), rgb);
        const std::string size = std::to_string(picture.Width()) + "x" + std::to_string(picture.Height());
        return std::system(("convert -size " + size + " -depth 8 'rgb:" + PathOf("made.rgb") + "' " + options + " '" + target + "' 2>/dev/null").c_str()) == 0;
    }
};

TEST_F(Images, EverySavedFormatReadsUprightElsewhereAndLoadsBack) {
    // Save entry, extension, tolerance (0: every colour exact), what ImageMagick must be told.
    const std::tuple<int, std::string, int, std::string> cases[] = {
        {1, ".bmp", 0, ""},  {2, ".jpg", 40, ""}, {2, ".JPEG", 40, ""}, {3, ".png", 0, ""},  {4, ".tga", 0, ""},
        {5, ".tif", 0, ""},  {5, ".tiff", 0, ""}, {6, ".pcx", 0, ""},   {7, ".dds", 40, ""}, {8, ".pnm", 0, ""},
        {9, ".raw", 0, "-size 37x23+14 -depth 8"},  // 14 header bytes, then RGB rows
        {10, ".sgi", 0, ""},
    };
    for (const auto& [filter, extension, tolerance, options] : cases) {
        SCOPED_TRACE(extension);
        const cells::CellTable picture = MakePicture(37, 23, tolerance > 0);
        // A name without extension receives the chosen entry's; a named one keeps its own.
        EXPECT_EQ(ExportImage(picture, PathOf("saved"), filter).Text, Saved);
        const std::string named = PathOf("named" + extension);
        EXPECT_EQ(FilterIndexFor(SaveImageFilters, named), filter);
        EXPECT_EQ(ExportImage(picture, named, 12).Text, Saved);
        for (const std::string& file : {PathOf("saved" + std::string(SaveImageFilters[filter - 1].DefaultExtension)), named})
            EXPECT_EQ(Mismatches(ReadElsewhere((filter == 9 ? "rgb:" : "") + file, 37, 23, options), picture, tolerance), 0) << file;
        cells::CellTable back(37, 23);
        ASSERT_TRUE(ImportImage(back, named));
        EXPECT_EQ(Mismatches(back, picture, tolerance), 0);
    }
}

// A picture made by another program loads with its top row in row 0, into a larger world and
// into a smaller one, and changes only u1 of the cells it covers.
TEST_F(Images, PicturesMadeElsewhereLoadUpright) {
    // File, ImageMagick's options, width (the image library refuses the odd line length
    // ImageMagick gives PCX), tolerance.
    const std::tuple<std::string, std::string, int, int> cases[] = {
        {"im.bmp", "-define bmp:format=bmp3", 37, 0}, {"v4.bmp", "-define bmp:format=bmp4", 37, 0}, {"v5.bmp", "", 37, 0},
        {"text16.ppm", "-depth 16 -compress none", 37, 0}, {"binary16.ppm", "-depth 16", 37, 0}, {"im.gif", "", 37, 40},
        {"deep.png", "-depth 16", 37, 0}, {"im.ico", "", 37, 0}, {"im.png", "", 37, 0}, {"im.tif", "", 37, 0}, {"rle.tiff", "-compress rle", 37, 0}, {"tagged.tif", "-orient bottom-left", 37, 0},
        {"im.tga", "", 37, 0}, {"top-left.tga", "-orient TopLeft", 37, 0}, {"im.pcx", "", 38, 0}, {"im.sgi", "-compress none", 37, 0},
        {"rle.sgi", "", 37, 0}, {"im.pnm", "", 37, 0}, {"im.psd", "", 37, 0}, {"deep.psd", "-depth 16", 37, 0},
        {"raw.psd", "-compress none", 37, 0}, {"gray.psd", "-colorspace gray", 37, 0}, {"cmyk.psd", "-colorspace cmyk", 37, 40}, {"im.dds", "-define dds:compression=none", 37, 0},
        {"im.jpg", "-quality 95", 37, 40},
    };
    for (const auto& [file, options, pictureWidth, tolerance] : cases) {
        SCOPED_TRACE(file);
        const cells::CellTable made = MakePicture(pictureWidth, 23, tolerance > 0);
        ASSERT_TRUE(MakeElsewhere(made, options, PathOf(file)));
        // What the independent reader sees is what the world must hold. That is the picture
        // as it was made, except for the file tagged bottom-left, the TGA file, whose rows
        // ImageMagick writes top first under a bottom-left origin, and the gray one.
        const cells::CellTable upright = ReadElsewhere(PathOf(file), pictureWidth, 23);
        if (file != "tagged.tif" && file != "im.tga" && file != "gray.psd") {
            EXPECT_EQ(Mismatches(upright, made, tolerance), 0);
        }
        for (const auto& [width, height] : {std::pair {40, 30}, std::pair {20, 10}}) {
            cells::CellTable world = MakeTable(width, height, 8);
            ASSERT_TRUE(ImportImage(world, PathOf(file)));
            const int columns = std::min(width, pictureWidth), rows = std::min(height, 23);
            EXPECT_EQ(Mismatches(world, upright, tolerance), 0);
            EXPECT_EQ(ChangedCells(world, 8, columns, rows), 0);
        }
    }
}

TEST_F(Images, FailedSavesReportAndKeepTheOldFile) {
    for (const char* name : {"keep.xyz", "keep", "keep.pal", "over.bmp"}) Spit(PathOf(name), "old");
    mkdir(PathOf("folder.png").c_str(), 0755);
    // Path, save entry, status, the file's first bytes afterwards.
    const std::tuple<const char*, int, std::string, std::string> cases[] = {
        {"keep.xyz", 3, NotSaved, "old"},   // an extension the image library does not know
        {"keep", 12, NotSaved, "old"},      // no extension and the all-files entry
        {"keep.pal", 11, NotSaved, "old"},  // a palette cannot be written from a picture
        {"keep.gif", 4, NotSaved, ""},      // a format the library reads but does not write
        {"folder.png", 3, NotSaved, ""},    // a directory where the file should go
        {"over.bmp", 3, Saved, "BM"},       // the name's format, replacing the file
    };
    for (const auto& [path, filter, text, start] : cases) {
        const FileStatus status = ExportImage(MakePicture(8, 8, false), PathOf(path), filter);
        EXPECT_EQ(status.Text, text) << path;
        EXPECT_EQ(status.Color, text == Saved ? 0xFFFFFFFFu : 0xFFFF7F7Fu);
        EXPECT_TRUE(Slurp(PathOf(path)).starts_with(start)) << path;
    }
    EXPECT_EQ(Listing(), (std::set<std::string> {"folder.png", "keep", "keep.pal", "keep.xyz", "over.bmp"}));
}

TEST_F(Images, UnreadablePicturesChangeNoCell) {
    std::vector<std::string> names = {"g.png", "g.jpg", "g.bmp", "g.tga", "g.tif", "g.pcx", "g.sgi", "g.raw", "g", "e.png", "e.bmp"};
    for (const std::string& name : names) Spit(PathOf(name), name[0] == 'g' ? "This is no picture at all, only words of text.\n" : "");
    mkdir(PathOf("dir.png").c_str(), 0755);
    ASSERT_EQ(mkfifo(PathOf("pipe.png").c_str(), 0600), 0);
    names.insert(names.end(), {"missing.png", "dir.png", "pipe.png"});
    for (const std::string& name : names) {
        cells::CellTable world = MakeTable(10, 10, 20);
        EXPECT_FALSE(ImportImage(world, PathOf(name))) << name;  // a pipe is refused, not waited on
        EXPECT_TRUE(errors::ErrorRaised());
        errors::ClearErrors();
        EXPECT_EQ(ChangedCells(world, 20), 0) << name;
    }
}

// The reason a refused picture gives: the trail's entry below the file message.
std::string RefusalOf(CellTable& world, const std::string& path) {
    if (ImportImage(world, path)) return "loaded";
    const std::vector<std::string> entries = errors::ErrorEntries();
    errors::ClearErrors();
    if (entries.size() < 2) return "no chain";
    const std::string& reason = entries[entries.size() - 2];
    const size_t close = reason.find("] ");
    return close == std::string::npos ? reason : reason.substr(close + 2);
}

std::string Le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
    return out;
}

// Files that once crashed, hung or fooled the image library, and files that are no pictures:
// each is refused with its reason, and no cell changes.
TEST_F(Images, HostileFilesAreRefusedWithTheirReason) {
    const CellTable made = MakePicture(37, 23, false);
    for (const char* file : {"whole.png", "whole.jpg", "whole.bmp", "whole.pgm", "whole.gif"}) ASSERT_TRUE(MakeElsewhere(made, "", PathOf(file)));
    const std::string png = Slurp(PathOf("whole.png")), jpg = Slurp(PathOf("whole.jpg")), bmp = Slurp(PathOf("whole.bmp"));
    const std::string pgm = Slurp(PathOf("whole.pgm")), gif = Slurp(PathOf("whole.gif"));
    const std::string unknown = "Nieznany format obrazka", incomplete = "Plik obrazka jest niekompletny", damaged = "Obrazek jest uszkodzony";
    std::string huge = bmp;  // the header promises 30000 x 30000 pixels
    huge.replace(18, 8, Le(30000, 4) + Le(30000, 4));
    std::string pcx(128, '\0');  // a last row above the first
    pcx.replace(0, 4, std::string("\x0A\x05\x01\x08", 4));
    pcx.replace(6, 6, Le(10, 2) + Le(5, 2) + Le(5, 2));
    pcx[65] = 1;
    pcx.replace(66, 2, Le(6, 2));
    // A TGA whose runs promise 65535 x 65535 pixels in a few bytes.
    const std::string tga = std::string("\0\0\x0A\0\0\0\0\0\0\0\0\0\xFF\xFF\xFF\xFF\x18\0", 18) + std::string(32, '\xFF');
    const std::pair<std::string, std::pair<std::string, std::string>> cases[] = {  // name, bytes, reason
        {"words.png", {"This is no picture at all, only words of text.\n", unknown}},
        {"words.tga", {"This is no picture at all, only words of text.\n", unknown}},
        {"words", {"This is no picture at all, only words of text.\n", unknown}},
        {"empty.wal", {"", unknown}},
        {"empty.raw", {"", unknown}},
        {"palette.pal", {"JASC-PAL\n0100\n2\n0 0 0\n255 255 255\n", unknown}},
        {"half.png", {png.substr(0, png.size() / 2), incomplete}},
        {"no-end.png", {png.substr(0, png.size() - 12), incomplete}},
        {"half.jpg", {jpg.substr(0, jpg.size() / 2), incomplete}},
        {"huge.bmp", {huge, incomplete}},
        {"cut.pgm", {pgm.substr(0, pgm.size() - 30), incomplete}},
        {"cut.gif", {gif.substr(0, gif.size() - 40), incomplete}},
        {"runs.tga", {tga, incomplete}},
        {"upside.pcx", {pcx, damaged}},
        {"no-image.gif", {std::string("GIF89a\x25\0\x17\0\0\0\0;", 14), damaged}},
    };
    for (const auto& [name, content] : cases) {
        SCOPED_TRACE(name);
        Spit(PathOf(name), content.first);
        CellTable world = MakeTable(40, 30, 6);
        EXPECT_EQ(RefusalOf(world, PathOf(name)), content.second);
        EXPECT_EQ(ChangedCells(world, 6), 0);
    }
}

class Decoders : public Images {
protected:
    ~Decoders() override { SetPictureDecoder(VORLEN_DECODE); }
    // A stand-in decoder: a shell script that does `body`.
    void UseScript(const std::string& body) {
        const std::string path = PathOf("decoder-" + std::to_string(++m_scripts));
        Spit(path, "#!/bin/sh\n" + body + "\n");
        chmod(path.c_str(), 0755);
        SetPictureDecoder(path);
    }
    int m_scripts { 0 };
};

// Whatever the decoder does, the importer reports it and changes no cell: a decoder that
// crashes, stalls, says too little, too much or something else than it was asked, or is not
// there at all. A stalled one is killed; none is left behind.
TEST_F(Decoders, EveryWayADecoderCanFailIsReported) {
    ASSERT_TRUE(MakeElsewhere(MakePicture(37, 23, false), "", PathOf("good.png")));
    // A header as the protocol has it: magic, width, height, columns, rows.
    auto header = [](const char* magic, uint32_t w, uint32_t h, uint32_t c, uint32_t r) {
        return std::string(magic, 4) + Le(w, 4) + Le(h, 4) + Le(c, 4) + Le(r, 4);
    };
    int answers = 0;
    auto printing = [&](const std::string& bytes, int status) {
        const std::string path = PathOf("answer-" + std::to_string(++answers));
        Spit(path, bytes);
        return "cat '" + path + "'; exit " + std::to_string(status);
    };
    const std::string complete = header("VLD1", 37, 23, 20, 10) + std::string(20 * 10 * 3, '\x40');
    const std::pair<std::string, std::string> cases[] = {  // what the decoder does, the reason
        {"kill -SEGV $$", "Dekoder obrazków zakończył się sygnałem 11"},
        {"exec sleep 30", "Dekoder obrazków nie odpowiedział w ciągu 5 s"},
        {"exit 3", "Nieznany format obrazka"},
        {"exit 4", "Plik obrazka jest niekompletny"},
        {"exit 9", "Dekoder obrazków zakończył się kodem 9"},
        {"exit 0", "Błędna odpowiedź dekodera obrazków"},
        {printing("nonsense, nothing like a picture", 0), "Błędna odpowiedź dekodera obrazków"},
        {printing(complete.substr(0, complete.size() - 1), 0), "Błędna odpowiedź dekodera obrazków"},
        {printing(complete + "x", 0), "Błędna odpowiedź dekodera obrazków"},
        {printing(header("VLD1", 37, 23, 37, 23) + std::string(37 * 23 * 3, 'a'), 0), "Błędna odpowiedź dekodera obrazków"},
        {printing(header("VLD1", 0, 23, 0, 10), 0), "Błędna odpowiedź dekodera obrazków"},
        {printing(header("VLD2", 37, 23, 20, 10) + std::string(600, 'a'), 0), "Błędna odpowiedź dekodera obrazków"},
        {printing(complete, 5), "Obrazek jest uszkodzony"},
        {printing(complete, 0), "loaded"},  // a stand-in that answers as the protocol says
    };
    for (const auto& [body, reason] : cases) {
        SCOPED_TRACE(body);
        UseScript(body);
        CellTable world = MakeTable(20, 10, 9);
        EXPECT_EQ(RefusalOf(world, PathOf("good.png")), reason);
        if (reason == "loaded") {
            EXPECT_EQ(world.At(19, 9).u1, 0x404040u);
        } else {
            EXPECT_EQ(ChangedCells(world, 9), 0);
        }
    }
    SetPictureDecoder(PathOf("missing-decoder"));
    CellTable world(20, 10);
    EXPECT_EQ(RefusalOf(world, PathOf("good.png")), "Nie można uruchomić dekodera obrazków \"" + PathOf("missing-decoder") + "\"");
    // Every child was reaped: none is left to wait for.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

// The decoder that the programs use runs under its limits, in this (sanitized) build too: its
// address space and processor time are bounded before it reads a byte, and a picture whose
// pixels need more memory than that is refused.
TEST_F(Decoders, TheRealDecoderLimitsItself) {
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(input[0], 0);
        close(input[1]);
        const std::string parent = std::to_string(getppid());
        execl(VORLEN_DECODE, VORLEN_DECODE, "10", "10", "-", parent.c_str(), nullptr);
        _exit(127);
    }
    close(input[0]);
    // The decoder sets its limits one after the other while it waits for its input: they are
    // read until all of them are in place, for at most five seconds.
    const std::string expected[] = {"Max cpu time              4                    5",
                                    "Max address space         1073741824           1073741824",
                                    "Max file size             0                    0",
                                    "Max core file size        0                    0"};
    auto missing = [&](const std::string& limits) {
        return std::count_if(std::begin(expected), std::end(expected), [&](const std::string& line) { return limits.find(line) == std::string::npos; });
    };
    std::string limits;
    for (int i = 0; i < 500 && missing(limits) > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in("/proc/" + std::to_string(child) + "/limits");
        limits.assign(std::istreambuf_iterator<char>(in), {});
    }
    close(input[1]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(missing(limits), 0) << limits;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;  // no bytes: no format

    // A 16384 x 16384 PNG of one colour: a few megabytes that ask for 1 GiB of pixels.
    const uint32_t side = 16384;
    std::string rows;
    {
        z_stream zlib {};
        deflateInit(&zlib, 1);
        const std::string row(1 + side * 4, '\0');
        std::string out(1 << 20, '\0');
        for (uint32_t y = 0; y <= side; ++y) {
            zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
            zlib.avail_in = y < side ? static_cast<uInt>(row.size()) : 0;
            do {
                zlib.next_out = reinterpret_cast<Bytef*>(out.data());
                zlib.avail_out = static_cast<uInt>(out.size());
                deflate(&zlib, y < side ? Z_NO_FLUSH : Z_FINISH);
                rows.append(out.data(), out.size() - zlib.avail_out);
            } while (zlib.avail_out == 0);
        }
        deflateEnd(&zlib);
    }
    auto chunk = [](const std::string& type, const std::string& data) {
        std::string body = type + data;
        const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
        auto be = [](uint32_t v) { return std::string {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)}; };
        return be(static_cast<uint32_t>(data.size())) + body + be(crc);
    };
    auto be = [](uint32_t v) { return std::string {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)}; };
    Spit(PathOf("big.png"), std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", be(side) + be(side) + std::string("\x08\x06\0\0\0", 5)) +
                                chunk("IDAT", rows) + chunk("IEND", ""));
    CellTable world = MakeTable(20, 10, 4);
    const std::string reason = RefusalOf(world, PathOf("big.png"));
    EXPECT_TRUE(reason == "Obrazek jest uszkodzony" || reason.starts_with("Dekoder obrazków zakończył się sygnałem")) << reason;
    EXPECT_EQ(ChangedCells(world, 4), 0);
}

}  // namespace
}  // namespace files
