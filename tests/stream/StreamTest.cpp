#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "FilesTestSupport.h"
#include "stream/Compression.h"
#include "stream/Decompression.h"
#include "stream/File.h"

namespace stream {
namespace {

using Streams = ScratchDirectory;
using Entries = std::vector<std::string>;

// A stream in memory that records the size of every write and read asked of it.
struct MemoryStream : stream::Base {
    std::string Bytes;
    std::vector<uint32_t> Writes, Reads;

    void Write(const void* data, uint32_t size) override {
        Writes.push_back(size);
        Bytes.append(static_cast<const char*>(data), size);
    }
    void Read(void* data, uint32_t& size) override {
        Reads.push_back(size);
        size = static_cast<uint32_t>(Bytes.copy(static_cast<char*>(data), size));
        Bytes.erase(0, size);
    }
};

// The trail, oldest first, with "[Stream,<line>] " shortened to "[Stream] "; it is emptied.
Entries TakeEntries() {
    Entries entries;
    for (const std::string& entry : errors::ErrorEntries())
        entries.push_back(entry.starts_with("[Stream,") ? "[Stream] " + entry.substr(entry.find("] ") + 2) : entry);
    errors::ClearErrors();
    return entries;
}

// A pipe delivers what its writer has written so far: a read stops short whenever the writer
// pauses, and the next one must go on behind it. Regular files never read short.
TEST(PipeStreams, AReadGathersEverythingAWriterThatPausesSends) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::string sent(150000, '\0');
    for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 + i / 251);
    std::thread writer([&] {
        // Pieces of odd sizes, one larger than the pipe holds, with pauses between them.
        for (size_t at = 0, piece = 1; at < sent.size(); at += piece, piece = piece * 37 % 70001 + 1) {
            piece = std::min(piece, sent.size() - at);
            for (size_t done = 0; done < piece;) {
                ssize_t written = write(ends[1], sent.data() + at + done, piece - done);
                if (written <= 0) return;
                done += static_cast<size_t>(written);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        close(ends[1]);
    });
    stream::File file;
    const bool opened = file.Open("/dev/fd/" + std::to_string(ends[0]), stream::OpenMode::Read);
    std::string received(sent.size() + 10, '\0');
    uint32_t size = static_cast<uint32_t>(received.size());
    if (opened)
        file.Read(received.data(), size);
    else  // the writer still has to finish
        for (char sink[4096]; read(ends[0], sink, sizeof sink) > 0;) {
        }
    writer.join();
    close(ends[0]);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(errors::ErrorRaised());
    ASSERT_EQ(size, sent.size()) << "a read ends only at the end of the data";
    received.resize(size);
    EXPECT_TRUE(received == sent) << "the bytes arrive in order, none overwritten";
}

TEST_F(Streams, FilesTruncateOnWritingAndExactReadsCountTheBytesThatCame) {
    Spit(PathOf("a.bin"), "a longer old content");
    stream::File file;
    ASSERT_TRUE(file.Open(PathOf("a.bin"), stream::OpenMode::Write));
    file.WriteString("VLN1");
    file.WriteBool(true);
    file.WriteBool(false);
    file.Write("\x04\x03", 2);
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(Slurp(PathOf("a.bin")), std::string("VLN1\x01\x00\x04\x03", 8));

    ASSERT_TRUE(file.Open(PathOf("a.bin"), stream::OpenMode::Read));
    std::string magic;
    bool flags[3] = {false, true, false};
    file.ReadString(magic, 4);
    for (bool& flag : flags) file.ReadBool(flag);  // the third reads the byte 4: true
    char rest[4] = {};
    EXPECT_EQ(file.ReadExact(rest, 4), 1u);
    EXPECT_EQ(TakeEntries(), Entries {"[Stream] Odczytano bajtów: 1/4"});
    EXPECT_TRUE(magic == "VLN1" && flags[0] && !flags[1] && flags[2] && rest[0] == 3);
    // At the end nothing comes, and the outputs keep their values.
    file.ReadString(magic, 4);
    EXPECT_EQ(TakeEntries(), Entries {"[Stream] Odczytano bajtów: 0/4"});
    file.ReadBool(flags[0]);
    EXPECT_EQ(TakeEntries(), Entries {"[Stream] Odczytano bajtów: 0/1"});
    EXPECT_TRUE(magic == "VLN1" && flags[0]);
}

TEST_F(Streams, FailuresToOpenOrWriteNameTheCause) {
    Spit(PathOf("plain"), "x");
    mkdir(PathOf("dir").c_str(), 0755);
    const std::tuple<std::string, int, std::string> cases[] = {
        {"missing", 0, "(System,2) No such file or directory"}, {"plain/below", 1, "(System,20) Not a directory"},
        {"dir", 0, "(System,21) Is a directory"},               {"plain", 2, "Błędny tryb otwarcia"},
    };
    for (const auto& [name, mode, cause] : cases) {
        stream::File file;
        EXPECT_FALSE(file.Open(PathOf(name), static_cast<stream::OpenMode>(mode)));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(TakeEntries(), (Entries {"[Stream] " + cause, "[Stream] Nie można otworzyć pliku \"" + PathOf(name) + "\""}));
    }
    // At a file size limit write() stops short; the retry gives the reason.
    stream::File limited;
    ASSERT_TRUE(limited.Open(PathOf("limited.bin"), stream::OpenMode::Write));
    WithFileSizeLimit(10, [&] { limited.Write(std::string(100, 'x').data(), 100); });
    EXPECT_EQ(TakeEntries(), (Entries {"[Stream] (System,27) File too large", "[Stream] Zapisano bajtów 10/100",
                                       "[Stream] Nie można zapisać do pliku"}));
}

TEST_F(Streams, CompressedDataMovesIn65535ByteChunksAndComesBackExactly) {
    // Random bytes, which deflate hardly shrinks, span several chunks.
    std::string data(300000, '\0');
    std::mt19937 random(7);
    for (char& byte : data) byte = static_cast<char>(random());
    data += std::string(200000, 'z');
    MemoryStream packed;
    {
        stream::Compression compression(packed, -1);
        compression.Write(data.data(), 0);
        for (size_t at = 0; at < data.size(); at += 7000)
            compression.Write(data.data() + at, static_cast<uint32_t>(std::min<size_t>(7000, data.size() - at)));
        // Only full chunks have gone out: the stream is complete once the filter is gone.
        EXPECT_GE(packed.Writes.size(), 4u);
        EXPECT_EQ(packed.Writes, std::vector<uint32_t>(packed.Writes.size(), 65535u));
        EXPECT_EQ(Inflated(packed.Bytes, data.size()), "");
    }
    EXPECT_LE(packed.Writes.back(), 65535u);
    EXPECT_TRUE(Inflated(packed.Bytes, data.size()) == data);

    // Reading gives the stream's content and nothing of what follows it.
    packed.Bytes += "TRAILING";
    stream::Decompression decompression(packed);
    std::string out(data.size() + 100, '\0');
    uint32_t size = 0;
    decompression.Read(out.data(), size);
    EXPECT_TRUE(packed.Reads.empty());
    size = static_cast<uint32_t>(out.size());
    decompression.Read(out.data(), size);
    EXPECT_EQ(size, data.size());
    EXPECT_TRUE(out.substr(0, size) == data);
    EXPECT_EQ(packed.Reads, std::vector<uint32_t>(packed.Reads.size(), 65535u));
    EXPECT_FALSE(errors::ErrorRaised());
}

}  // namespace
}  // namespace stream
