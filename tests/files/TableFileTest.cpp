#include <gtest/gtest.h>

#include <bit>
#include <tuple>
#include <sys/stat.h>
#include <sys/wait.h>

#include "files/TableFile.h"
#include "files/TemporaryFile.h"
#include "FilesTestSupport.h"

namespace files {
namespace {

using Tables = ScratchDirectory;

const std::string Loaded = "Tablica została wczytana", NotLoaded = "Błąd - nie można wczytać tablicy";
const std::string Saved = "Tablica została zapisana", NotSaved = "Błąd - nie można zapisać tablicy";

std::string Le32(uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
}

std::string Header(const std::string& magic, int32_t width, int32_t height) {
    return magic + Le32(static_cast<uint32_t>(width)) + Le32(static_cast<uint32_t>(height));
}

// The records of the table of `seed`, row by row, each built field by field.
std::string Records(int width, int height, uint32_t seed) {
    std::string bytes;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const cells::Cell cell = Expected(x, y, seed);
            bytes += {static_cast<char>(cell.b1), static_cast<char>(cell.b2), static_cast<char>(cell.b3), static_cast<char>(cell.b4)};
            for (uint32_t u : {cell.u1, cell.u2, cell.u3, cell.u4}) bytes += Le32(u);
            for (float f : {cell.f1, cell.f2, cell.f3, cell.f4}) bytes += Le32(std::bit_cast<uint32_t>(f));
        }
    return bytes;
}

// Each saved file is parsed by hand, then loaded into a world of another size: columns and
// rows beyond the world are skipped, cells beyond the file keep their values.
TEST_F(Tables, BothFormatsHoldTheRecordsRowByRowAndLoadIntoWorldsOfOtherSizes) {
    mkdir(PathOf("dir.d").c_str(), 0755);
    const std::tuple<std::string, bool, std::string, int, int> cases[] = {  // given, compressed, written, world size
        {"plain", true, "plain.vls", 3, 7},          {"plain", false, "plain.vln", 7, 2}, {"other.dat", true, "other.dat", 5, 3},
        {"swapped.vln", true, "swapped.vln", 9, 9}, {"dir.d/inner", false, "dir.d/inner.vln", 2, 2},
    };
    cells::CellTable table = MakeTable(5, 3, 40);
    table.At(1, 2).b3 = 9;  // b3 is 1 there: any non-zero byte in memory is written as 1
    for (const auto& [given, compressed, written, worldWidth, worldHeight] : cases) {
        SCOPED_TRACE(given);
        EXPECT_EQ(SaveTable(table, PathOf(given), compressed).Text, Saved);
        const std::string file = Slurp(PathOf(written));
        EXPECT_EQ(file.substr(0, 12), Header(compressed ? "VLS1" : "VLN1", 5, 3));
        EXPECT_TRUE((compressed ? Inflated(file.substr(12), 15 * 36) : file.substr(12)) == Records(5, 3, 40));
        cells::CellTable world = MakeTable(worldWidth, worldHeight, 500);
        EXPECT_EQ(LoadTable(world, PathOf(written)).Status.Text, Loaded);
        int mismatches = 0;
        for (int x = 0; x < worldWidth; ++x)
            for (int y = 0; y < worldHeight; ++y) {
                const cells::Cell want = Expected(x, y, x < 5 && y < 3 ? 40 : 500);
                mismatches += std::memcmp(&world.At(x, y), &want, sizeof(cells::Cell)) != 0;
            }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(Tables, BadFilesAreReportedAndKeepWhatWasReadBeforeTheFault) {
    // The file's records are the cells of seed 1 for a 4 x 3 world that holds those of seed 2.
    const std::string good = Records(4, 3, 1), packed = Deflated(good);
    std::string corrupt = packed, sevens = good;
    for (size_t i = packed.size() / 2; i < packed.size() - 4; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    for (size_t i = 0; i < sevens.size(); ++i) sevens[i] = static_cast<char>(i % 36 < 4 && sevens[i] != 0 ? 7 : sevens[i]);
    // Name, bytes, status; how many records are taken from the file, row by row (-1: as far
    // as zlib gets), how many complete fields of the record after them (b1..b4 count one
    // each); whether cell records were read at all.
    const std::tuple<std::string, std::string, std::string, int, int, bool> cases[] = {
        {"good plain", Header("VLN1", 4, 3) + good, Loaded, 12, 0, true},
        {"good compressed", Header("VLS1", 4, 3) + packed, Loaded, 12, 0, true},
        {"bool bytes of 7", Header("VLN1", 4, 3) + sevens, Loaded, 12, 0, true},
        {"2000 columns more", Header("VLN1", 2004, 3) + Records(2004, 3, 1), Loaded, 12, 0, true},
        {"2000 columns more, compressed", Header("VLS1", 2004, 4) + Deflated(Records(2004, 4, 1)), Loaded, 12, 0, true},
        {"last digit differs", Header("VLN2", 4, 3) + good, NotLoaded, 0, 0, false},
        {"lower case", Header("vln1", 4, 3) + good, NotLoaded, 0, 0, false},
        {"empty", "", NotLoaded, 0, 0, false},
        {"truncated header", Header("VLN1", 4, 3).substr(0, 7), NotLoaded, 0, 0, false},
        {"header only", Header("VLN1", 4, 3), NotLoaded, 0, 0, true},
        // A size below 1 is a damaged header, not an empty table.
        {"header only, no rows", Header("VLN1", 4, 0), NotLoaded, 0, 0, false},
        {"no columns, compressed", Header("VLS1", 0, 3) + Deflated(""), NotLoaded, 0, 0, false},
        {"negative height", Header("VLN1", 4, -3) + good, NotLoaded, 0, 0, false},
        {"negative width", Header("VLS1", -4, 3) + packed, NotLoaded, 0, 0, false},
        // A zlib stream that asks for a preset dictionary (flag 0x20 of its second byte):
        // the twenty bytes that once made the loader spin forever.
        {"preset dictionary", Header("VLS1", 4, 3) + std::string("\x78\xBB\x00\x00\x00\x01\x00\x00", 8), NotLoaded, 0, 0, true},
        {"cut in a bool", Header("VLN1", 4, 3) + good.substr(0, 5 * 36 + 2), NotLoaded, 5, 2, true},
        {"cut in a number", Header("VLN1", 4, 3) + good.substr(0, 6 * 36 + 4 + 4 * 3 + 2), NotLoaded, 6, 7, true},
        {"compressed, cut", Header("VLS1", 4, 3) + packed.substr(0, packed.size() - 10), NotLoaded, -1, 0, true},
        {"compressed, corrupt", Header("VLS1", 4, 3) + corrupt, NotLoaded, -1, 0, true},
        {"compressed, not zlib", Header("VLS1", 4, 3) + good, NotLoaded, 0, 0, true},
        {"2 GB promised, 20 bytes", Header("VLN1", 2147483647, 2147483647) + good.substr(0, 20), NotLoaded, 0, 8, true},
        {"2 GB wide, compressed", Header("VLS1", 2147483647, 3) + packed, NotLoaded, -1, 0, true},
    };
    for (const auto& [name, bytes, status, records, fields, cellsRead] : cases) {
        SCOPED_TRACE(name);
        Spit(PathOf("bad"), bytes);
        cells::CellTable world = MakeTable(4, 3, 2);
        const TableLoad load = LoadTable(world, PathOf("bad"));
        EXPECT_EQ(load.Status.Text, status);
        EXPECT_EQ(load.Status.Color, status == Loaded ? 0xFFFFFFFFu : 0xFFFF7F7Fu);
        EXPECT_EQ(load.CellsRead, cellsRead);
        for (int index = 0; index < 12 && records >= 0; ++index) {
            const int x = index % 4, y = index / 4;
            cells::Cell want = Expected(x, y, index < records ? 1 : 2), file = Expected(x, y, 1);
            if (index == records) std::memcpy(&want, &file, fields <= 4 ? fields : 4 * (fields - 3));
            EXPECT_EQ(std::memcmp(&world.At(x, y), &want, sizeof(cells::Cell)), 0) << "cell " << index;
        }
    }
    ASSERT_EQ(mkfifo(PathOf("pipe.vln").c_str(), 0600), 0);
    for (const std::string& path : {PathOf("missing.vls"), m_directory, PathOf("pipe.vln")}) {
        cells::CellTable world(4, 3);
        const TableLoad load = LoadTable(world, path);  // a pipe is refused, not waited on
        EXPECT_EQ(load.Status.Text, NotLoaded) << path;
        EXPECT_FALSE(load.CellsRead);
    }
}

TEST_F(Tables, FailedSavesLeaveTheOldFileAndNoLeftovers) {
    const cells::CellTable table = MakeTable(100, 100, 3);
    Spit(PathOf("plain"), "a regular file");
    mkdir(PathOf("folder.vls").c_str(), 0755);
    for (const char* path : {"plain/below.vls", "folder.vls", "missing/dir/t.vln"}) {
        const FileStatus status = SaveTable(table, PathOf(path), true);
        EXPECT_EQ(status.Text, NotSaved) << path;
        EXPECT_EQ(status.Color, 0xFFFF7F7Fu);
    }
    // A compressed write that fails half-way (at a file size limit) leaves the old file as it was.
    Spit(PathOf("old.vls"), std::string(5000, 'o'));
    chmod(PathOf("old.vls").c_str(), 0640);
    WithFileSizeLimit(50000, [&] { EXPECT_EQ(SaveTable(table, PathOf("old.vls"), true).Text, NotSaved); });
    EXPECT_EQ(Slurp(PathOf("old.vls")), std::string(5000, 'o'));
    EXPECT_EQ(Listing(), (std::set<std::string> {"folder.vls", "old.vls", "plain"}));

    // A complete save replaces the file and keeps its permissions; through a link, the file
    // the link names is replaced.
    ASSERT_EQ(symlink("old.vls", PathOf("link.vln").c_str()), 0);
    EXPECT_EQ(SaveTable(table, PathOf("link.vln"), false).Text, Saved);
    EXPECT_EQ(Slurp(PathOf("old.vls")).size(), 12u + 100 * 100 * 36);
    struct stat info {};
    lstat(PathOf("link.vln").c_str(), &info);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    stat(PathOf("old.vls").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// A save killed while it writes leaves no file behind; what an older one left under the
// name of the moment of renaming is replaced by the next save of that target.
TEST_F(Tables, KilledSavesLeaveNothingBehind) {
    Spit(PathOf("t.vln"), "old");
    const pid_t child = fork();
    if (child == 0) {
        TemporaryFile temporary;
        if (temporary.Create(PathOf("t.vln"))) Spit(temporary.Path(), std::string(100000, 'x'));
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Listing(), (std::set<std::string> {"t.vln"}));
    EXPECT_EQ(Slurp(PathOf("t.vln")), "old");

    Spit(TemporaryFile::PartName(PathOf("t.vln")), "left by a save killed as it renamed");
    EXPECT_EQ(SaveTable(MakeTable(2, 2, 1), PathOf("t.vln"), false).Text, Saved);
    EXPECT_EQ(Listing(), (std::set<std::string> {"t.vln"}));
    EXPECT_EQ(Slurp(PathOf("t.vln")).substr(0, 4), "VLN1");
}

// A link is written through whether its file exists or not, along a chain of links; a link
// into a missing folder or a loop of links fails and changes nothing.
TEST_F(Tables, SavesWriteThroughLinksEvenToFilesThatDoNotExistYet) {
    mkdir(PathOf("sub").c_str(), 0755);
    ASSERT_EQ(symlink("sub/fresh.vls", PathOf("dangling.vls").c_str()), 0);
    ASSERT_EQ(symlink("dangling.vls", PathOf("chain.vls").c_str()), 0);
    ASSERT_EQ(symlink(PathOf("sub/second.vln").c_str(), PathOf("absolute.vln").c_str()), 0);
    ASSERT_EQ(symlink("nowhere/t.vls", PathOf("lost.vls").c_str()), 0);
    ASSERT_EQ(symlink("loop2.vls", PathOf("loop1.vls").c_str()), 0);
    ASSERT_EQ(symlink("loop1.vls", PathOf("loop2.vls").c_str()), 0);
    // Link saved to, status, the file that must now hold the table ("" for none).
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"chain.vls", Saved, "sub/fresh.vls"},
        {"absolute.vln", Saved, "sub/second.vln"},
        {"lost.vls", NotSaved, ""},
        {"loop1.vls", NotSaved, ""},
    };
    for (const auto& [link, status, file] : cases) {
        SCOPED_TRACE(link);
        EXPECT_EQ(SaveTable(MakeTable(3, 2, 5), PathOf(link), link.ends_with(".vls")).Text, status);
        struct stat info {};
        EXPECT_EQ(lstat(PathOf(link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays a link";
        if (!file.empty()) {
            EXPECT_EQ(Slurp(PathOf(file)).substr(0, 12), Header(link.ends_with(".vls") ? "VLS1" : "VLN1", 3, 2));
        }
    }
    EXPECT_EQ(Listing(), (std::set<std::string> {"absolute.vln", "chain.vls", "dangling.vls", "lost.vls", "loop1.vls", "loop2.vls", "sub"}));
}

}  // namespace
}  // namespace files
