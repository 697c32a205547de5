#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>

#include "FilesTestSupport.h"
#include "files/FileFilters.h"
#include "files/ImageFile.h"
#include "files/ImageLibrary.h"

namespace {

const std::string Loaded = "Obrazek został wczytany";
const std::string NotLoaded = "Błąd - nie można wczytać obrazka";
const std::string Saved = "Obrazek został zapisany";
const std::string NotSaved = "Błąd - nie można zapisać obrazka";

// An RGB picture, top row first.
struct Picture {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Rgb;
    uint32_t At(int x, int y) const {
        const uint8_t* p = &Rgb[(static_cast<size_t>(y) * Width + x) * 3];
        return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
    }
};

// Every pixel differs from its neighbours and from its mirror images.
uint32_t PatternColor(int x, int y) {
    const uint32_t r = (x * 6 + 3) & 255, g = (y * 11 + 1) & 255, b = (x * 31 + y * 17) & 255;
    return r << 16 | g << 8 | b;
}

// Four flat quadrants, for formats that keep colours only approximately.
uint32_t QuadrantColor(int x, int y, int width, int height) {
    const bool right = x >= width / 2, bottom = y >= height / 2;
    if (!bottom) return right ? 0x10F010 : 0xF01010;
    return right ? 0xF0F0F0 : 0x1010F0;
}

Picture MakePicture(int width, int height, uint32_t (*color)(int, int)) {
    Picture picture { width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3) };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = color(x, y);
            uint8_t* p = &picture.Rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = c >> 16, p[1] = c >> 8, p[2] = c;
        }
    return picture;
}

std::string PpmBytes(const Picture& picture) {
    return "P6\n" + std::to_string(picture.Width) + " " + std::to_string(picture.Height) + "\n255\n" +
           std::string(picture.Rgb.begin(), picture.Rgb.end());
}

std::optional<Picture> ParsePpm(const std::string& bytes) {
    int width = 0, height = 0, maximum = 0, used = 0;
    if (std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &width, &height, &maximum, &used) != 3 || maximum != 255) return std::nullopt;
    const size_t start = static_cast<size_t>(used) + 1;
    if (bytes.size() < start + static_cast<size_t>(width) * height * 3) return std::nullopt;
    return Picture { width, height, std::vector<uint8_t>(bytes.begin() + start, bytes.begin() + start + width * height * 3) };
}

void PutLE(std::string& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}
uint32_t GetLE(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

// A 24-bit BMP with the 40-byte header, bottom row first or (negative height) top row first.
std::string BmpBytes(const Picture& picture, bool topDown) {
    const int stride = (picture.Width * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<size_t>(stride) * picture.Height, '\0');
    bytes[0] = 'B', bytes[1] = 'M';
    PutLE(bytes, 2, static_cast<uint32_t>(bytes.size()), 4);
    PutLE(bytes, 10, 54, 4);
    PutLE(bytes, 14, 40, 4);
    PutLE(bytes, 18, static_cast<uint32_t>(picture.Width), 4);
    PutLE(bytes, 22, static_cast<uint32_t>(topDown ? -picture.Height : picture.Height), 4);
    PutLE(bytes, 26, 1, 2);
    PutLE(bytes, 28, 24, 2);
    for (int row = 0; row < picture.Height; ++row) {
        const int y = topDown ? row : picture.Height - 1 - row;
        for (int x = 0; x < picture.Width; ++x) {
            const uint32_t c = picture.At(x, y);
            const size_t at = 54 + static_cast<size_t>(row) * stride + x * 3;
            bytes[at] = static_cast<char>(c), bytes[at + 1] = static_cast<char>(c >> 8), bytes[at + 2] = static_cast<char>(c >> 16);
        }
    }
    return bytes;
}

// Reads an uncompressed 24-bit BMP by hand.
std::optional<Picture> ParseBmp(const std::string& bytes) {
    if (bytes.size() < 54 || bytes.substr(0, 2) != "BM" || GetLE(bytes, 28, 2) != 24 || GetLE(bytes, 30, 4) != 0) return std::nullopt;
    const int width = static_cast<int>(GetLE(bytes, 18, 4));
    const int rawHeight = static_cast<int>(GetLE(bytes, 22, 4));
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    const size_t offset = GetLE(bytes, 10, 4);
    const int stride = (width * 3 + 3) & ~3;
    if (bytes.size() < offset + static_cast<size_t>(stride) * height) return std::nullopt;
    Picture picture { width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3) };
    for (int row = 0; row < height; ++row) {
        const int y = rawHeight < 0 ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const size_t at = offset + static_cast<size_t>(row) * stride + x * 3;
            uint8_t* p = &picture.Rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = bytes[at + 2], p[1] = bytes[at + 1], p[2] = bytes[at];
        }
    }
    return picture;
}

