#pragma once
// The state shared by the two zlib filters: a chunk buffer, the stream on the other side
// (not owned; it must outlive the filter) and the zlib stream structure.

#include <cstdint>
#include <memory>
#include <zlib.h>

#include "stream/Base.h"

namespace stream {

class Zlib : public Base {
public:
    Zlib(const Zlib&) = delete;
    Zlib& operator=(const Zlib&) = delete;

    // Compressed data moves through the buffer in chunks of at most this many bytes.
    static constexpr uint32_t ChunkSize = 65535;

protected:
    explicit Zlib(Base& other) : m_other(&other) {}
    ~Zlib() override = default;

    std::unique_ptr<Bytef[]> m_buffer { new Bytef[ChunkSize + 1] };
    Base* m_other;
    z_stream m_zlib {};
    bool m_initialised { false };
};

}  // namespace stream
