#include "errors/ReportFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace px {

bool CReportFile::Open(bool truncate) {
    if (m_fd >= 0) return true;
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND);
    m_fd = ::open(m_path.c_str(), flags, 0644);
    return m_fd >= 0;
}

void CReportFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void CReportFile::WriteLine(std::string_view text) {
    bool opened_here = false;
    if (m_fd < 0) {
        if (!Open(false)) return;
        opened_here = true;
    }
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text);
    line.append("\r\n");
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t written = ::write(m_fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        data += written;
        left -= static_cast<size_t>(written);
    }
    if (opened_here) Close();
}

void CReportFile::WriteField(std::string_view label, std::string_view value) {
    std::string line(label);
    line.append(value);
    WriteLine(line);
}

}  // namespace px
