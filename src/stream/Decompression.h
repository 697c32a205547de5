#pragma once
// Reads one zlib stream from a source positioned at its first byte and delivers the
// decompressed bytes. What follows the zlib stream in the source is not read.

#include "stream/Zlib.h"

namespace stream {

class Decompression : public Zlib {
public:
    explicit Decompression(Base& source);
    ~Decompression() override;

    // Delivers up to `size` bytes; fewer at the end of the zlib stream or of the source.
    // Corrupt data records the zlib error and delivers what came before it.
    void Read(void* data, uint32_t& size) override;
    // Not supported: raises "Ta klasa nie obsługuje zapisywania".
    void Write(const void* data, uint32_t size) override;

private:
    // Set once the end of the zlib stream has been seen: later reads deliver 0 bytes
    // without reading on into the source.
    bool m_finished { false };
};

}  // namespace stream
