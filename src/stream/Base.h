#pragma once
// A byte stream. Failures go to the error trail; callers test ErrorRaised after each step
// that can fail. Every operation returns normally.

#include <cstdint>
#include <string>
#include <string_view>

namespace stream {

class Base {
public:
    virtual ~Base() = default;

    // Writes all `size` bytes or records an error.
    virtual void Write(const void* data, uint32_t size) = 0;
    // `size` is the capacity on entry and the count delivered on return. Fewer bytes than
    // asked (0 at the end of the data) is not an error by itself.
    virtual void Read(void* data, uint32_t& size) = 0;

    // The characters only: no length, no terminator.
    void WriteString(std::string_view text);
    // One byte: 1 for true, 0 for false.
    void WriteBool(bool value);
    // Reads `size` bytes; fewer raises "Odczytano bajtów: " + delivered + "/" + size. Returns
    // the count delivered (the bytes that came are in `data` either way).
    uint32_t ReadExact(void* data, uint32_t size);
    // Replaces `text` by exactly `size` bytes, only when they all came without an error.
    void ReadString(std::string& text, uint32_t size);
    // One byte, any non-zero value reading as true; `value` unchanged on an error.
    void ReadBool(bool& value);
};

}  // namespace stream