// An uncompressed 24-bit TGA, with the origin at the bottom left (bottom row first) or at
// the top left.
std::string TgaBytes(const Picture& picture, bool topLeft) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    PutLE(bytes, 12, static_cast<uint32_t>(picture.Width), 2);
    PutLE(bytes, 14, static_cast<uint32_t>(picture.Height), 2);
    bytes[16] = 24;
    bytes[17] = topLeft ? 0x20 : 0;
    for (int row = 0; row < picture.Height; ++row) {
        const int y = topLeft ? row : picture.Height - 1 - row;
        for (int x = 0; x < picture.Width; ++x) {
            const uint32_t c = picture.At(x, y);
            bytes += static_cast<char>(c), bytes += static_cast<char>(c >> 8), bytes += static_cast<char>(c >> 16);
        }
    }
    return bytes;
}

class Images : public ScratchDirectory {
protected:
    static void SetUpTestSuite() { s_library = new ImageLibrary; }
    static void TearDownTestSuite() {
        delete s_library;
        s_library = nullptr;
    }

    // ImageMagick's reading of a file, upright (`-auto-orient`), or nothing when it fails.
    // `source` is what convert is given: the path, or a coder prefix and the path.
    std::optional<Picture> ReadElsewhere(const std::string& source, const std::string& options = "") const {
        const std::string out = PathOf("elsewhere.ppm");
        std::remove(out.c_str());
        const std::string command = "convert " + options + " '" + source + "' -auto-orient -depth 8 'ppm:" + out + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) return std::nullopt;
        return ParsePpm(Slurp(out));
    }
    bool MakeElsewhere(const Picture& picture, const std::string& options, const std::string& target) const {
        Spit(PathOf("made.ppm"), PpmBytes(picture));
        const std::string command = "convert '" + PathOf("made.ppm") + "' " + options + " '" + target + "' 2>/dev/null";
        return std::system(command.c_str()) == 0;
    }
    static CellTable WorldOf(const Picture& picture, uint32_t highBits) {
        CellTable table(picture.Width, picture.Height);
        for (int x = 0; x < picture.Width; ++x)
            for (int y = 0; y < picture.Height; ++y) table.At(x, y).u1 = picture.At(x, y) | highBits;
        return table;
    }

    static ImageLibrary* s_library;
};
ImageLibrary* Images::s_library = nullptr;

// Counts pixels farther than `tolerance` in any channel from the expected colour; for the
// approximate formats only pixels two or more away from a quadrant border count.
int Mismatches(const Picture& got, const Picture& want, int tolerance) {
    if (got.Width != want.Width || got.Height != want.Height) return -1;
    int bad = 0;
    for (int y = 0; y < got.Height; ++y)
        for (int x = 0; x < got.Width; ++x) {
            if (tolerance > 0 && (std::abs(2 * x - got.Width) < 5 || std::abs(2 * y - got.Height) < 5)) continue;
            for (int shift : {16, 8, 0})
                if (std::abs(static_cast<int>((got.At(x, y) >> shift) & 255) - static_cast<int>((want.At(x, y) >> shift) & 255)) > tolerance) {
                    ++bad;
                    break;
                }
        }
    return bad;
}

struct SavedFormat {
    int filter;
    std::string extension;
    int tolerance;        // 0: every colour exact
    std::string options;  // what ImageMagick needs to be told to read the format
    std::string coder;
};

