#include "platform/gl/GlDevice.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/DeviceBase.h"

namespace platform {

namespace {

// Direct3D 9 puts pixel centres on integer coordinates, OpenGL half a pixel further on; every
// position is therefore moved by half a pixel. It is moved by 1/256 pixel less: an edge that
// lies exactly on a row or column of pixel centres then falls just before them, so the pixels
// on the left and top edges of a primitive are drawn and those on the right and bottom edges
// are not, which is Direct3D's top-left rule, whatever rule the OpenGL rasteriser applies to
// exact ties. 1/256 is one step of the rasteriser's sub-pixel grid, so it survives snapping;
// the same small shift makes each pixel sample a texture 1/256 texel inside the texel it
// starts, so point sampling at zoom 1 never falls back to the previous texel.
constexpr const char* kVertexShader = R"(
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_diffuse;
layout(location = 2) in vec2 a_texcoord;
uniform mat4 u_transform;
uniform vec4 u_viewport;
uniform vec2 u_depthRange;
uniform vec2 u_target;
uniform vec4 u_diffuseScale;
out vec4 v_diffuse;
out vec2 v_texcoord;
const float kCentre = 0.5 - 1.0 / 256.0;
void main() {
    vec3 screen;
    float w;
#if PRETRANSFORMED
    w = a_position.w > 0.0 ? 1.0 / a_position.w : 1.0;
    screen = a_position.xyz;
#else
    vec4 clip = u_transform * vec4(a_position.xyz, 1.0);
    gl_ClipDistance[0] = clip.z;
    gl_ClipDistance[1] = clip.w - clip.z;
    w = clip.w;
    vec3 ndc = clip.xyz / clip.w;
    screen.x = u_viewport.x + (ndc.x + 1.0) * 0.5 * u_viewport.z;
    screen.y = u_viewport.y + (1.0 - ndc.y) * 0.5 * u_viewport.w;
    screen.z = u_depthRange.x + ndc.z * (u_depthRange.y - u_depthRange.x);
#endif
    vec2 position = (screen.xy + kCentre) / u_target * 2.0 - 1.0;
    gl_Position = vec4(position * w, (screen.z * 2.0 - 1.0) * w, w);
    v_diffuse = a_diffuse * u_diffuseScale;
    v_texcoord = a_texcoord;
}
)";

// Texture stage 0. Operations and arguments carry Direct3D's numbers: 1 disable, 2 select
// argument 1, 3 select argument 2, 4 modulate, 5 modulate 2x; 0 diffuse, 1 current (the
// diffuse colour at stage 0), 2 texture. They are compiled in as constants (COLOR_OP ...), so
// that each program does only the work of its stage.
constexpr const char* kFragmentShader = R"(
in vec4 v_diffuse;
in vec2 v_texcoord;
uniform sampler2D u_texture;
out vec4 o_color;
vec4 Argument(int argument, vec4 texel) { return argument == 2 ? texel : v_diffuse; }
vec4 Combine(int op, int argument1, int argument2, vec4 texel) {
    vec4 a = Argument(argument1, texel), b = Argument(argument2, texel);
    if (op == 2) return a;
    if (op == 3) return b;
    if (op == 4) return a * b;
    if (op == 5) return min(2.0 * a * b, vec4(1.0));
    return v_diffuse;
}
void main() {
#if HAS_TEXTURE
    vec4 texel = texture(u_texture, v_texcoord);
#else
    vec4 texel = vec4(1.0);
#endif
#if COLOR_OP == 1
    o_color = v_diffuse;
#else
    o_color = vec4(Combine(COLOR_OP, COLOR_ARG1, COLOR_ARG2, texel).rgb, Combine(ALPHA_OP, ALPHA_ARG1, ALPHA_ARG2, texel).a);
#endif
}
)";

// What a program is compiled for: the vertices' kind and the stage's operations, reduced to
// what changes the result (an argument an operation does not read, or any argument but the
// texture, which all read as the diffuse colour).
struct ProgramKey {
    bool Pretransformed { false };
    bool HasTexture { false };
    uint8_t ColorOp { 0 }, ColorArg1 { 0 }, ColorArg2 { 0 };
    uint8_t AlphaOp { 0 }, AlphaArg1 { 0 }, AlphaArg2 { 0 };

    friend bool operator==(const ProgramKey&, const ProgramKey&) = default;

