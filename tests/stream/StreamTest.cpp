#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "errors/ErrorTrail.h"
#include "stream/Compression.h"
#include "stream/Decompression.h"
#include "stream/File.h"

namespace {

// A stream in memory that records the size of every write and can be told to fail.
class MemoryStream : public stream::Base {
public:
    std::string Bytes;
    size_t Position = 0;
    std::vector<uint32_t> WriteSizes;
    int ReadCalls = 0;
    bool FailWrites = false;

    void Write(const void* data, uint32_t size) override {
        WriteSizes.push_back(size);
        if (FailWrites) {
            RaiseErrorAt("zapis odrzucony", ErrorPosition::None());
            return;
        }
        Bytes.append(static_cast<const char*>(data), size);
    }
    void Read(void* data, uint32_t& size) override {
        ++ReadCalls;
        size = static_cast<uint32_t>(std::min<size_t>(size, Bytes.size() - Position));
        std::copy_n(Bytes.data() + Position, size, static_cast<char*>(data));
        Position += size;
    }
};

class Streams : public ::testing::Test {
protected:
    void SetUp() override {
        ClearErrors();
        char pattern[] = "/tmp/vl_stream_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = pattern;
    }
    void TearDown() override {
        ClearErrors();
        std::string command = "rm -rf '" + m_directory + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string PathOf(const std::string& name) const { return m_directory + "/" + name; }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Spit(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // The trail as it stands, with the "[Stream,<line>] " prefixes replaced by "[Stream] ".
    static std::vector<std::string> Entries() {
        std::vector<std::string> entries;
        for (std::string entry : ErrorEntries()) {
            if (entry.rfind("[Stream,", 0) == 0) entry = "[Stream] " + entry.substr(entry.find("] ") + 2);
            entries.push_back(entry);
        }
        return entries;
    }

    std::string m_directory;
};

// Bytes that deflate hardly shrinks, so that they span several output chunks.
std::string Noise(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string Deflated(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()), Z_OK);
    out.resize(size);
    return out;
}

TEST_F(Streams, FileWritesReadsSeeksAndTells) {
    stream::File file;
    ASSERT_TRUE(file.Open(PathOf("a.bin"), stream::OpenMode::Write));
    file.WriteString("VLN1");
    file.WriteBool(true);
    file.WriteBool(false);
    const uint32_t number = 0x01020304;
    file.Write(&number, 4);
    EXPECT_EQ(file.GetSize(), 10u);
    uint32_t position = 0;
    file.Tell(position);
    EXPECT_EQ(position, 10u);
    file.Seek(-6, stream::SeekOrigin::End);
    file.Tell(position);
    EXPECT_EQ(position, 4u);
    file.Seek(2, stream::SeekOrigin::Current);
    file.Tell(position);
    EXPECT_EQ(position, 6u);
    ASSERT_TRUE(file.Close());
    EXPECT_FALSE(ErrorRaised());
    EXPECT_EQ(Slurp(PathOf("a.bin")), std::string("VLN1\x01\x00\x04\x03\x02\x01", 10));

    ASSERT_TRUE(file.Open(PathOf("a.bin"), stream::OpenMode::Read));
    std::string magic;
    file.ReadString(magic, 4);
    bool first = false, second = true;
    file.ReadBool(first);
    file.ReadBool(second);
    uint32_t read = 0;
    EXPECT_EQ(file.ReadExact(&read, 4), 4u);
    EXPECT_FALSE(ErrorRaised());
    EXPECT_EQ(magic, "VLN1");
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(read, number);
}

TEST_F(Streams, OpeningForWritingTruncatesAnExistingFile) {
    Spit(PathOf("old.bin"), "a long old content");
    stream::File file;
    ASSERT_TRUE(file.Open(PathOf("old.bin"), stream::OpenMode::Write));
    file.WriteString("new");
    file.Close();
    EXPECT_EQ(Slurp(PathOf("old.bin")), "new");
}

TEST_F(Streams, OpenFailuresNameTheCauseAndThePath) {
    struct Case {
        std::string path;
        int mode;
        std::vector<std::string> expected;
    };
    Spit(PathOf("plain"), "x");
    mkdir(PathOf("dir").c_str(), 0755);
    const std::vector<Case> cases = {
        {PathOf("missing"), 0, {"[Stream] (System,2) No such file or directory", "[Stream] Nie można otworzyć pliku \"" + PathOf("missing") + "\""}},
        {PathOf("plain/below"), 1, {"[Stream] (System,20) Not a directory", "[Stream] Nie można otworzyć pliku \"" + PathOf("plain/below") + "\""}},
        {PathOf("dir"), 0, {"[Stream] (System,21) Is a directory", "[Stream] Nie można otworzyć pliku \"" + PathOf("dir") + "\""}},
        {PathOf("plain"), 2, {"[Stream] Błędny tryb otwarcia", "[Stream] Nie można otworzyć pliku \"" + PathOf("plain") + "\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ClearErrors();
        stream::File file;
        EXPECT_FALSE(file.Open(c.path, static_cast<stream::OpenMode>(c.mode)));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(Entries(), c.expected);
    }
}

TEST_F(Streams, WriteFailuresReportTheSystemErrorAndTheCounts) {
    stream::File full;
    ASSERT_TRUE(full.Open("/dev/full", stream::OpenMode::Write));
    full.WriteString("abc");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"[Stream] (System,28) No space left on device", "[Stream] Nie można zapisać do pliku"}));