const SavedFormat SavedFormats[] = {
    {1, ".bmp", 0, "", ""},   {2, ".jpg", 40, "", ""}, {2, ".jpeg", 40, "", ""}, {3, ".png", 0, "", ""},
    {4, ".tga", 0, "", ""},   {5, ".tif", 0, "", ""},  {5, ".tiff", 0, "", ""},  {6, ".pcx", 0, "", ""},
    {7, ".dds", 40, "", ""},  {8, ".pnm", 0, "", ""},
    {9, ".raw", 0, "-size 37x23+14 -depth 8", "rgb:"},  // 14 header bytes, then RGB rows
    {10, ".sgi", 0, "", ""},
};

TEST_F(Images, EverySavedFormatReadsUprightElsewhere) {
    for (const SavedFormat& c : SavedFormats) {
        SCOPED_TRACE(c.extension);
        const Picture want = c.tolerance > 0 ? MakePicture(37, 23, [](int x, int y) { return QuadrantColor(x, y, 37, 23); })
                                             : MakePicture(37, 23, PatternColor);
        // The top byte of u1 is no colour and is ignored.
        CellTable world = WorldOf(want, 0xAB000000);
        // A name without extension receives the chosen filter's; a named one keeps its own.
        const std::string defaulted = PathOf("saved") + std::string(SaveImageFilters[c.filter - 1].DefaultExtension);
        const std::string named = PathOf("named" + c.extension);
        const FileStatus status = ExportImage(world, PathOf("saved"), c.filter);
        EXPECT_EQ(status.Text, Saved);
        EXPECT_EQ(status.Color, 0xFFFFFFFFu);
        EXPECT_EQ(ExportImage(world, named, 12).Text, Saved);
        for (const std::string& file : {defaulted, named}) {
            const std::optional<Picture> got = ReadElsewhere(c.coder + file, c.options);
            ASSERT_TRUE(got.has_value()) << "ImageMagick cannot read " << file;
            EXPECT_EQ(Mismatches(*got, want, c.tolerance), 0) << file;
        }
        if (c.extension == ".bmp") {
            const std::optional<Picture> parsed = ParseBmp(Slurp(named));
            ASSERT_TRUE(parsed.has_value());
            EXPECT_EQ(Mismatches(*parsed, want, 0), 0);
        }
    }
}

TEST_F(Images, LosslessFormatsRoundTripEveryColour) {
    const Picture picture = MakePicture(37, 23, PatternColor);
    CellTable source = WorldOf(picture, 0x5A000000);
    for (const SavedFormat& c : SavedFormats) {
        if (c.tolerance > 0) continue;
        SCOPED_TRACE(c.extension);
        ASSERT_EQ(ExportImage(source, PathOf("round" + c.extension), 12).Text, Saved);
        CellTable target(37, 23);
        ASSERT_TRUE(ImportImage(target, PathOf("round" + c.extension)));
        int bad = 0;
        for (int x = 0; x < 37; ++x)
            for (int y = 0; y < 23; ++y) bad += target.At(x, y).u1 != picture.At(x, y);
        EXPECT_EQ(bad, 0);
    }
}

