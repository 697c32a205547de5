#pragma once
// Helpers of the tests that run the programs from outside: a scratch folder per test, a shell
// command with its exit status and outputs, and pictures read by ImageMagick, the reader
// that does not share the programs' image library.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace programs {

namespace fs = std::filesystem;

// What a command did: its exit status (-1 when it did not exit), standard output and error.
struct Outcome {
    int Status { -1 };
    std::string Out, Err;
};

inline std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void Spit(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A path as one word of a shell command.
inline std::string Quoted(const fs::path& path) {
    std::string quoted = "'";
    for (char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A fresh folder under /tmp for one test, removed with the object.
class Scratch {
public:
    Scratch() {
        char pattern[] = "/tmp/vorlen-programs-XXXXXX";
        m_path = mkdtemp(pattern) ? pattern : "/nonexistent";
    }
    ~Scratch() { fs::remove_all(m_path); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const fs::path& Path() const { return m_path; }
    fs::path operator/(const std::string& name) const { return m_path / name; }

    // Runs `command` through the shell in this folder.
    Outcome Run(const std::string& command) const {
        const fs::path out = m_path / ".out", err = m_path / ".err";
        const int status = std::system(("cd " + Quoted(m_path) + " && { " + command + " ; } >" + Quoted(out) + " 2>" +
                                        Quoted(err)).c_str());
        Outcome outcome {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
        fs::remove(out);
        fs::remove(err);
        return outcome;
    }

private:
    fs::path m_path;
};

// A picture as ImageMagick reads it: its size and its pixels as 0xRRGGBB, top row first.
struct Picture {
    int Width { 0 }, Height { 0 };
    std::vector<uint32_t> Pixels;

    uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

inline Picture ReadPicture(const Scratch& scratch, const std::string& name) {
    Picture picture;
    const Outcome size = scratch.Run("identify -format '%w %h' " + Quoted(name));
    std::istringstream(size.Out) >> picture.Width >> picture.Height;
    const Outcome bytes = scratch.Run("convert " + Quoted(name) + " -auto-orient -depth 8 rgb:-");
    EXPECT_EQ(bytes.Out.size(), size_t(picture.Width) * size_t(picture.Height) * 3) << name << ": " << bytes.Err;
    for (size_t i = 0; i + 2 < bytes.Out.size(); i += 3) {
        const auto byte = [&](size_t k) { return uint32_t(static_cast<unsigned char>(bytes.Out[i + k])); };
        picture.Pixels.push_back(byte(0) << 16 | byte(1) << 8 | byte(2));
    }
    return picture;
}

}  // namespace programs