    // A file size limit makes write() stop short; the retry gives the reason.
    ClearErrors();
    stream::File limited;
    ASSERT_TRUE(limited.Open(PathOf("limited.bin"), stream::OpenMode::Write));
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string bytes(100, 'x');
    limited.Write(bytes.data(), 100);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"[Stream] (System,27) File too large", "[Stream] Zapisano bajtów 10/100",
                                                   "[Stream] Nie można zapisać do pliku"}));
}

TEST_F(Streams, ReadSeekAndTellFailures) {
    stream::File file;
    ASSERT_TRUE(file.Open(PathOf("w.bin"), stream::OpenMode::Write));
    char buffer[4];
    uint32_t size = 4;
    file.Read(buffer, size);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"[Stream] (System,9) Bad file descriptor", "[Stream] Nie można odczytać z pliku"}));

    ClearErrors();
    stream::File closed;
    closed.Seek(0, stream::SeekOrigin::Begin);
    EXPECT_EQ(Entries().back(), "[Stream] Nie można ustawić pozycji w pliku");
    ClearErrors();
    uint32_t position = 77;
    closed.Tell(position);
    EXPECT_EQ(position, 77u);
    EXPECT_EQ(Entries().back(), "[Stream] Nie można odczytać pozycji z pliku");
    ClearErrors();
    file.Seek(-1, stream::SeekOrigin::Begin);
    EXPECT_EQ(Entries().front(), "[Stream] (System,22) Invalid argument");
}

TEST_F(Streams, ExactReadsCountWhatCameAndLeaveOutputsAloneOnFailure) {
    Spit(PathOf("short.bin"), std::string("\x07\x41\x42", 3));
    stream::File file;
    ASSERT_TRUE(file.Open(PathOf("short.bin"), stream::OpenMode::Read));
    bool flag = false;
    file.ReadBool(flag);
    EXPECT_TRUE(flag);  // any non-zero byte is true
    char buffer[4] = {0, 0, 0, 0};
    EXPECT_EQ(file.ReadExact(buffer, 4), 2u);
    EXPECT_EQ(std::string(buffer, 2), "AB");
    EXPECT_EQ(Entries(), std::vector<std::string>{"[Stream] Odczytano bajtów: 2/4"});

    ClearErrors();
    std::string text = "kept";
    file.ReadString(text, 4);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(Entries(), std::vector<std::string>{"[Stream] Odczytano bajtów: 0/4"});
    ClearErrors();
    flag = true;
    file.ReadBool(flag);
    EXPECT_TRUE(flag);
    EXPECT_EQ(Entries(), std::vector<std::string>{"[Stream] Odczytano bajtów: 0/1"});
}

TEST_F(Streams, CompressionWritesChunksAndCompletesOnlyWhenDestroyed) {
    const std::string data = Noise(300000);
    MemoryStream target;
    {
        stream::Compression compression(target, -1);
        compression.Write(data.data(), 0);
        EXPECT_TRUE(target.WriteSizes.empty());
        for (size_t at = 0; at < data.size(); at += 7000)
            compression.Write(data.data() + at, static_cast<uint32_t>(std::min<size_t>(7000, data.size() - at)));
        EXPECT_FALSE(ErrorRaised());
        // Full chunks went out on the way; the stream is not complete yet.
        EXPECT_GE(target.WriteSizes.size(), 4u);
        std::string out(data.size(), '\0');
        uLongf outSize = out.size();
        EXPECT_NE(uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize, reinterpret_cast<const Bytef*>(target.Bytes.data()), target.Bytes.size()), Z_OK);
    }
    EXPECT_FALSE(ErrorRaised());
    for (uint32_t size : target.WriteSizes) EXPECT_LE(size, stream::Zlib::ChunkSize);
    EXPECT_EQ(target.WriteSizes.front(), stream::Zlib::ChunkSize);
    std::string out(data.size(), '\0');
    uLongf outSize = out.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize, reinterpret_cast<const Bytef*>(target.Bytes.data()), target.Bytes.size()), Z_OK);
    EXPECT_EQ(outSize, data.size());
    EXPECT_TRUE(out == data);
}

