#pragma once
// A text file of report lines, each ending with CR LF.

#include <string>
#include <string_view>

namespace px {

class CReportFile {
public:
    explicit CReportFile(std::string path) : m_path(std::move(path)) {}
    ~CReportFile() { Close(); }
    CReportFile(const CReportFile&) = delete;
    CReportFile& operator=(const CReportFile&) = delete;

    // True at once when already open. With truncate the file is created or replaced;
    // without, it is created when missing and written at its end.
    bool Open(bool truncate);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

    // Writes the text and CR LF. A closed file is opened for appending for this one line and
    // closed again. Failures are ignored: a report has nowhere to report its own failures.
    void WriteLine(std::string_view text);
    void WriteField(std::string_view label, std::string_view value);

private:
    std::string m_path;
    int m_fd { -1 };
};

}  // namespace px
