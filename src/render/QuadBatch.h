#pragma once
// The batch of quads that the cells and vectors views share: a dynamic vertex buffer and a
// 16-bit index buffer in the default pool, locked with discard while a batch is filled and
// drawn as an indexed triangle list of at most MaxQuads quads per draw call.
//
// Quad k of a batch has vertices 4k to 4k + 3 (top left, top right, bottom left, bottom right
// as the quad stands upright) and indices 4k, 4k + 1, 4k + 2, 4k + 1, 4k + 2, 4k + 3.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Device.h"

namespace render {

class QuadBatch {
public:
    static constexpr uint32_t MaxQuads = 10000;

    // Vertices of `stride` bytes in the vertex format `fvf`.
    QuadBatch(uint32_t stride, uint32_t fvf) : m_stride(stride), m_fvf(fvf) {}

    // Creates both buffers, room for `quads` quads, on `device`. A failure is entered with
    // "Nie można utworzyć bufora wierzchołków" or "Nie można utworzyć bufora indeksów", and
    // the buffer that failed is not kept (the caller releases the other).
    void Create(platform::Device& device, uint32_t quads);
    void Release();
    bool Created() const { return m_vertices != nullptr && m_indices != nullptr; }
    platform::Device* Device() const { return m_device; }

    // Empties the batch and locks both whole buffers with discard (unlocking them first if a
    // batch was left locked). On failure neither stays locked, the lock's message is entered
    // and the answer is false.
    bool Lock();
    // Unlocks whichever buffer is locked.
    void Unlock();
    bool Locked() const { return m_vertexMemory != nullptr; }

    uint32_t Count() const { return m_count; }
    bool Full() const { return m_count == MaxQuads; }
    // Forgets the quads of the batch without drawing them.
    void Empty() { m_count = 0; }
    // Appends a quad: writes its six indices and returns where its four vertices go. The
    // batch must be locked and not full.
    uint8_t* Append();

    // Sets the buffers and the vertex format and draws the batch (the caller has set the rest
    // of the state). Failures are entered with their messages; false then.
    bool DrawQuads();

private:
    platform::Device* m_device { nullptr };  // the device of the buffers
    std::unique_ptr<platform::VertexBuffer> m_vertices;
    std::unique_ptr<platform::IndexBuffer> m_indices;
    uint8_t* m_vertexMemory { nullptr };  // while locked
    uint16_t* m_indexMemory { nullptr };  // while locked
    uint32_t m_count { 0 };               // quads in the batch
    uint32_t m_stride;
    uint32_t m_fvf;
};

}  // namespace render
