#pragma once
// A file on disk, unbuffered: every Write and Read is a system call, so callers hand it
// large blocks (the table writer writes whole rows, the zlib filters 64 KiB chunks).

#include <cstdint>
#include <string>

#include "stream/Seekable.h"

namespace stream {

enum class OpenMode : int {
    Read = 0,   // an existing file, shared for reading
    Write = 1,  // created, or truncated when it exists
};

class File : public Seekable {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() override;

    // Opens `path`; false (with the open failure on the trail) when it cannot. Any earlier
    // file of this stream is closed first.
    bool Open(const std::string& path, OpenMode mode);
    bool IsOpen() const { return m_handle != InvalidHandle; }
    // Closes the file now and reports a failing close (a delayed write error) as a write
    // failure. The destructor closes silently.
    bool Close();

    void Write(const void* data, uint32_t size) override;
    void Read(void* data, uint32_t& size) override;
    uint32_t GetSize() override;
    void Seek(int32_t offset, SeekOrigin origin) override;
    void Tell(uint32_t& position) override;

private:
    static constexpr int InvalidHandle = -1;
    int m_handle { InvalidHandle };
};

}  // namespace stream