    static void ReduceStage(uint32_t op, uint32_t argument1, uint32_t argument2, uint8_t& outOp, uint8_t& out1,
                            uint8_t& out2) {
        const bool known = op >= D3DTOP_SELECTARG1 && op <= D3DTOP_MODULATE2X;
        outOp = known ? uint8_t(op) : uint8_t(D3DTOP_DISABLE);
        const bool reads1 = known && op != D3DTOP_SELECTARG2;
        const bool reads2 = known && op != D3DTOP_SELECTARG1;
        out1 = reads1 && argument1 == D3DTA_TEXTURE ? uint8_t(D3DTA_TEXTURE) : uint8_t(D3DTA_DIFFUSE);
        out2 = reads2 && argument2 == D3DTA_TEXTURE ? uint8_t(D3DTA_TEXTURE) : uint8_t(D3DTA_DIFFUSE);
    }
};


constexpr uint32_t kPageBytes = 64 * 1024;  // granularity of buffer uploads

// The internal format of every texture. The texels are 0xAARRGGBB words, given to OpenGL as
// BGRA bytes; asked for RGBA8 by size, the driver stores them as RGBA and reorders the bytes of
// every texel at each upload (a tenth of a frame of the texture view went to that). Asked for
// plain RGBA with BGRA data, it picks a storage of the same eight bits per channel in the
// data's own order and copies the rows unchanged: the same texels, sampled the same way.
constexpr GLint kTextureFormat = GL_RGBA;

class GlDevice;

Result GlError() {
    Result result = D3D_OK;
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        if (result < 0) continue;
        result = error == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY : D3DERR_DRIVERINTERNALERROR;
    }
    return result;
}

GLenum BlendFactor(uint32_t blend) {
    switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    default: return GL_ONE;
    }
}

GLint AddressMode(uint32_t address) {
    switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLES;
    }
}

// ---- resources ----

class GlTexture : public BasicTexture {
public:
    GlTexture(GlDevice& device, const SurfaceDesc& desc);
    ~GlTexture() override;

    Result Create();
    // Brings the OpenGL texture up to date with the texels before a draw.
    Result Prepare();
    GLuint Name() const { return m_name; }

protected:
    Result Upload(const Rect& rect, bool discarded) override;
    void Detach() override;

private:
    void Release();

    GlDevice& m_gl;
    GLuint m_name { 0 };
    Rect m_dirty;  // texels written since the last upload; empty when none
    bool m_reallocate { false };
};

// Written bytes reach OpenGL when a draw needs them, by 64 KiB pages: a buffer of a million
// arrows locked whole for each batch of ten thousand uploads only what each batch draws.
template <class Interface>
class GlBuffer : public BasicBuffer<Interface> {
public:
    GlBuffer(GlDevice& device, uint32_t length, uint32_t usage, D3DPOOL pool);
    ~GlBuffer() override;

    Result Create();
    // Brings bytes [begin, end) of the OpenGL buffer up to date; leaves it bound to `target`.
    Result Prepare(GLenum target, uint64_t begin, uint64_t end);
    GLuint Name() const { return m_name; }

protected:
    Result Upload(uint32_t offset, uint32_t size, bool discarded) override;
    void Detach() override;

private:
    void Release();
    void MarkDirty(uint64_t begin, uint64_t end);

    GlDevice& m_gl;
    GLuint m_name { 0 };
    std::vector<bool> m_dirtyPages;
    bool m_reallocate { false };
};

using GlVertexBuffer = GlBuffer<VertexBuffer>;
using GlIndexBuffer = GlBuffer<IndexBuffer>;

// ---- the device ----

class GlDevice : public DeviceBase {
public:
    explicit GlDevice(const PresentParameters& parameters) : DeviceBase(parameters) {}
    ~GlDevice() override;

    Result Initialize(SDL_Window* window);
    // Makes the device's context current when another one is.
    void MakeCurrent();
    Result ReadBack(std::vector<uint32_t>& pixels);

protected:
    uint32_t MaxSize() const override { return m_maxSize; }
    Result NewTexture(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture) override;
    Result NewVertexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                           std::unique_ptr<BasicVertexBuffer>& buffer) override;
    Result NewIndexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                          std::unique_ptr<BasicIndexBuffer>& buffer) override;
    Result ClearTarget(const std::vector<Rect>& rects, uint32_t flags, D3DCOLOR color, float z,
                       uint32_t stencil) override;
    Result Draw(const DrawCall& call) override;
    Result PresentFrame() override;
    Result ResetTarget(const PresentParameters& parameters) override;
    void WindowPixelSize(SDL_Window* window, uint32_t& width, uint32_t& height) override;

