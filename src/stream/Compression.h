#pragma once
// Compresses everything written to it into a target stream, one zlib stream (header,
// deflate data, Adler-32 trailer). The stream is complete only once the filter has been
// destroyed: the destructor finishes it, and the errors of those last target writes are on
// the trail for the caller to test afterwards.

#include "stream/Zlib.h"

namespace stream {

class Compression : public Zlib {
public:
    // `level` is zlib's: -1 for the default, 0..9 otherwise.
    Compression(Base& target, int level);
    ~Compression() override;

    void Write(const void* data, uint32_t size) override;
    // Not supported: raises "Ta klasa nie obsługuje odczytywania" and delivers nothing.
    void Read(void* data, uint32_t& size) override;
};

}  // namespace stream
