#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "FilesTestSupport.h"
#include "files/TableFile.h"
#include "stream/Base.h"

namespace {

using Tables = ScratchDirectory;

const std::string Loaded = "Tablica została wczytana";
const std::string NotLoaded = "Błąd - nie można wczytać tablicy";
const std::string Saved = "Tablica została zapisana";
const std::string NotSaved = "Błąd - nie można zapisać tablicy";

uint32_t U32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

std::string LE32(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string Header(const std::string& magic, int32_t width, int32_t height) {
    return magic + LE32(static_cast<uint32_t>(width)) + LE32(static_cast<uint32_t>(height));
}

// One record as the file stores it, built field by field.
std::string Record(const Cell& cell) {
    std::string bytes;
    for (uint8_t b : {cell.b1, cell.b2, cell.b3, cell.b4}) bytes += static_cast<char>(b);
    for (uint32_t u : {cell.u1, cell.u2, cell.u3, cell.u4}) bytes += LE32(u);
    for (float f : {cell.f1, cell.f2, cell.f3, cell.f4}) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        bytes += LE32(bits);
    }
    return bytes;
}

std::string Inflated(const std::string& packed, size_t size) {
    std::string out(size + 1, '\0');
    uLongf outSize = out.size();
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize, reinterpret_cast<const Bytef*>(packed.data()), packed.size()), Z_OK);
    out.resize(outSize);
    return out;
}

std::string Deflated(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()), Z_OK);
    out.resize(size);
    return out;
}

TEST_F(Tables, BothFormatsStoreTheLastGenerationRowByRow) {
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        // Generation 1 is stored; generation 0 differs from it.
        std::vector<CellTable> world = MakeWorld(5, 3, 2, 40);
        const std::string path = PathOf(compressed ? "t.vls" : "t.vln");
        EXPECT_EQ(SaveTable(world, path, compressed).Text, Saved);
        const std::string file = Slurp(path);
        ASSERT_GE(file.size(), 12u);
        EXPECT_EQ(file.substr(0, 4), compressed ? "VLS1" : "VLN1");
        EXPECT_EQ(U32(file, 4), 5u);
        EXPECT_EQ(U32(file, 8), 3u);
        const std::string records = compressed ? Inflated(file.substr(12), 15 * 36) : file.substr(12);
        ASSERT_EQ(records.size(), 15u * 36);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(records.substr((y * 5 + x) * 36, 36), Record(Expected(x, y, 41))) << x << "," << y;
    }
    // One buffer: generation 0 is stored.
    std::vector<CellTable> single = MakeWorld(2, 2, 1, 7);
    SaveTable(single, PathOf("one.vln"), false);
    EXPECT_EQ(Slurp(PathOf("one.vln")).substr(12, 36), Record(Expected(0, 0, 7)));
}

TEST_F(Tables, NamesWithoutExtensionReceiveTheFormatsExtension) {
    struct Case {
        std::string given;
        bool compressed;
        std::string written;
        std::string magic;
    };
    mkdir(PathOf("dir.d").c_str(), 0755);
    const Case cases[] = {
        {"plain", true, "plain.vls", "VLS1"},
        {"plain2", false, "plain2.vln", "VLN1"},
        {"other.dat", true, "other.dat", "VLS1"},
        {"swapped.vln", true, "swapped.vln", "VLS1"},
        {"dir.d/inner", false, "dir.d/inner.vln", "VLN1"},
    };
    std::vector<CellTable> world = MakeWorld(3, 3, 1, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(SaveTable(world, PathOf(c.given), c.compressed).Text, Saved);
        EXPECT_EQ(Slurp(PathOf(c.written)).substr(0, 4), c.magic);
    }
}