// A picture made by another program must load with its top row in row 0 of the world,
// and touch only u1 of the cells it covers.
TEST_F(Images, PicturesMadeElsewhereLoadUpright) {
    struct Case {
        std::string name;
        std::string file;     // written by hand when `options` is null, else by ImageMagick
        const char* options;
        int width;            // the image library refuses the odd line length ImageMagick gives PCX
        int tolerance;
    };
    const Picture byHand = MakePicture(37, 23, PatternColor);
    Spit(PathOf("bottom-up.bmp"), BmpBytes(byHand, false));
    Spit(PathOf("top-down.bmp"), BmpBytes(byHand, true));
    Spit(PathOf("bottom-left.tga"), TgaBytes(byHand, false));
    Spit(PathOf("top-left.tga"), TgaBytes(byHand, true));
    const Case cases[] = {
        {"bmp bottom-up, by hand", "bottom-up.bmp", nullptr, 37, 0},
        {"bmp top-down, by hand", "top-down.bmp", nullptr, 37, 0},
        {"tga bottom-left, by hand", "bottom-left.tga", nullptr, 37, 0},
        {"tga top-left, by hand", "top-left.tga", nullptr, 37, 0},
        {"bmp version 3", "im3.bmp", "-define bmp:format=bmp3", 37, 0},
        {"png", "im.png", "", 37, 0},
        {"tif", "im.tif", "", 37, 0},
        {"tif rle", "rle.tiff", "-compress rle", 37, 0},
        {"tif tagged bottom-left", "bl.tif", "-orient bottom-left", 37, 0},
        {"pcx", "im.pcx", "", 38, 0},
        {"sgi", "im.sgi", "-compress none", 37, 0},
        {"sgi rle", "rle.sgi", "", 37, 0},
        {"pnm", "im.pnm", "", 37, 0},
        {"psd", "im.psd", "", 37, 0},
        {"dds uncompressed", "im.dds", "-define dds:compression=none", 37, 0},
        {"jpg", "im.jpg", "-quality 95", 37, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int width = c.width, height = 23;
        const Picture made = c.tolerance > 0 ? MakePicture(width, height, [](int x, int y) { return QuadrantColor(x, y, 37, 23); })
                                             : MakePicture(width, height, PatternColor);
        if (c.options) {
            ASSERT_TRUE(MakeElsewhere(made, c.options, PathOf(c.file)));
        }
        // What the independent reader sees is what the world must hold. For all but the
        // file tagged bottom-left that is the picture as it was made.
        const std::optional<Picture> upright = ReadElsewhere(PathOf(c.file));
        ASSERT_TRUE(upright.has_value());
        if (c.name != "tif tagged bottom-left") {
            EXPECT_EQ(Mismatches(*upright, made, c.tolerance), 0);
        }
        std::vector<CellTable> world = MakeWorld(40, 30, 1, 8);
        ASSERT_TRUE(ImportImage(world[0], PathOf(c.file)));
        Picture got { width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3) };
        int untouched = 0;
        for (int x = 0; x < 40; ++x)
            for (int y = 0; y < 30; ++y) {
                Cell cell = world[0].At(x, y);
                if (x < width && y < height) {
                    uint8_t* p = &got.Rgb[(static_cast<size_t>(y) * width + x) * 3];
                    p[0] = cell.u1 >> 16, p[1] = cell.u1 >> 8, p[2] = cell.u1;
                    cell.u1 = Expected(x, y, 8).u1;
                }
                untouched += SameCell(cell, Expected(x, y, 8));
            }
        EXPECT_EQ(untouched, 40 * 30);
        EXPECT_EQ(Mismatches(got, *upright, c.tolerance), 0);
    }
}

TEST_F(Images, OnlyThePartTheWorldHoldsIsTaken) {
    const Picture big = MakePicture(300, 300, [](int x, int y) { return static_cast<uint32_t>(x << 12 | y); });
    Spit(PathOf("big.bmp"), BmpBytes(big, false));
    ASSERT_TRUE(MakeElsewhere(big, "", PathOf("big.png")));
    for (const char* name : {"big.bmp", "big.png"}) {
        SCOPED_TRACE(name);
        CellTable world(100, 100);
        ASSERT_TRUE(ImportImage(world, PathOf(name)));
        int bad = 0;
        for (int x = 0; x < 100; ++x)
            for (int y = 0; y < 100; ++y) bad += world.At(x, y).u1 != big.At(x, y);
        EXPECT_EQ(bad, 0);
    }
    const Picture small = MakePicture(50, 40, PatternColor);
    Spit(PathOf("small.ppm"), PpmBytes(small));
    std::vector<CellTable> world = MakeWorld(100, 100, 1, 4);
    ASSERT_TRUE(ImportImage(world[0], PathOf("small.ppm")));
    int bad = 0;
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 100; ++y) {
            const uint32_t want = x < 50 && y < 40 ? small.At(x, y) : Expected(x, y, 4).u1;
            bad += world[0].At(x, y).u1 != want;
        }
    EXPECT_EQ(bad, 0);
    // One pixel as the documented example has it.
    Spit(PathOf("one.ppm"), PpmBytes(Picture { 1, 1, {255, 128, 0} }));
    ASSERT_TRUE(ImportImage(world[0], PathOf("one.ppm")));
    EXPECT_EQ(world[0].At(0, 0).u1, 0x00FF8000u);
}