private:
    Result CreateBackBuffer(const PresentParameters& parameters);
    void ReleaseBackBuffer();
    Result ApplyWindowMode(const PresentParameters& parameters);
    Result ApplyState(const DrawCall& call);
    void BindVertices(GLuint buffer, uintptr_t base, uint32_t fvf, uint32_t stride);

    SDL_Window* m_window { nullptr };
    SDL_GLContext m_context { nullptr };
    bool m_madeFullScreen { false };
    uint32_t m_maxSize { 0 };
    struct Program {
        ProgramKey Key;
        GLuint Name { 0 };
        GLint Transform { -1 }, Viewport { -1 }, DepthRange { -1 }, Target { -1 }, DiffuseScale { -1 };
    };
    // The program of a key, compiled the first time it is asked for; null when it fails.
    const Program* ProgramFor(const ProgramKey& key);
    std::vector<Program> m_programs;
    GLuint m_vertexArray { 0 };
    GLuint m_sampler { 0 };
    GLuint m_streamVertices { 0 };
    GLuint m_streamIndices { 0 };
    GLuint m_framebuffer { 0 };
    GLuint m_colorBuffer { 0 };
    GLuint m_depthBuffer { 0 };
};

GlTexture::GlTexture(GlDevice& device, const SurfaceDesc& desc) : BasicTexture(device, desc), m_gl(device) {}

GlTexture::~GlTexture() {
    if (Owner()) Release();
}

void GlTexture::Release() {
    if (!m_name) return;
    m_gl.MakeCurrent();
    glDeleteTextures(1, &m_name);
    m_name = 0;
}

void GlTexture::Detach() {
    Release();
    BasicTexture::Detach();
}