TEST_F(Streams, DecompressionDeliversExactlyTheStreamAndNothingAfterIt) {
    const std::string data = Noise(200000) + std::string(100000, 'z');
    MemoryStream source;
    source.Bytes = Deflated(data) + "TRAILING";
    stream::Decompression decompression(source);
    std::string out(data.size() + 100, '\0');
    uint32_t size = 0;
    decompression.Read(out.data(), size);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(source.ReadCalls, 0);
    size = 1000;
    decompression.Read(out.data(), size);
    EXPECT_EQ(size, 1000u);
    size = static_cast<uint32_t>(out.size() - 1000);
    decompression.Read(out.data() + 1000, size);
    EXPECT_EQ(size, data.size() - 1000);
    EXPECT_TRUE(out.substr(0, data.size()) == data);
    const int calls = source.ReadCalls;
    size = 10;
    decompression.Read(out.data(), size);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(source.ReadCalls, calls);
    EXPECT_FALSE(ErrorRaised());
}

TEST_F(Streams, TruncatedAndCorruptCompressedData) {
    std::string data;
    for (int i = 0; data.size() < 50000; ++i) data += "cell " + std::to_string(i * 7 % 1000) + ";";
    data.resize(50000);
    const std::string packed = Deflated(data);
    {
        MemoryStream source;
        source.Bytes = packed.substr(0, packed.size() / 2);
        stream::Decompression decompression(source);
        std::string out(data.size(), '\0');
        const uint32_t delivered = decompression.ReadExact(out.data(), static_cast<uint32_t>(out.size()));
        EXPECT_LT(delivered, data.size());
        EXPECT_EQ(Entries(), std::vector<std::string>{"[Stream] Odczytano bajtów: " + std::to_string(delivered) + "/50000"});
        ClearErrors();
        uint32_t number = 0;
        EXPECT_EQ(decompression.ReadExact(&number, 4), 0u);
        EXPECT_EQ(Entries(), std::vector<std::string>{"[Stream] Odczytano bajtów: 0/4"});
    }
    ClearErrors();
    {
        MemoryStream source;
        source.Bytes = packed;
        for (size_t at = 100; at < 400; ++at) source.Bytes[at] = static_cast<char>(~source.Bytes[at]);
        stream::Decompression decompression(source);
        std::string out(data.size(), '\0');
        uint32_t size = static_cast<uint32_t>(out.size());
        decompression.Read(out.data(), size);
        EXPECT_LT(size, data.size());
        ASSERT_EQ(Entries().size(), 2u);
        EXPECT_EQ(Entries()[0].rfind("(Zlib,-3) ", 0), 0u) << Entries()[0];
        EXPECT_EQ(Entries()[1], "[Stream] Nie można odczytać ze strumienia dekompresji");
    }
    ClearErrors();
    {
        MemoryStream source;
        source.Bytes = "not a zlib stream at all";
        stream::Decompression decompression(source);
        char out[16];
        uint32_t size = sizeof out;
        decompression.Read(out, size);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(Entries().back(), "[Stream] Nie można odczytać ze strumienia dekompresji");
    }
}

TEST_F(Streams, FiltersRefuseTheOtherDirectionAndPassTargetFailuresOn) {
    MemoryStream other;
    {
        stream::Compression compression(other, -1);
        char byte = 'q';
        uint32_t size = 1;
        compression.Read(&byte, size);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(Entries(), std::vector<std::string>{"[Stream] Ta klasa nie obsługuje odczytywania"});
    }
    ClearErrors();
    {
        stream::Decompression decompression(other);
        decompression.Write("x", 1);
        EXPECT_EQ(Entries(), std::vector<std::string>{"[Stream] Ta klasa nie obsługuje zapisywania"});
    }
    ClearErrors();
    MemoryStream failing;
    failing.FailWrites = true;
    {
        stream::Compression compression(failing, -1);
        const std::string data = Noise(200000);
        compression.Write(data.data(), static_cast<uint32_t>(data.size()));
        EXPECT_EQ(Entries(), std::vector<std::string>{"zapis odrzucony"});
        EXPECT_EQ(failing.WriteSizes.size(), 1u);  // the first failure ends the write
        ClearErrors();
    }
    // Finishing into the failing target records the failure instead of looping.
    EXPECT_TRUE(ErrorRaised());
    EXPECT_EQ(failing.WriteSizes.size(), 2u);
}

TEST_F(Streams, RoundTripThroughAFile) {
    const std::string data = Noise(100000) + std::string(500000, '\0');
    {
        stream::File file;
        ASSERT_TRUE(file.Open(PathOf("z.bin"), stream::OpenMode::Write));
        file.WriteString("HEAD");
        stream::Compression compression(file, -1);
        compression.Write(data.data(), static_cast<uint32_t>(data.size()));
    }
    ASSERT_FALSE(ErrorRaised());
    stream::File file;
    ASSERT_TRUE(file.Open(PathOf("z.bin"), stream::OpenMode::Read));
    std::string head;
    file.ReadString(head, 4);
    EXPECT_EQ(head, "HEAD");
    stream::Decompression decompression(file);
    std::string out(data.size(), '\0');
    EXPECT_EQ(decompression.ReadExact(out.data(), static_cast<uint32_t>(out.size())), data.size());
    EXPECT_FALSE(ErrorRaised());
    EXPECT_TRUE(out == data);
}

}  // namespace