TEST_F(Tables, TablesLoadIntoWorldsOfOtherSizes) {
    struct Case {
        int fileWidth, fileHeight, worldWidth, worldHeight;
    };
    const Case cases[] = {{200, 100, 100, 200}, {100, 200, 200, 100}, {7, 5, 7, 5}, {3, 9, 8, 4}};
    for (bool compressed : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << compressed << " " << c.fileWidth << "x" << c.fileHeight << " into " << c.worldWidth << "x" << c.worldHeight);
            std::vector<CellTable> source = MakeWorld(c.fileWidth, c.fileHeight, 1, 100);
            const std::string path = PathOf("sized");
            ASSERT_EQ(SaveTable(source, path, compressed).Text, Saved);
            std::vector<CellTable> target = MakeWorld(c.worldWidth, c.worldHeight, 2, 500);
            const FileStatus status = LoadTable(target, path + (compressed ? ".vls" : ".vln"));
            EXPECT_EQ(status.Text, Loaded);
            EXPECT_EQ(status.Color, 0xFFFFFFFFu);
            int mismatches = 0;
            for (int x = 0; x < c.worldWidth; ++x) {
                for (int y = 0; y < c.worldHeight; ++y) {
                    const bool fromFile = x < c.fileWidth && y < c.fileHeight;
                    const Cell want = fromFile ? Expected(x, y, 100) : Expected(x, y, 500);
                    mismatches += !SameCell(target[0].At(x, y), want);
                    mismatches += !SameCell(target[1].At(x, y), target[0].At(x, y));
                }
            }
            EXPECT_EQ(mismatches, 0);
        }
    }
}

TEST_F(Tables, OneBufferTableFillsGenerationsZeroAndOneOfThree) {
    std::vector<CellTable> source = MakeWorld(4, 4, 1, 9);
    ASSERT_EQ(SaveTable(source, PathOf("a.vls"), true).Text, Saved);
    std::vector<CellTable> target = MakeWorld(4, 4, 3, 60);
    EXPECT_EQ(LoadTable(target, PathOf("a.vls")).Text, Loaded);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            EXPECT_TRUE(SameCell(target[0].At(x, y), Expected(x, y, 9)));
            EXPECT_TRUE(SameCell(target[1].At(x, y), Expected(x, y, 9)));
            EXPECT_TRUE(SameCell(target[2].At(x, y), Expected(x, y, 62)));
        }
}

TEST_F(Tables, AnyNonZeroBoolByteLoadsAsTrueAndSavesAsOne) {
    Cell cell = Expected(0, 0, 3);
    std::string record = Record(cell);
    record[0] = 7;
    record[1] = 0;
    record[2] = static_cast<char>(0x80);
    Spit(PathOf("b.vln"), Header("VLN1", 1, 1) + record);
    std::vector<CellTable> world = MakeWorld(1, 1, 1, 0);
    ASSERT_EQ(LoadTable(world, PathOf("b.vln")).Text, Loaded);
    EXPECT_EQ(world[0].At(0, 0).b1, 1);
    EXPECT_EQ(world[0].At(0, 0).b2, 0);
    EXPECT_EQ(world[0].At(0, 0).b3, 1);
    EXPECT_EQ(world[0].At(0, 0).u1, cell.u1);
    // Even a byte that is not 0 or 1 in memory is written as 1.
    world[0].At(0, 0).b4 = 9;
    ASSERT_EQ(SaveTable(world, PathOf("c.vln"), false).Text, Saved);
    EXPECT_EQ(Slurp(PathOf("c.vln")).substr(12, 4), std::string("\x01\x00\x01\x01", 4));
}

// How many records, and how many fields of the one after them, a bad file leaves loaded.
struct BadFile {
    std::string name;
    std::string bytes;
    std::string status;
    int wholeRecords;  // records 0.. of a 4 x 3 world taken from the file, row by row
    int extraFields;   // complete fields of the next record (b1..b4 count one each)
    bool refused = false;  // refused before any record: generation 1 is not touched either
};