Result GlTexture::Create() {
    // System-memory textures are never drawn: their texels stay in CPU memory only.
    if (Desc().Pool == D3DPOOL_SYSTEMMEM) return D3D_OK;
    m_gl.MakeCurrent();
    glGenTextures(1, &m_name);
    glBindTexture(GL_TEXTURE_2D, m_name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (Desc().Format == D3DFMT_X8R8G8B8) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    glTexImage2D(GL_TEXTURE_2D, 0, kTextureFormat, GLsizei(Desc().Width), GLsizei(Desc().Height), 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, Texels().data());
    return GlError();
}

Result GlTexture::Upload(const Rect& rect, bool discarded) {
    if (!m_name) return D3D_OK;
    if (discarded) m_reallocate = true;
    if (m_dirty.Right <= m_dirty.Left) {
        m_dirty = rect;
    } else {
        m_dirty = {std::min(m_dirty.Left, rect.Left), std::min(m_dirty.Top, rect.Top),
                   std::max(m_dirty.Right, rect.Right), std::max(m_dirty.Bottom, rect.Bottom)};
    }
    return D3D_OK;
}

Result GlTexture::Prepare() {
    glBindTexture(GL_TEXTURE_2D, m_name);
    if (m_dirty.Right <= m_dirty.Left) return D3D_OK;
    const GLsizei width = GLsizei(Desc().Width), height = GLsizei(Desc().Height);
    if (m_reallocate) {
        // The whole level was given up: fresh storage spares the wait for draws still using it.
        glTexImage2D(GL_TEXTURE_2D, 0, kTextureFormat, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     Texels().data());
    } else {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
        glTexSubImage2D(GL_TEXTURE_2D, 0, m_dirty.Left, m_dirty.Top, m_dirty.Right - m_dirty.Left,
                        m_dirty.Bottom - m_dirty.Top, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                        Texels().data() + size_t(m_dirty.Top) * Desc().Width + size_t(m_dirty.Left));
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    m_dirty = {};
    m_reallocate = false;
    return GlError();
}

template <class Interface>
GlBuffer<Interface>::GlBuffer(GlDevice& device, uint32_t length, uint32_t usage, D3DPOOL pool)
    : BasicBuffer<Interface>(device, length, usage, pool), m_gl(device),
      m_dirtyPages((uint64_t { length } + kPageBytes - 1) / kPageBytes, false) {}

template <class Interface>
GlBuffer<Interface>::~GlBuffer() {
    if (this->Owner()) Release();
}

template <class Interface>
void GlBuffer<Interface>::Release() {
    if (!m_name) return;
    m_gl.MakeCurrent();
    glDeleteBuffers(1, &m_name);
    m_name = 0;
}

template <class Interface>
void GlBuffer<Interface>::Detach() {
    Release();
    BasicBuffer<Interface>::Detach();
}

template <class Interface>
Result GlBuffer<Interface>::Create() {
    if (this->Pool() == D3DPOOL_SYSTEMMEM) return D3D_OK;
    m_gl.MakeCurrent();
    glGenBuffers(1, &m_name);
    glBindBuffer(GL_COPY_WRITE_BUFFER, m_name);
    glBufferData(GL_COPY_WRITE_BUFFER, this->Length(), this->Bytes().data(),
                 (this->Usage() & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    return GlError();
}

template <class Interface>
void GlBuffer<Interface>::MarkDirty(uint64_t begin, uint64_t end) {
    for (uint64_t page = begin / kPageBytes; page * kPageBytes < end; ++page) m_dirtyPages[page] = true;
}

template <class Interface>
Result GlBuffer<Interface>::Upload(uint32_t offset, uint32_t size, bool discarded) {
    if (discarded) {
        // Fresh storage at the next draw; every page then comes again from the CPU copy.
        m_reallocate = true;
        MarkDirty(0, this->Length());
    } else {
        MarkDirty(offset, uint64_t { offset } + size);
    }
    return D3D_OK;
}

template <class Interface>
Result GlBuffer<Interface>::Prepare(GLenum target, uint64_t begin, uint64_t end) {
    glBindBuffer(target, m_name);
    if (m_reallocate) {
        glBufferData(target, this->Length(), nullptr, GL_DYNAMIC_DRAW);
        m_reallocate = false;
    }
    end = std::min<uint64_t>(end, this->Length());
    uint64_t page = begin / kPageBytes;
    while (page * kPageBytes < end) {
        if (!m_dirtyPages[page]) {
            ++page;
            continue;
        }
        uint64_t last = page;
        while ((last + 1) * kPageBytes < end && m_dirtyPages[last + 1]) ++last;
        const uint64_t from = page * kPageBytes;
        const uint64_t to = std::min<uint64_t>((last + 1) * kPageBytes, this->Length());
        glBufferSubData(target, GLintptr(from), GLsizeiptr(to - from), this->Bytes().data() + from);
        for (uint64_t p = page; p <= last; ++p) m_dirtyPages[p] = false;
        page = last + 1;
    }
    return GlError();
}

GlDevice::~GlDevice() {
    if (!m_context) return;
    MakeCurrent();
    DetachAll();
    ReleaseBackBuffer();
    for (const Program& program : m_programs) glDeleteProgram(program.Name);
    glDeleteVertexArrays(1, &m_vertexArray);
    glDeleteSamplers(1, &m_sampler);
    glDeleteBuffers(1, &m_streamVertices);
    glDeleteBuffers(1, &m_streamIndices);
    SDL_GL_MakeCurrent(m_window, nullptr);
    SDL_GL_DeleteContext(m_context);
    if (m_madeFullScreen) SDL_SetWindowFullscreen(m_window, 0);
}

void GlDevice::MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != m_context) SDL_GL_MakeCurrent(m_window, m_context);
}

Result GlDevice::Initialize(SDL_Window* window) {
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) return D3DERR_INVALIDCALL;
    m_window = window;
    // The context attributes are SDL-wide: ask for 3.3 core and put back what was there.
    int major = 0, minor = 0, profile = 0;
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &minor);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    m_context = SDL_GL_CreateContext(window);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, profile);
    if (!m_context) return D3DERR_NOTAVAILABLE;
    MakeCurrent();
    if (epoxy_gl_version() < 33) return D3DERR_NOTAVAILABLE;

    GLint textureSize = 0, renderbufferSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSize);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferSize);
    m_maxSize = static_cast<uint32_t>(std::max(0, std::min({textureSize, renderbufferSize, 16384})));
    const PresentParameters& parameters = Parameters();
    if (parameters.BackBufferWidth > m_maxSize || parameters.BackBufferHeight > m_maxSize) return D3DERR_INVALIDCALL;

    // The commonest program, made now so that a device whose shaders do not compile is refused.
    if (!ProgramFor(ProgramKey {true, false, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
                                D3DTA_DIFFUSE, D3DTA_DIFFUSE}))
        return D3DERR_DRIVERINTERNALERROR;
    glGenVertexArrays(1, &m_vertexArray);
    glBindVertexArray(m_vertexArray);
    glGenSamplers(1, &m_sampler);
    glBindSampler(0, m_sampler);
    glGenBuffers(1, &m_streamVertices);
    glGenBuffers(1, &m_streamIndices);
    glEnable(GL_DEPTH_CLAMP);
    glFrontFace(GL_CCW);
    Result result = CreateBackBuffer(parameters);
    if (result < 0) return result;
    return ApplyWindowMode(parameters);
}