TEST_F(Images, FailedSavesReportAndKeepTheOldFile) {
    CellTable world = WorldOf(MakePicture(8, 8, PatternColor), 0);
    const std::string old = "an old picture";
    Spit(PathOf("keep.xyz"), old);
    Spit(PathOf("keep"), old);
    Spit(PathOf("keep.pal"), old);
    Spit(PathOf("plain"), old);
    mkdir(PathOf("folder.png").c_str(), 0755);
    struct Case {
        std::string path;
        int filter;
    };
    const Case cases[] = {
        {"keep.xyz", 3},         // an extension the image library does not know
        {"keep", 12},            // no extension and the all-files entry
        {"keep.pal", 11},        // a palette cannot be written from a picture
        {"keep.gif", 4},         // a format the library reads but does not write
        {"plain/below.png", 3},  // a directory that cannot exist
        {"folder.png", 3},       // a directory where the file should go
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const FileStatus status = ExportImage(world, PathOf(c.path), c.filter);
        EXPECT_EQ(status.Text, NotSaved);
        EXPECT_EQ(status.Color, 0xFFFF7F7Fu);
    }
    for (const char* name : {"keep.xyz", "keep", "keep.pal", "plain"}) EXPECT_EQ(Slurp(PathOf(name)), old) << name;
    EXPECT_EQ(Listing(), (std::vector<std::string>{"folder.png", "keep", "keep.pal", "keep.xyz", "plain"}));

    // A saved picture replaces an existing file; a BMP name with the PNG entry is a BMP.
    Spit(PathOf("over.bmp"), old);
    ASSERT_EQ(ExportImage(world, PathOf("over.bmp"), 3).Text, Saved);
    EXPECT_EQ(Slurp(PathOf("over.bmp")).substr(0, 2), "BM");
    ASSERT_EQ(ExportImage(world, PathOf("chosen"), 3).Text, Saved);
    EXPECT_EQ(Slurp(PathOf("chosen.png")).substr(1, 3), "PNG");
}

TEST_F(Images, UnreadablePicturesChangeNoCell) {
    const std::string garbage = "This is no picture at all, only some words of text in a file.\n";
    const char* names[] = {"g.png", "g.jpg", "g.bmp", "g.tga", "g.tif", "g.gif", "g.pcx", "g.dds", "g.psd",
                           "g.sgi", "g.pnm", "g.raw", "g.pal", "g", "e.png", "e.bmp", "e.jpg", "e.tif"};
    for (const char* name : names) Spit(PathOf(name), name[0] == 'g' ? garbage : "");
    mkdir(PathOf("dir.png").c_str(), 0755);
    std::vector<std::string> paths(std::begin(names), std::end(names));
    paths.push_back("missing.png");
    paths.push_back("dir.png");
    ASSERT_EQ(mkfifo(PathOf("pipe.png").c_str(), 0600), 0);
    paths.push_back("pipe.png");
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        std::vector<CellTable> world = MakeWorld(10, 10, 3, 20);
        bool called = false;
        const FileStatus status = LoadImageIntoWorld(world, PathOf(path), [&] { called = true; });
        EXPECT_EQ(status.Text, NotLoaded);
        EXPECT_EQ(status.Color, 0xFFFF7F7Fu);
        EXPECT_FALSE(called);
        int changed = 0;
        for (int g = 0; g < 3; ++g)
            for (int x = 0; x < 10; ++x)
                for (int y = 0; y < 10; ++y) changed += !SameCell(world[g].At(x, y), Expected(x, y, 20 + g));
        EXPECT_EQ(changed, 0);
    }
}

