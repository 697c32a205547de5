#include "base/Utilities.h"

#include <cassert>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/System.h"

namespace base {

double GetTime() { return MonotonicSeconds(); }

bool FileExists(std::string_view path) {
    if (path.empty()) return false;
    struct stat info {};
    if (stat(std::string(path).c_str(), &info) != 0) return false;
    return !S_ISDIR(info.st_mode);
}

std::string ToLower(std::string_view text) {
    std::string lower(text);
    for (size_t i = 0; i < lower.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(lower[i]);
        if (c >= 'A' && c <= 'Z') {
            lower[i] = static_cast<char>(c + ('a' - 'A'));
        } else if (i + 1 < lower.size()) {
            // Ą Ć Ę Ł Ń Ś Ź Ż are odd/even pairs in UTF-8 (capital first); Ó is C3 93 / C3 B3.
            unsigned char d = static_cast<unsigned char>(lower[i + 1]);
            bool pair = (c == 0xC4 && (d == 0x84 || d == 0x86 || d == 0x98)) ||
                        (c == 0xC5 && (d == 0x81 || d == 0x83 || d == 0x9A || d == 0xB9 || d == 0xBB));
            if (pair) lower[i + 1] = static_cast<char>(d + 1);
            else if (c == 0xC3 && d == 0x93) lower[i + 1] = static_cast<char>(0xB3);
            if (c >= 0xC0) ++i;  // skip the continuation byte of a two-byte sequence
        }
    }
    return lower;
}

std::string Trim(std::string_view text) {
    constexpr std::string_view space = "\t\n\r ";
    size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(space);
    return std::string(text.substr(first, last - first + 1));
}

namespace {

std::string Digits(uint32_t magnitude, int radix, bool upperCase) {
    assert(radix >= 2 && radix <= 36 && "radix out of range");
    if (radix < 2 || radix > 36) radix = 10;
    const char* letters = upperCase ? "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ" : "0123456789abcdefghijklmnopqrstuvwxyz";
    char buffer[33];
    size_t at = sizeof buffer;
    do {
        buffer[--at] = letters[magnitude % static_cast<uint32_t>(radix)];
        magnitude /= static_cast<uint32_t>(radix);
    } while (magnitude != 0);
    return std::string(buffer + at, sizeof buffer - at);
}

}  // namespace

std::string IntToStr(int32_t value, int radix, bool upperCase) {
    if (value >= 0) return Digits(static_cast<uint32_t>(value), radix, upperCase);
    // The magnitude of the most negative value does not fit an int32_t; it fits a uint32_t.
    uint32_t magnitude = 0u - static_cast<uint32_t>(value);
    return "-" + Digits(magnitude, radix, upperCase);
}

std::string UIntToStr(uint32_t value, int radix, bool upperCase) { return Digits(value, radix, upperCase); }

std::string FloatToStr(double value, char conversion, int precision) {
    std::chars_format format = std::chars_format::fixed;
    bool upper = false;
    switch (conversion) {
        case 'E': upper = true; [[fallthrough]];
        case 'e': format = std::chars_format::scientific; break;
        case 'F': upper = true; [[fallthrough]];
        case 'f': format = std::chars_format::fixed; break;
        case 'G': upper = true; [[fallthrough]];
        case 'g': format = std::chars_format::general; break;
        case 'A': upper = true; [[fallthrough]];
        case 'a': format = std::chars_format::hex; break;
        default: assert(!"unknown conversion letter"); break;
    }
    if (precision < 0) precision = 6;
    if (precision > 400) precision = 400;
    std::string text;
    if (std::isnan(value) || std::isinf(value)) {
        text = std::isnan(value) ? "nan" : "inf";
        if (std::signbit(value)) text.insert(0, "-");
    } else {
        char buffer[512];
        // %g with precision 0 means precision 1.
        int digits = (format == std::chars_format::general && precision == 0) ? 1 : precision;
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, format, digits);
        if (error != std::errc()) return {};
        text.assign(buffer, end);
        if (format == std::chars_format::hex) text.insert(text[0] == '-' ? 1 : 0, "0x");
    }
    if (upper)
        for (char& c : text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return text;
}

std::string ModulePath() { return ExecutablePath(); }

std::string ModuleDirectory() { return DirectoryOf(ModulePath()); }

std::string DataFilePath(std::string_view name) {
    const std::string directory = ModuleDirectory();
    std::string beside = JoinPath(directory, name);
    if (FileExists(beside)) return beside;
    std::string installed = JoinPath(directory, "../share/vorlen/" + std::string(name));
    return FileExists(installed) ? installed : beside;
}

std::string DirectoryOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string FileNameOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtensionOf(std::string_view path) {
    size_t p = path.find_last_of("./");
    if (p == std::string_view::npos || path[p] != '.' || p == 0 || path[p - 1] == '/') return {};
    return std::string(path.substr(p));
}

std::string NormalizePath(std::string_view path) {
    std::string result;
    if (!path.empty() && path.front() == '/') result = "/";
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        std::string_view part = path.substr(start, slash - start);
        start = slash + 1;
        if (part == ".") continue;
        if (part == "..") {
            std::string_view tail = result;
            while (!tail.empty() && tail.back() == '/' && tail.size() > 1) tail.remove_suffix(1);
            size_t cut = tail.find_last_of('/');
            std::string_view last = cut == std::string_view::npos ? tail : tail.substr(cut + 1);
            if (result == "/") continue;                  // the root's parent is the root
            if (tail.empty() || last == "..") {           // nothing to go up from: keep it
                if (!result.empty() && result.back() != '/') result += '/';
                result += "..";
                continue;
            }
            result.resize(cut == std::string_view::npos ? 0 : (cut == 0 ? 1 : cut));
            continue;
        }
        if (!result.empty() && result.back() != '/') result += '/';
        result += part;
    }
    return result;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
    if (!name.empty() && name.front() == '/') return std::string(name);
    std::string joined(directory);
    if (!joined.empty() && joined.back() != '/') joined += '/';
    joined += name;
    return NormalizePath(joined);
}

std::string DefinitionFileName(std::string_view name) {
    std::string converted(name);
    for (char& c : converted)
        if (c == '\\') c = '/';
    return converted;
}

bool ReadTextFile(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return false;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return true;
}

bool NextArgument(std::string_view text, std::string& argument, size_t& position) {
    auto isSpace = [](char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; };
    if (position >= text.size()) return false;
    while (position < text.size() && isSpace(text[position])) ++position;
    if (position >= text.size()) return false;
    size_t end;
    if (text[position] == '"') {
        size_t begin = position + 1;
        end = text.find('"', begin);
        argument.assign(text.substr(begin, (end == std::string_view::npos ? text.size() : end) - begin));
        if (end != std::string_view::npos) {
            position = end + 1;
            return true;
        }
    } else {
        size_t begin = position;
        end = begin;
        while (end < text.size() && !isSpace(text[end])) ++end;
        argument.assign(text.substr(begin, end - begin));
        if (end < text.size()) {
            position = end + 1;
            return true;
        }
    }
    position = text.size() + 1;
    return true;
}

}  // namespace base
