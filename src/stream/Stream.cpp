// The stream family: every message of the streams comes from this file, so their trail
// entries name the module "Stream".

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Utilities.h"
#include "errors/Checks.h"
#include "errors/ErrorTrail.h"
#include "stream/Base.h"
#include "stream/Compression.h"
#include "stream/Decompression.h"
#include "stream/File.h"

namespace stream {

using errors::AddError;
using errors::CheckSystem;
using errors::CheckSystemCode;
using errors::CheckZlib;
using errors::ErrorRaised;
using errors::RaiseError;

// ---- Base -------------------------------------------------------------------------------

void Base::WriteString(std::string_view text) {
    Write(text.data(), static_cast<uint32_t>(text.size()));
}

void Base::WriteBool(bool value) {
    const uint8_t byte = value ? 1 : 0;
    Write(&byte, 1);
}

uint32_t Base::ReadExact(void* data, uint32_t size) {
    uint32_t delivered = size;
    Read(data, delivered);
    if (ErrorRaised() || delivered == size) return delivered;
    RaiseError("Odczytano bajtów: " + base::UIntToStr(delivered) + "/" + base::UIntToStr(size));
    return delivered;
}

void Base::ReadString(std::string& text, uint32_t size) {
    std::string bytes(size, '\0');
    ReadExact(bytes.data(), size);
    if (!ErrorRaised()) text = std::move(bytes);
}

void Base::ReadBool(bool& value) {
    uint8_t byte = 0;
    ReadExact(&byte, 1);
    if (!ErrorRaised()) value = byte != 0;
}

// ---- File -------------------------------------------------------------------------------

File::~File() {
    if (IsOpen()) ::close(m_handle);
}

bool File::Open(const std::string& path, OpenMode mode) {
    if (IsOpen()) ::close(m_handle);
    m_handle = InvalidHandle;
    int flags = 0;
    switch (mode) {
    // Non-blocking only while opening, so that a pipe without a writer cannot hang the open.
    case OpenMode::Read: flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK; break;
    case OpenMode::Write: flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC; break;
    default:
        RaiseError("Błędny tryb otwarcia");
        AddError("Nie można otworzyć pliku \"" + path + "\"");
        return false;
    }
    const int handle = ::open(path.c_str(), flags, 0666);
    if (handle < 0) {
        CheckSystem("");
        AddError("Nie można otworzyć pliku \"" + path + "\"");
        return false;
    }
    if (flags & O_NONBLOCK) ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
    // A directory opens for reading on POSIX; it is no file to read, so refuse it here.
    struct stat status {};
    if (::fstat(handle, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(handle);
        CheckSystemCode(EISDIR, "");
        AddError("Nie można otworzyć pliku \"" + path + "\"");
        return false;
    }
    m_handle = handle;
    return true;
}

bool File::Close() {
    if (!IsOpen()) return true;
    const int handle = m_handle;
    m_handle = InvalidHandle;
    if (::close(handle) == 0) return true;
    CheckSystem("");
    AddError("Nie można zapisać do pliku");
    return false;
}

void File::Write(const void* data, uint32_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t written = 0;
    // write() may stop short (a signal, a file size limit); the rest is retried, and the
    // retry then reports why it cannot go on.
    while (written < size) {
        const ssize_t result = ::write(m_handle, bytes + written, size - written);
        if (result < 0 && errno == EINTR) continue;
        if (result < 0) {
            CheckSystem("");
            if (written > 0) AddError("Zapisano bajtów " + base::UIntToStr(written) + "/" + base::UIntToStr(size));
            AddError("Nie można zapisać do pliku");
            return;
        }
        if (result == 0) {
            RaiseError("Zapisano bajtów " + base::UIntToStr(written) + "/" + base::UIntToStr(size));
            AddError("Nie można zapisać do pliku");
            return;
        }
        written += static_cast<uint32_t>(result);
    }
}

void File::Read(void* data, uint32_t& size) {
    auto* bytes = static_cast<uint8_t*>(data);
    uint32_t delivered = 0;
    while (delivered < size) {
        const ssize_t result = ::read(m_handle, bytes + delivered, size - delivered);
        if (result < 0 && errno == EINTR) continue;
        if (result < 0) {
            CheckSystem("Nie można odczytać z pliku");
            break;
        }
        if (result == 0) break;  // the end of the file
        delivered += static_cast<uint32_t>(result);
    }
    size = delivered;
}

uint32_t File::GetSize() {
    struct stat status {};
    if (::fstat(m_handle, &status) != 0) return 0;
    return static_cast<uint32_t>(status.st_size);
}

void File::Seek(int32_t offset, SeekOrigin origin) {
    int whence = SEEK_SET;
    if (origin == SeekOrigin::Current) whence = SEEK_CUR;
    if (origin == SeekOrigin::End) whence = SEEK_END;
    if (::lseek(m_handle, offset, whence) < 0) CheckSystem("Nie można ustawić pozycji w pliku");
}

void File::Tell(uint32_t& position) {
    const off_t result = ::lseek(m_handle, 0, SEEK_CUR);
    if (result < 0) {
        CheckSystem("Nie można odczytać pozycji z pliku");
        return;
    }
    position = static_cast<uint32_t>(result);
}

// ---- Compression ------------------------------------------------------------------------

Compression::Compression(Base& target, int level) : Zlib(target) {
    m_zlib.zalloc = Z_NULL;
    m_zlib.zfree = Z_NULL;
    m_zlib.opaque = Z_NULL;
    const int result = deflateInit(&m_zlib, level);
    CheckZlib(result, "Nie można utworzyć strumienia kompresji");
    m_initialised = result == Z_OK;
    m_zlib.next_out = m_buffer.get();
    m_zlib.avail_out = ChunkSize;
}

void Compression::Write(const void* data, uint32_t size) {
    m_zlib.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    m_zlib.avail_in = size;
    if (size == 0) return;
    for (;;) {
        if (CheckZlib(deflate(&m_zlib, Z_NO_FLUSH), "Nie można zapisać do strumienia kompresji") < 0) return;
        if (m_zlib.avail_out == 0) {
            m_other->Write(m_buffer.get(), ChunkSize);
            if (ErrorRaised()) return;
            m_zlib.next_out = m_buffer.get();
            m_zlib.avail_out = ChunkSize;
        }
        if (m_zlib.avail_in == 0) return;
    }
}

void Compression::Read(void*, uint32_t& size) {
    size = 0;
    RaiseError("Ta klasa nie obsługuje odczytywania");
}

Compression::~Compression() {
    if (!m_initialised) return;
    m_zlib.next_in = Z_NULL;
    m_zlib.avail_in = 0;
    int result = deflate(&m_zlib, Z_FINISH);
    while (result != Z_STREAM_END) {
        // With fresh output space every round, finishing always progresses; anything but
        // "more output to come" means the stream is broken and would never end.
        if (result != Z_OK && result != Z_BUF_ERROR) {
            CheckZlib(result, "Nie można zapisać do strumienia kompresji");
            break;
        }
        m_other->Write(m_buffer.get(), ChunkSize - m_zlib.avail_out);
        if (ErrorRaised()) break;
        m_zlib.next_out = m_buffer.get();
        m_zlib.avail_out = ChunkSize;
        result = deflate(&m_zlib, Z_FINISH);
    }
    if (result == Z_STREAM_END && m_zlib.avail_out < ChunkSize)
        m_other->Write(m_buffer.get(), ChunkSize - m_zlib.avail_out);
    deflateEnd(&m_zlib);
}

// ---- Decompression ----------------------------------------------------------------------

Decompression::Decompression(Base& source) : Zlib(source) {
    m_zlib.next_in = m_buffer.get();
    m_zlib.avail_in = 0;
    m_zlib.zalloc = Z_NULL;
    m_zlib.zfree = Z_NULL;
    m_zlib.opaque = Z_NULL;
    const int result = inflateInit(&m_zlib);
    CheckZlib(result, "Nie można utworzyć strumienia dekompresji");
    m_initialised = result == Z_OK;
}

Decompression::~Decompression() {
    inflateEnd(&m_zlib);
}

void Decompression::Read(void* data, uint32_t& size) {
    const uint32_t capacity = size;
    m_zlib.next_out = static_cast<Bytef*>(data);
    m_zlib.avail_out = capacity;
    if (capacity == 0) return;
    int result = m_finished ? Z_STREAM_END : Z_OK;
    while (result != Z_STREAM_END) {
        if (m_zlib.avail_in == 0) {
            uint32_t delivered = ChunkSize;
            m_other->Read(m_buffer.get(), delivered);
            if (ErrorRaised() || delivered == 0) break;
            m_zlib.next_in = m_buffer.get();
            m_zlib.avail_in = delivered;
        }
        result = CheckZlib(inflate(&m_zlib, Z_NO_FLUSH), "Nie można odczytać ze strumienia dekompresji");
        if (result < 0) break;
        if (result != Z_OK && result != Z_STREAM_END) {
            // Anything else (a preset dictionary the table cannot have) is damaged data;
            // read on, it would answer the same forever.
            errors::RaiseErrorAt("(Zlib," + base::IntToStr(result) + ") " + zError(result), errors::ErrorPosition::None());
            AddError("Nie można odczytać ze strumienia dekompresji");
            break;
        }
        if (m_zlib.avail_out == 0) break;
    }
    if (result == Z_STREAM_END) {
        // What follows the zlib stream in the source is not the filter's.
        m_finished = true;
        m_zlib.avail_in = 0;
    }
    size = capacity - m_zlib.avail_out;
}

void Decompression::Write(const void*, uint32_t) {
    RaiseError("Ta klasa nie obsługuje zapisywania");
}

}  // namespace stream