const GlDevice::Program* GlDevice::ProgramFor(const ProgramKey& key) {
    for (const Program& program : m_programs)
        if (program.Key == key) return &program;
    const std::string defines = "#version 330 core\n#define PRETRANSFORMED " + std::to_string(int(key.Pretransformed)) +
                                "\n#define HAS_TEXTURE " + std::to_string(int(key.HasTexture)) + "\n#define COLOR_OP " +
                                std::to_string(key.ColorOp) + "\n#define COLOR_ARG1 " + std::to_string(key.ColorArg1) +
                                "\n#define COLOR_ARG2 " + std::to_string(key.ColorArg2) + "\n#define ALPHA_OP " +
                                std::to_string(key.AlphaOp) + "\n#define ALPHA_ARG1 " + std::to_string(key.AlphaArg1) +
                                "\n#define ALPHA_ARG2 " + std::to_string(key.AlphaArg2) + "\n";
    auto compile = [&defines](GLenum type, const char* source) {
        GLuint shader = glCreateShader(type);
        const char* parts[2] = {defines.c_str(), source};
        glShaderSource(shader, 2, parts, nullptr);
        glCompileShader(shader);
        GLint compiled = GL_FALSE;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
        if (!compiled) {
            glDeleteShader(shader);
            return GLuint { 0 };
        }
        return shader;
    };
    const GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    Program program;
    program.Key = key;
    if (vertex && fragment) {
        program.Name = glCreateProgram();
        glAttachShader(program.Name, vertex);
        glAttachShader(program.Name, fragment);
        glLinkProgram(program.Name);
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    if (program.Name) glGetProgramiv(program.Name, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program.Name);
        return nullptr;
    }
    glUseProgram(program.Name);
    program.Transform = glGetUniformLocation(program.Name, "u_transform");
    program.Viewport = glGetUniformLocation(program.Name, "u_viewport");
    program.DepthRange = glGetUniformLocation(program.Name, "u_depthRange");
    program.Target = glGetUniformLocation(program.Name, "u_target");
    program.DiffuseScale = glGetUniformLocation(program.Name, "u_diffuseScale");
    glUniform1i(glGetUniformLocation(program.Name, "u_texture"), 0);
    m_programs.push_back(program);
    return &m_programs.back();
}

Result GlDevice::CreateBackBuffer(const PresentParameters& parameters) {
    const GLsizei width = GLsizei(parameters.BackBufferWidth), height = GLsizei(parameters.BackBufferHeight);
    glGenFramebuffers(1, &m_framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glGenRenderbuffers(1, &m_colorBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, m_colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colorBuffer);
    if (parameters.EnableAutoDepthStencil) {
        const bool stencil = parameters.AutoDepthStencilFormat == D3DFMT_D24S8;
        const GLenum format = parameters.AutoDepthStencilFormat == D3DFMT_D16 ? GL_DEPTH_COMPONENT16
                              : stencil                                       ? GL_DEPTH24_STENCIL8
                                                                              : GL_DEPTH_COMPONENT24;
        glGenRenderbuffers(1, &m_depthBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, m_depthBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, m_depthBuffer);
    }
    const Result result = GlError();
    if (result < 0) return result;
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return D3DERR_NOTAVAILABLE;
    // Direct3D leaves a new back buffer undefined; black is as good and keeps runs repeatable.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return GlError();
}

void GlDevice::ReleaseBackBuffer() {
    glDeleteFramebuffers(1, &m_framebuffer);
    glDeleteRenderbuffers(1, &m_colorBuffer);
    glDeleteRenderbuffers(1, &m_depthBuffer);
    m_framebuffer = m_colorBuffer = m_depthBuffer = 0;
}

Result GlDevice::ApplyWindowMode(const PresentParameters& parameters) {
    SDL_GL_SetSwapInterval(parameters.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    if (parameters.Windowed) {
        if (m_madeFullScreen && SDL_SetWindowFullscreen(m_window, 0) != 0) return D3DERR_NOTAVAILABLE;
        m_madeFullScreen = false;
        return D3D_OK;
    }
    int display = SDL_GetWindowDisplayIndex(m_window);
    if (display < 0) display = 0;
    SDL_DisplayMode wanted {};
    wanted.w = int(parameters.BackBufferWidth);
    wanted.h = int(parameters.BackBufferHeight);
    wanted.refresh_rate = int(parameters.FullScreen_RefreshRateInHz);
    SDL_DisplayMode closest {};
    if (!SDL_GetClosestDisplayMode(display, &wanted, &closest) || closest.w != wanted.w || closest.h != wanted.h)
        return D3DERR_INVALIDCALL;
    if (SDL_SetWindowDisplayMode(m_window, &closest) != 0) return D3DERR_NOTAVAILABLE;
    if (SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN) != 0) return D3DERR_NOTAVAILABLE;
    m_madeFullScreen = true;
    return D3D_OK;
}

void GlDevice::WindowPixelSize(SDL_Window* window, uint32_t& width, uint32_t& height) {
    int w = 0, h = 0;
    if (window) SDL_GetWindowSizeInPixels(window, &w, &h);
    width = uint32_t(std::max(w, 0));
    height = uint32_t(std::max(h, 0));
}

Result GlDevice::ResetTarget(const PresentParameters& parameters) {
    if (parameters.DeviceWindow != m_window) return D3DERR_INVALIDCALL;
    MakeCurrent();
    ReleaseBackBuffer();
    const Result result = CreateBackBuffer(parameters);
    if (result < 0) return result;
    return ApplyWindowMode(parameters);
}

namespace {

// Creates a resource object and hands it out only when its OpenGL objects were made.
template <class Made, class Handed, class... Arguments>
Result Make(std::unique_ptr<Handed>& out, Arguments&&... arguments) {
    auto created = std::make_unique<Made>(std::forward<Arguments>(arguments)...);
    const Result result = created->Create();
    if (result >= 0) out = std::move(created);
    return result;
}

}  // namespace

Result GlDevice::NewTexture(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture) {
    return Make<GlTexture>(texture, *this, desc);
}

Result GlDevice::NewVertexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                 std::unique_ptr<BasicVertexBuffer>& buffer) {
    return Make<GlVertexBuffer>(buffer, *this, length, usage, pool);
}