TEST_F(Tables, BadFilesReportAtOnceAndKeepWhatWasRead) {
    // The file's records are the cells of seed 1; the world starts with those of seed 2.
    std::string records;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) records += Record(Expected(x, y, 1));
    std::string packed = Deflated(records);
    std::string corrupt = packed;
    for (size_t i = packed.size() / 2; i < packed.size() - 4; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    const BadFile cases[] = {
        {"good plain", Header("VLN1", 4, 3) + records, Loaded, 12, 0},
        {"good compressed", Header("VLS1", 4, 3) + packed, Loaded, 12, 0},
        {"last digit differs", Header("VLN2", 4, 3) + records, NotLoaded, 0, 0, true},
        {"lower case", Header("vln1", 4, 3) + records, NotLoaded, 0, 0, true},
        {"empty", "", NotLoaded, 0, 0, true},
        {"truncated header", Header("VLN1", 4, 3).substr(0, 7), NotLoaded, 0, 0, true},
        {"header only", Header("VLN1", 4, 3), NotLoaded, 0, 0},
        {"header only, no rows", Header("VLN1", 4, 0), Loaded, 0, 0},
        {"negative height", Header("VLN1", 4, -3) + records, Loaded, 0, 0},
        {"negative width", Header("VLS1", -4, 3) + packed, Loaded, 0, 0},
        {"cut in a bool", Header("VLN1", 4, 3) + records.substr(0, 5 * 36 + 2), NotLoaded, 5, 2},
        {"cut in a number", Header("VLN1", 4, 3) + records.substr(0, 6 * 36 + 4 + 4 * 3 + 2), NotLoaded, 6, 7},
        {"compressed, cut", Header("VLS1", 4, 3) + packed.substr(0, packed.size() - 10), NotLoaded, -1, 0},
        {"compressed, corrupt", Header("VLS1", 4, 3) + corrupt, NotLoaded, -1, 0},
        {"compressed, not zlib", Header("VLS1", 4, 3) + records, NotLoaded, 0, 0},
        {"2 GB promised, 20 bytes", Header("VLN1", 2147483647, 2147483647) + records.substr(0, 20), NotLoaded, 0, 8},
        {"2 GB wide, compressed", Header("VLS1", 2147483647, 3) + packed, NotLoaded, -1, 0},
    };
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        Spit(PathOf("bad"), c.bytes);
        std::vector<CellTable> world = MakeWorld(4, 3, 2, 2);
        const FileStatus status = LoadTable(world, PathOf("bad"));
        EXPECT_EQ(status.Text, c.status);
        EXPECT_EQ(status.Color, c.status == Loaded ? 0xFFFFFFFFu : 0xFFFF7F7Fu);
        EXPECT_FALSE(ErrorRaised());
        if (c.wholeRecords < 0) continue;  // how far compressed data gets is zlib's business
        for (int index = 0; index < 12; ++index) {
            const int x = index % 4, y = index / 4;
            Cell want = Expected(x, y, 2);
            if (index < c.wholeRecords) want = Expected(x, y, 1);
            if (index == c.wholeRecords) {
                const Cell file = Expected(x, y, 1);
                for (int field = 0; field < c.extraFields; ++field) {
                    if (field < 4) (&want.b1)[field] = (&file.b1)[field];
                    else std::memcpy(reinterpret_cast<char*>(&want) + 4 * (field - 3), reinterpret_cast<const char*>(&file) + 4 * (field - 3), 4);
                }
            }
            EXPECT_TRUE(SameCell(world[0].At(x, y), want)) << "cell " << index;
            // Whatever was read is copied into generation 1, as after a complete load.
            const Cell generation1 = c.refused ? Expected(x, y, 3) : world[0].At(x, y);
            EXPECT_TRUE(SameCell(world[1].At(x, y), generation1)) << "cell " << index;
        }
    }
    std::vector<CellTable> world = MakeWorld(4, 3, 1, 2);
    EXPECT_EQ(LoadTable(world, PathOf("missing.vls")).Text, NotLoaded);
    EXPECT_EQ(LoadTable(world, m_directory).Text, NotLoaded);
    ASSERT_EQ(mkfifo(PathOf("pipe.vln").c_str(), 0600), 0);
    EXPECT_EQ(LoadTable(world, PathOf("pipe.vln")).Text, NotLoaded);  // and does not wait for a writer
}

// A stream of a fixed number of bytes that counts how often it is read.
class CountingStream : public stream::Base {
public:
    explicit CountingStream(std::string bytes) : m_bytes(std::move(bytes)) {}
    int Reads = 0;
    void Write(const void*, uint32_t) override {}
    void Read(void* data, uint32_t& size) override {
        ++Reads;
        size = static_cast<uint32_t>(std::min<size_t>(size, m_bytes.size() - m_at));
        std::memcpy(data, m_bytes.data() + m_at, size);
        m_at += size;
    }

private:
    std::string m_bytes;
    size_t m_at = 0;
};

