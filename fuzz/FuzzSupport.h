#pragma once
// Shared by the fuzz targets: an input cut into a main document and the files it may
// include, served from memory.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The input's parts at each zero byte: part 0 is the document, part n the file named n
// (as "[#inc n]" names it), in the document's directory.
class FuzzFiles {
public:
    static constexpr const char* Directory = "/fuzz";

    FuzzFiles(const uint8_t* data, size_t size) {
        std::string_view rest(reinterpret_cast<const char*>(data), size);
        for (;;) {
            const size_t zero = rest.find('\0');
            m_parts.emplace_back(rest.substr(0, zero));
            if (zero == std::string_view::npos) break;
            rest.remove_prefix(zero + 1);
        }
    }
    const std::string& Document() const { return m_parts.front(); }
    // Serves "/fuzz/" + n for every part n after the document.
    bool Read(const std::string& path, std::string& text) const {
        const std::string prefix = std::string(Directory) + "/";
        if (!path.starts_with(prefix)) return false;
        int32_t index = 0;
        for (char c : path.substr(prefix.size())) {
            if (c < '0' || c > '9' || index > 1000) return false;
            index = index * 10 + (c - '0');
        }
        if (index < 1 || static_cast<size_t>(index) >= m_parts.size()) return false;
        text = m_parts[static_cast<size_t>(index)];
        return true;
    }

private:
    std::vector<std::string> m_parts;
};