Result GlDevice::NewIndexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                std::unique_ptr<BasicIndexBuffer>& buffer) {
    return Make<GlIndexBuffer>(buffer, *this, length, usage, pool);
}

Result GlDevice::ClearTarget(const std::vector<Rect>& rects, uint32_t flags, D3DCOLOR color, float z,
                             uint32_t stencil) {
    MakeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET) {
        bits |= GL_COLOR_BUFFER_BIT;
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                     float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f);
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        bits |= GL_DEPTH_BUFFER_BIT;
        glDepthMask(GL_TRUE);
        glClearDepth(z);
    }
    if (flags & D3DCLEAR_STENCIL) {
        bits |= GL_STENCIL_BUFFER_BIT;
        glStencilMask(0xFF);
        glClearStencil(GLint(stencil & 0xFF));
    }
    // The back buffer's rows are stored top row first, so rectangles need no flipping.
    glEnable(GL_SCISSOR_TEST);
    for (const Rect& r : rects) {
        glScissor(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        glClear(bits);
    }
    return GlError();
}

Result GlDevice::ApplyState(const DrawCall& call) {
    const DeviceState& state = State();
    const Rect scissor = ViewportPixels();
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glViewport(0, 0, GLsizei(Parameters().BackBufferWidth), GLsizei(Parameters().BackBufferHeight));
    glEnable(GL_SCISSOR_TEST);
    glScissor(scissor.Left, scissor.Top, scissor.Right - scissor.Left, scissor.Bottom - scissor.Top);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    if (state.Value(StateItem::AlphaBlendEnable)) {
        glEnable(GL_BLEND);
        glBlendFunc(BlendFactor(state.Value(StateItem::SrcBlend)), BlendFactor(state.Value(StateItem::DestBlend)));
    } else {
        glDisable(GL_BLEND);
    }
    // Rows are stored top first, so a triangle clockwise on the screen is counter-clockwise
    // (front-facing) to OpenGL.
    switch (state.Value(StateItem::CullMode)) {
    case D3DCULL_CW: glEnable(GL_CULL_FACE); glCullFace(GL_FRONT); break;
    case D3DCULL_CCW: glEnable(GL_CULL_FACE); glCullFace(GL_BACK); break;
    default: glDisable(GL_CULL_FACE); break;
    }
    if (m_depthBuffer && state.Value(StateItem::ZEnable) == D3DZB_TRUE) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
    } else {
        glDisable(GL_DEPTH_TEST);
    }

    const bool pretransformed = (call.Fvf & D3DFVF_XYZRHW) != 0;
    auto* texture = static_cast<GlTexture*>(state.Texture0);
    ProgramKey key;
    key.Pretransformed = pretransformed;
    key.HasTexture = texture != nullptr;
    ProgramKey::ReduceStage(state.Value(StateItem::ColorOp), state.Value(StateItem::ColorArg1),
                            state.Value(StateItem::ColorArg2), key.ColorOp, key.ColorArg1, key.ColorArg2);
    ProgramKey::ReduceStage(state.Value(StateItem::AlphaOp), state.Value(StateItem::AlphaArg1),
                            state.Value(StateItem::AlphaArg2), key.AlphaOp, key.AlphaArg1, key.AlphaArg2);
    if (key.ColorOp == D3DTOP_DISABLE) key.AlphaOp = key.AlphaArg1 = key.AlphaArg2 = 0;  // the diffuse colour and alpha
    const Program* program = ProgramFor(key);
    if (!program) return D3DERR_DRIVERINTERNALERROR;
    glUseProgram(program->Name);
    // Pretransformed vertices are not clipped against the depth range: without the clip
    // distances the rasteriser skips the user-plane clipping of every primitive.
    if (pretransformed) {
        glDisable(GL_CLIP_DISTANCE0);
        glDisable(GL_CLIP_DISTANCE1);
    } else {
        glEnable(GL_CLIP_DISTANCE0);
        glEnable(GL_CLIP_DISTANCE1);
    }
    Matrix combined {};
    const Matrix& world = state.World;
    Matrix worldView {};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) worldView.M[r][c] += world.M[r][k] * state.View.M[k][c];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) combined.M[r][c] += worldView.M[r][k] * state.Projection.M[k][c];
    // Row-major rows for row vectors read by OpenGL as columns: the shader's M * v is v * M.
    glUniformMatrix4fv(program->Transform, 1, GL_FALSE, &combined.M[0][0]);
    const Viewport& v = state.Viewport;
    glUniform4f(program->Viewport, float(v.X), float(v.Y), float(v.Width), float(v.Height));
    glUniform2f(program->DepthRange, v.MinZ, v.MaxZ);
    glUniform2f(program->Target, float(Parameters().BackBufferWidth), float(Parameters().BackBufferHeight));
    // Lighting without lights leaves transformed vertices black; the alpha comes from the
    // vertex colour when there is one, from the (zero) material otherwise.
    const bool lit = state.Value(StateItem::Lighting) && !pretransformed;
    const float alpha = lit && !(call.Fvf & D3DFVF_DIFFUSE) ? 0.0f : 1.0f;
    const float colour = lit ? 0.0f : 1.0f;
    glUniform4f(program->DiffuseScale, colour, colour, colour, alpha);

    glActiveTexture(GL_TEXTURE0);
    if (texture) {
        const Result result = texture->Prepare();
        if (result < 0) return result;
        const GLint minFilter = state.Value(StateItem::MinFilter) == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
        const GLint magFilter = state.Value(StateItem::MagFilter) == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
        glSamplerParameteri(m_sampler, GL_TEXTURE_MIN_FILTER, minFilter);
        glSamplerParameteri(m_sampler, GL_TEXTURE_MAG_FILTER, magFilter);
        glSamplerParameteri(m_sampler, GL_TEXTURE_WRAP_S, AddressMode(state.Value(StateItem::AddressU)));
        glSamplerParameteri(m_sampler, GL_TEXTURE_WRAP_T, AddressMode(state.Value(StateItem::AddressV)));
    } else {
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return D3D_OK;
}

