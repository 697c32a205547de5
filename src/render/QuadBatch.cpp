#include "render/QuadBatch.h"

#include <cassert>
#include <cstring>

#include "platform/DeviceCheck.h"

namespace render {

using platform::CheckDevice;

void QuadBatch::Create(platform::Device& device, uint32_t quads) {
    m_device = &device;
    platform::Result result = device.CreateVertexBuffer(quads * 4 * m_stride, platform::D3DUSAGE_DYNAMIC, m_fvf,
                                                        platform::D3DPOOL_DEFAULT, m_vertices);
    if (CheckDevice(result, "Nie można utworzyć bufora wierzchołków") < 0) {
        m_vertices.reset();
        return;
    }
    result = device.CreateIndexBuffer(quads * 6 * sizeof(uint16_t), platform::D3DUSAGE_DYNAMIC, platform::D3DFMT_INDEX16,
                                      platform::D3DPOOL_DEFAULT, m_indices);
    if (CheckDevice(result, "Nie można utworzyć bufora indeksów") < 0) m_indices.reset();
}

void QuadBatch::Release() {
    Unlock();
    m_indices.reset();
    m_vertices.reset();
    m_device = nullptr;
    m_count = 0;
}

bool QuadBatch::Lock() {
    Unlock();
    m_count = 0;
    // Without buffers (a failed restore) the locks fail as a lock of nothing does.
    void* vertices = nullptr;
    platform::Result result =
        m_vertices ? m_vertices->Lock(0, 0, vertices, platform::D3DLOCK_DISCARD) : platform::D3DERR_INVALIDCALL;
    if (CheckDevice(result, "Nie można zablokować bufora wierzchołków") < 0) return false;
    void* indices = nullptr;
    result = m_indices ? m_indices->Lock(0, 0, indices, platform::D3DLOCK_DISCARD) : platform::D3DERR_INVALIDCALL;
    if (result < 0) {
        m_vertices->Unlock();
        CheckDevice(result, "Nie można zablokować bufora indeksów");
        return false;
    }
    m_vertexMemory = static_cast<uint8_t*>(vertices);
    m_indexMemory = static_cast<uint16_t*>(indices);
    return true;
}

void QuadBatch::Unlock() {
    if (m_indexMemory) m_indices->Unlock();
    if (m_vertexMemory) m_vertices->Unlock();
    m_indexMemory = nullptr;
    m_vertexMemory = nullptr;
}

uint8_t* QuadBatch::Append() {
    assert(Locked() && !Full() && "a quad is appended to a locked batch with room");
    const uint32_t k = m_count++;
    const uint16_t first = static_cast<uint16_t>(4 * k);
    const uint16_t indices[6] = {first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2),
                                 static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2),
                                 static_cast<uint16_t>(first + 3)};
    std::memcpy(m_indexMemory + 6 * static_cast<size_t>(k), indices, sizeof indices);
    return m_vertexMemory + static_cast<size_t>(k) * 4 * m_stride;
}

bool QuadBatch::DrawQuads() {
    platform::Device& device = *m_device;
    if (CheckDevice(device.SetStreamSource(0, m_vertices.get(), 0, m_stride), "Nie można ustawić bufora wierzchołków") < 0)
        return false;
    if (CheckDevice(device.SetIndices(m_indices.get()), "Nie można ustawić bufora indeksów") < 0) return false;
    if (CheckDevice(device.SetFVF(m_fvf), "Nie można ustawić formatu wierzchołków") < 0) return false;
    platform::Result result =
        device.DrawIndexedPrimitive(platform::D3DPT_TRIANGLELIST, 0, 0, m_count * 4, 0, m_count * 2);
    return CheckDevice(result, "Nie można odrysować quadów") >= 0;
}

}  // namespace render
