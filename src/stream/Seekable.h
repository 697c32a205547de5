#pragma once
// A stream with a size and a position.

#include <cstdint>

#include "stream/Base.h"

namespace stream {

enum class SeekOrigin : int { Begin = 0, Current = 1, End = 2 };

class Seekable : public Base {
public:
    // The size in bytes, low 32 bits; no error check.
    virtual uint32_t GetSize() = 0;
    virtual void Seek(int32_t offset, SeekOrigin origin) = 0;
    // Stores the current position in `position`; leaves it unchanged on a failure.
    virtual void Tell(uint32_t& position) = 0;
};

}  // namespace stream