void GlDevice::BindVertices(GLuint buffer, uintptr_t base, uint32_t fvf, uint32_t stride) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const bool pretransformed = (fvf & D3DFVF_XYZRHW) != 0;
    uintptr_t offset = base;
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE, GLsizei(stride),
                          reinterpret_cast<const void*>(offset));
    offset += pretransformed ? 16 : 12;
    if (fvf & D3DFVF_DIFFUSE) {
        // GL_BGRA reads the bytes B, G, R, A of a little-endian 0xAARRGGBB as red, green, blue, alpha.
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, GLsizei(stride),
                              reinterpret_cast<const void*>(offset));
        offset += 4;
    } else {
        glDisableVertexAttribArray(1);
        glVertexAttrib4f(1, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    if (fvf & D3DFVF_TEX1) {
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, GLsizei(stride), reinterpret_cast<const void*>(offset));
    } else {
        glDisableVertexAttribArray(2);
        glVertexAttrib2f(2, 0.0f, 0.0f);
    }
}

Result GlDevice::Draw(const DrawCall& call) {
    const Rect scissor = ViewportPixels();
    if (scissor.Right <= scissor.Left || scissor.Bottom <= scissor.Top) return D3D_OK;
    MakeCurrent();
    Result result = ApplyState(call);
    if (result < 0) return result;
    const GLenum mode = PrimitiveMode(call.Type);
    const uint32_t elements = call.ElementCount();
    const uint64_t stride = call.Stride;

    // The vertices the call may read, as bytes from vertex 0.
    uint64_t first = 0, end = 0;
    if (!call.Indexed) {
        first = call.FirstVertex;
        end = first + elements;
    } else {
        // The declared range, which the validation found every index in.
        first = uint64_t(int64_t { call.BaseVertex } + call.MinIndex);
        end = first + call.NumVertices;
    }
    if (call.VertexBuffer) {
        auto* buffer = static_cast<GlVertexBuffer*>(const_cast<BasicVertexBuffer*>(call.VertexBuffer));
        result = buffer->Prepare(GL_ARRAY_BUFFER, call.VertexOffset + first * stride, call.VertexOffset + end * stride);
        if (result < 0) return result;
        BindVertices(buffer->Name(), call.VertexOffset, call.Fvf, call.Stride);
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, m_streamVertices);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(end * stride), call.Vertices, GL_STREAM_DRAW);
        BindVertices(m_streamVertices, 0, call.Fvf, call.Stride);
    }

    if (!call.Indexed) {
        glDrawArrays(mode, GLint(call.FirstVertex), GLsizei(elements));
        return GlError();
    }
    uintptr_t indexOffset = 0;
    if (call.IndexBuffer) {
        auto* buffer = static_cast<GlIndexBuffer*>(const_cast<BasicIndexBuffer*>(call.IndexBuffer));
        result = buffer->Prepare(GL_ELEMENT_ARRAY_BUFFER, call.IndexOffset, call.IndexOffset + 2ull * elements);
        if (result < 0) return result;
        indexOffset = call.IndexOffset;
    } else {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_streamIndices);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(2ull * elements), call.Indices, GL_STREAM_DRAW);
    }
    glDrawElementsBaseVertex(mode, GLsizei(elements), GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(indexOffset),
                             call.BaseVertex);
    return GlError();
}

