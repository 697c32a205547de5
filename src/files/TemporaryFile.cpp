#include "files/TemporaryFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/Utilities.h"
#include "errors/Checks.h"
#include "errors/ErrorTrail.h"

namespace files {

using errors::AddError;
using errors::CheckSystem;

TemporaryFile::~TemporaryFile() {
    if (!m_path.empty() && !m_committed) ::unlink(m_path.c_str());
}

bool TemporaryFile::Create(const std::string& target) {
    m_target = target;
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            m_target = resolved;
            std::free(resolved);
        }
    }
    const std::string extension = base::ExtensionOf(base::FileNameOf(m_target));
    std::string pattern = base::DirectoryOf(m_target) + "." + base::FileNameOf(m_target) + ".XXXXXX" + extension;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int handle = ::mkstemps(name.data(), static_cast<int>(extension.size()));
    if (handle < 0) {
        CheckSystem("");
        AddError("Nie można otworzyć pliku \"" + target + "\"");
        return false;
    }
    m_path = name.data();
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        mode = existing.st_mode & 07777;
    } else {
        // The mask can only be read by setting it; the program runs on one thread.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(handle, mode);
    ::close(handle);
    return true;
}

bool TemporaryFile::Commit() {
    if (::rename(m_path.c_str(), m_target.c_str()) != 0) {
        CheckSystem("");
        AddError("Nie można zastąpić pliku \"" + m_target + "\"");
        return false;
    }
    m_committed = true;
    return true;
}

}  // namespace files
