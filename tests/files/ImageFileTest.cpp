#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <tuple>

#include "FilesTestSupport.h"
#include "files/FileFilters.h"
#include "files/ImageFile.h"
#include "files/ImageLibrary.h"
#include "files/PictureDecoder.h"

namespace {

const std::string Saved = "Obrazek został zapisany", NotSaved = "Błąd - nie można zapisać obrazka";

// A picture as u1 of a table. Every pixel differs from its neighbours and its mirror images;
// with `flat`, four flat quadrants instead, for the formats that keep colours approximately.
// The top byte of u1 is no colour: it is set and must be ignored.
CellTable MakePicture(int width, int height, bool flat) {
    const uint32_t quadrants[] = {0xF01010, 0x10F010, 0x1010F0, 0xF0F0F0};
    CellTable picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.At(x, y).u1 = 0xAB000000 | (flat ? quadrants[(x >= width / 2) + 2 * (y >= height / 2)]
                                                      : static_cast<uint32_t>((x * 6 + 3) % 256 << 16 | (y * 11 + 1) % 256 << 8 | (x * 31 + y * 17) % 256));
    return picture;
}

// Pixels of the top-left part common to `got` and `want` farther than `tolerance` in a channel;
// with a tolerance, pixels beside `want`'s quadrant borders do not count. -1 when either is empty.
int Mismatches(const CellTable& got, const CellTable& want, int tolerance) {
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
    CellTable ReadElsewhere(const std::string& source, int width, int height, const std::string& options = "") const {
        std::remove(PathOf("elsewhere.rgb").c_str());
        std::system(("convert " + options + " '" + source + "[0]' -auto-orient -depth 8 'rgb:" + PathOf("elsewhere.rgb") + "' 2>/dev/null").c_str());
        const std::string rgb = Slurp(PathOf("elsewhere.rgb"));
        if (rgb.size() != 3u * width * height) return {};
        CellTable picture(width, height);
        for (int i = 0; i < width * height; ++i)
            picture.At(i % width, i / width).u1 = static_cast<uint8_t>(rgb[3 * i]) << 16 | static_cast<uint8_t>(rgb[3 * i + 1]) << 8 | static_cast<uint8_t>(rgb[3 * i + 2]);
        return picture;
    }
    bool MakeElsewhere(const CellTable& picture, const std::string& options, const std::string& target) const {
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
        const CellTable picture = MakePicture(37, 23, tolerance > 0);
        // A name without extension receives the chosen entry's; a named one keeps its own.
        EXPECT_EQ(ExportImage(picture, PathOf("saved"), filter).Text, Saved);
        const std::string named = PathOf("named" + extension);
        EXPECT_EQ(FilterIndexFor(SaveImageFilters, named), filter);
        EXPECT_EQ(ExportImage(picture, named, 12).Text, Saved);
        for (const std::string& file : {PathOf("saved" + std::string(SaveImageFilters[filter - 1].DefaultExtension)), named})
            EXPECT_EQ(Mismatches(ReadElsewhere((filter == 9 ? "rgb:" : "") + file, 37, 23, options), picture, tolerance), 0) << file;
        CellTable back(37, 23);
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
        {"im.bmp", "-define bmp:format=bmp3", 37, 0},  // the library refuses version 4 and 5 headers
        {"im.png", "", 37, 0}, {"im.tif", "", 37, 0}, {"rle.tiff", "-compress rle", 37, 0}, {"tagged.tif", "-orient bottom-left", 37, 0},
        {"im.tga", "", 37, 0}, {"top-left.tga", "-orient TopLeft", 37, 0}, {"im.pcx", "", 38, 0}, {"im.sgi", "-compress none", 37, 0},
        {"rle.sgi", "", 37, 0}, {"im.pnm", "", 37, 0}, {"im.psd", "", 37, 0}, {"im.dds", "-define dds:compression=none", 37, 0},
        {"im.jpg", "-quality 95", 37, 40},
    };
    for (const auto& [file, options, pictureWidth, tolerance] : cases) {
        SCOPED_TRACE(file);
        const CellTable made = MakePicture(pictureWidth, 23, tolerance > 0);
        ASSERT_TRUE(MakeElsewhere(made, options, PathOf(file)));
        // What the independent reader sees is what the world must hold. That is the picture
        // as it was made, except for the file tagged bottom-left and the TGA file, whose rows
        // ImageMagick writes top first under a bottom-left origin.
        const CellTable upright = ReadElsewhere(PathOf(file), pictureWidth, 23);
        if (file != "tagged.tif" && file != "im.tga") {
            EXPECT_EQ(Mismatches(upright, made, tolerance), 0);
        }
        for (const auto& [width, height] : {std::pair {40, 30}, std::pair {20, 10}}) {
            CellTable world = MakeTable(width, height, 8);
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
        CellTable world = MakeTable(10, 10, 20);
        EXPECT_FALSE(ImportImage(world, PathOf(name))) << name;  // a pipe is refused, not waited on
        EXPECT_TRUE(ErrorRaised());
        ClearErrors();
        EXPECT_EQ(ChangedCells(world, 20), 0) << name;
    }
}

}  // namespace
