#include "platform/DeviceTypes.h"

namespace platform {

Matrix MatrixIdentity() {
    Matrix m;
    for (int i = 0; i < 4; ++i) m.M[i][i] = 1.0f;
    return m;
}

Matrix MatrixOrthoOffCenterLH(float left, float right, float bottom, float top, float zn, float zf) {
    Matrix m = MatrixIdentity();
    m.M[0][0] = 2.0f / (right - left);
    m.M[1][1] = 2.0f / (top - bottom);
    m.M[2][2] = 1.0f / (zf - zn);
    m.M[3][0] = (left + right) / (left - right);
    m.M[3][1] = (top + bottom) / (bottom - top);
    m.M[3][2] = zn / (zn - zf);
    return m;
}

uint32_t VertexSizeOfFVF(uint32_t fvf) {
    constexpr uint32_t known = D3DFVF_XYZ | D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    if (fvf & ~known) return 0;
    uint32_t size = 0;
    switch (fvf & (D3DFVF_XYZ | D3DFVF_XYZRHW)) {
    case D3DFVF_XYZ: size = 12; break;
    case D3DFVF_XYZRHW: size = 16; break;
    default: return 0;
    }
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_TEX1) size += 8;
    return size;
}

}  // namespace platform