TEST_F(Tables, ReadingStopsAtTheFirstFailedRead) {
    for (int32_t width : {2147483647, 4}) {
        SCOPED_TRACE(width);
        CountingStream stream(std::string(100, '\0'));
        std::vector<CellTable> world = MakeWorld(4, 1000, 1, 2);
        ReadCells(stream, world, width, 2147483647);
        EXPECT_TRUE(ErrorRaised());
        EXPECT_LE(stream.Reads, 2);
        ClearErrors();
    }
}

// Writes go to the stream a row at a time, not a field at a time.
class RecordingStream : public stream::Base {
public:
    std::vector<uint32_t> Sizes;
    void Write(const void*, uint32_t size) override { Sizes.push_back(size); }
    void Read(void*, uint32_t& size) override { size = 0; }
};

TEST_F(Tables, CellsAreWrittenOneRowPerWrite) {
    RecordingStream stream;
    std::vector<CellTable> world = MakeWorld(30, 20, 1, 5);
    WriteCells(stream, world[0]);
    EXPECT_EQ(stream.Sizes, std::vector<uint32_t>(20, 30 * 36));
}

TEST_F(Tables, SaveFailuresLeaveTheOldFileAndNoLeftovers) {
    std::vector<CellTable> world = MakeWorld(100, 100, 1, 3);
    Spit(PathOf("plain"), "a regular file");
    mkdir(PathOf("folder.vls").c_str(), 0755);
    const std::string paths[] = {PathOf("plain/below.vls"), PathOf("folder.vls"), PathOf("missing/dir/t.vln")};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const FileStatus status = SaveTable(world, path, true);
        EXPECT_EQ(status.Text, NotSaved);
        EXPECT_EQ(status.Color, 0xFFFF7F7Fu);
    }
    EXPECT_EQ(Listing(), (std::vector<std::string>{"folder.vls", "plain"}));

    // A write that fails half-way (a file size limit here) leaves the old file as it was.
    const std::string old(5000, 'o');
    Spit(PathOf("old.vln"), old);
    chmod(PathOf("old.vln").c_str(), 0640);
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const FileStatus status = SaveTable(world, PathOf("old.vln"), false);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(status.Text, NotSaved);
    EXPECT_EQ(Slurp(PathOf("old.vln")), old);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"folder.vls", "old.vln", "plain"}));

    // A complete save replaces the file and keeps its permissions.
    EXPECT_EQ(SaveTable(world, PathOf("old.vln"), false).Text, Saved);
    EXPECT_EQ(Slurp(PathOf("old.vln")).size(), 12u + 100 * 100 * 36);
    struct stat info {};
    stat(PathOf("old.vln").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(Tables, SavingThroughALinkReplacesTheFileItNames) {
    std::vector<CellTable> world = MakeWorld(3, 3, 1, 3);
    Spit(PathOf("real.vln"), "old");
    ASSERT_EQ(symlink("real.vln", PathOf("link.vln").c_str()), 0);
    EXPECT_EQ(SaveTable(world, PathOf("link.vln"), false).Text, Saved);
    struct stat info {};
    ASSERT_EQ(lstat(PathOf("link.vln").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Slurp(PathOf("real.vln")).substr(0, 4), "VLN1");
}

TEST_F(Tables, AnUnwritableDirectoryRefusesTheSaveAndKeepsTheOldFile) {
    // Root writes anywhere, so the save runs in a child without privileges.
    Spit(PathOf("kept.vls"), "old table");
    chmod(m_directory.c_str(), 0555);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        std::vector<CellTable> world = MakeWorld(3, 3, 1, 3);
        const FileStatus status = SaveTable(world, PathOf("kept.vls"), true);
        _exit(status.Text == NotSaved && !ErrorRaised() ? 0 : 1);
    }
    int result = 0;
    waitpid(child, &result, 0);
    chmod(m_directory.c_str(), 0700);
    EXPECT_TRUE(WIFEXITED(result));
    EXPECT_EQ(WEXITSTATUS(result), 0);
    EXPECT_EQ(Slurp(PathOf("kept.vls")), "old table");
    EXPECT_EQ(Listing(), std::vector<std::string>{"kept.vls"});
}

}  // namespace