Result GlDevice::PresentFrame() {
    MakeCurrent();
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(m_window, &width, &height);
    const GLint sourceWidth = GLint(Parameters().BackBufferWidth), sourceHeight = GLint(Parameters().BackBufferHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    // The back buffer holds the top row first; the window wants the bottom row first.
    const GLenum filter = (width == sourceWidth && height == sourceHeight) ? GL_NEAREST : GL_LINEAR;
    glBlitFramebuffer(0, 0, sourceWidth, sourceHeight, 0, height, width, 0, GL_COLOR_BUFFER_BIT, filter);
    SDL_GL_SwapWindow(m_window);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    return GlError();
}

Result GlDevice::ReadBack(std::vector<uint32_t>& pixels) {
    MakeCurrent();
    const GLsizei width = GLsizei(Parameters().BackBufferWidth), height = GLsizei(Parameters().BackBufferHeight);
    pixels.assign(size_t(width) * size_t(height), 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    return GlError();
}

// ---- the factory ----

class GlDirect3D : public Direct3D {
public:
    GlDirect3D() = default;
    ~GlDirect3D() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    uint32_t GetAdapterModeCount(uint32_t adapter, D3DFORMAT format) override {
        m_modes.clear();
        if (adapter != D3DADAPTER_DEFAULT || format != D3DFMT_X8R8G8B8) return 0;
        const int count = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode mode {};
            if (SDL_GetDisplayMode(0, i, &mode) != 0 || SDL_BITSPERPIXEL(mode.format) < 24) continue;
            const DisplayMode found {uint32_t(mode.w), uint32_t(mode.h), uint32_t(std::max(mode.refresh_rate, 0)),
                                     D3DFMT_X8R8G8B8};
            const bool known = std::any_of(m_modes.begin(), m_modes.end(), [&](const DisplayMode& m) {
                return m.Width == found.Width && m.Height == found.Height && m.RefreshRate == found.RefreshRate;
            });
            if (!known) m_modes.push_back(found);
        }
        return static_cast<uint32_t>(m_modes.size());
    }

    Result EnumAdapterModes(uint32_t adapter, D3DFORMAT format, uint32_t index, DisplayMode& mode) override {
        if (m_modes.empty()) GetAdapterModeCount(adapter, format);
        if (adapter != D3DADAPTER_DEFAULT || format != D3DFMT_X8R8G8B8 || index >= m_modes.size())
            return D3DERR_INVALIDCALL;
        mode = m_modes[index];
        return D3D_OK;
    }

    Result CreateDevice(uint32_t adapter, D3DDEVTYPE type, SDL_Window* focusWindow, uint32_t behaviorFlags,
                        PresentParameters& parameters, std::unique_ptr<Device>& device) override {
        device.reset();
        Result result = CheckDeviceCreation(adapter, type, behaviorFlags);
        if (result < 0) return result;
        PresentParameters p = parameters;
        if (!p.DeviceWindow) p.DeviceWindow = focusWindow;
        if (!p.DeviceWindow) return D3DERR_INVALIDCALL;
        int width = 0, height = 0;
        SDL_GetWindowSizeInPixels(p.DeviceWindow, &width, &height);
        result = NormalizePresentParameters(p, uint32_t(std::max(width, 0)), uint32_t(std::max(height, 0)), 16384);
        if (result < 0) return result;
        auto created = std::make_unique<GlDevice>(p);
        result = created->Initialize(p.DeviceWindow);
        if (result < 0) return result;
        parameters = p;
        device = std::move(created);
        return D3D_OK;
    }

private:
    std::vector<DisplayMode> m_modes;
};

}  // namespace

std::unique_ptr<Direct3D> CreateGlDirect3D() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    // A dynamic buffer locked with discard gets fresh storage from the driver, which frees the
    // old one: with the C library's default limits the heap was handed back to the system and
    // taken again, page by zeroed page, for every batch (a third of a frame of squares went to
    // that). Memory of up to 32 MiB a block stays in the heap for reuse instead.
    static const bool tuned = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        return true;
    }();
    (void)tuned;
    return std::make_unique<GlDirect3D>();
}

Result ReadBackBuffer(Device& device, std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    if (!gl) return D3DERR_INVALIDCALL;
    width = gl->Parameters().BackBufferWidth;
    height = gl->Parameters().BackBufferHeight;
    return gl->ReadBack(pixels);
}

}  // namespace platform