TEST_F(Images, LoadingRunsOnLoadImageAndEqualisesTheGenerations) {
    const Picture picture = MakePicture(6, 5, PatternColor);
    Spit(PathOf("p.ppm"), PpmBytes(picture));
    // Without OnLoadImage every generation gets the colours.
    std::vector<CellTable> world = MakeWorld(6, 5, 3, 30);
    FileStatus status = LoadImageIntoWorld(world, PathOf("p.ppm"), nullptr);
    EXPECT_EQ(status.Text, Loaded);
    EXPECT_EQ(status.Color, 0xFFFFFFFFu);
    for (int g = 0; g < 3; ++g) EXPECT_EQ(world[g].At(5, 4).u1, picture.At(5, 4)) << g;

    // OnLoadImage turns colours into state; its work reaches every generation.
    world = MakeWorld(6, 5, 2, 30);
    status = LoadImageIntoWorld(world, PathOf("p.ppm"), [&] {
        EXPECT_EQ(world[1].At(2, 3).u1, picture.At(2, 3));  // the first copy came before it
        world[0].At(2, 3).f1 = 99.0f;
    });
    EXPECT_EQ(status.Text, Loaded);
    EXPECT_EQ(world[1].At(2, 3).f1, 99.0f);

    // A failing OnLoadImage keeps the imported colours and skips the second copy.
    world = MakeWorld(6, 5, 2, 30);
    status = LoadImageIntoWorld(world, PathOf("p.ppm"), [&] {
        world[0].At(1, 1).f2 = 5.0f;
        RaiseError("skrypt");
    });
    EXPECT_EQ(status.Text, "Nie można wykonać funkcji OnLoadImage()");
    EXPECT_EQ(status.Color, 0xFFFF7F7Fu);
    EXPECT_EQ(world[0].At(1, 1).u1, picture.At(1, 1));
    EXPECT_EQ(world[1].At(1, 1).u1, picture.At(1, 1));
    EXPECT_NE(world[1].At(1, 1).f2, 5.0f);
}

TEST_F(Images, SavingRunsOnSaveImageAndRotatesTheGenerations) {
    std::vector<CellTable> world = MakeWorld(6, 5, 3, 50);
    const Cell generation1 = world[1].At(0, 0);
    FileStatus status = SaveWorldAsImage(world, PathOf("s"), 3, [&] {
        for (int x = 0; x < 6; ++x)
            for (int y = 0; y < 5; ++y) world[0].At(x, y).u1 = PatternColor(x, y);
    });
    EXPECT_EQ(status.Text, Saved);
    EXPECT_TRUE(SameCell(world[2].At(0, 0), generation1));
    EXPECT_TRUE(SameCell(world[1].At(0, 0), world[0].At(0, 0)));
    const std::optional<Picture> got = ReadElsewhere(PathOf("s.png"));
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(Mismatches(*got, MakePicture(6, 5, PatternColor), 0), 0);

    // A failing OnSaveImage writes no file and rotates nothing.
    world = MakeWorld(6, 5, 3, 50);
    status = SaveWorldAsImage(world, PathOf("f.png"), 3, [] { RaiseError("skrypt"); });
    EXPECT_EQ(status.Text, "Nie można wykonać funkcji OnSaveImage()");
    EXPECT_EQ(status.Color, 0xFFFF7F7Fu);
    EXPECT_TRUE(SameCell(world[2].At(0, 0), Expected(0, 0, 52)));
    struct stat info {};
    EXPECT_NE(stat(PathOf("f.png").c_str(), &info), 0);
}

TEST(ImageFilters, SaveIndexFollowsTheExtension) {
    const std::pair<const char*, int> cases[] = {
        {"a.bmp", 1}, {"a.JPG", 2}, {"a.jpeg", 2}, {"a.png", 3}, {"a.tga", 4}, {"a.tif", 5}, {"a.tiff", 5},
        {"a.pcx", 6}, {"a.dds", 7}, {"a.pnm", 8}, {"a.raw", 9}, {"a.sgi", 10}, {"a.pal", 11},
        {"a.gif", 12}, {"a", 12}, {"dir.png/a", 12}, {"a.png.txt", 12},
    };
    for (const auto& [path, index] : cases) EXPECT_EQ(FilterIndexFor(SaveImageFilters, path), index) << path;
    EXPECT_EQ(FilterIndexFor(SaveTableFilters, "t.VLS"), 1);
    EXPECT_EQ(FilterIndexFor(SaveTableFilters, "t.vln"), 2);
    EXPECT_EQ(LoadImageFilters.front().Name, "Wszystkie formaty");
    EXPECT_EQ(LoadImageFilters.back().Pattern, "*.*");
}

}  // namespace
