#include "files/TemporaryFile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Utilities.h"
#include "errors/Checks.h"
#include "errors/ErrorTrail.h"

namespace files {

using errors::AddError;
using errors::CheckSystem;
using errors::CheckSystemCode;

namespace {

constexpr int MostLinks = 40;  // the kernel's own bound on links followed in one path

// `path` with its symbolic links followed as far as they lead, to a file that exists or not.
// False with the error number on a loop or a link too long to read.
bool FollowLinks(std::string& path, int& error) {
    for (int hop = 0; hop < MostLinks; ++hop) {
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (length < 0) return true;  // no link: the path names the file itself
        if (static_cast<size_t>(length) == sizeof buffer) {
            error = ENAMETOOLONG;
            return false;
        }
        const std::string link(buffer, static_cast<size_t>(length));
        path = link.starts_with('/') ? link : base::DirectoryOf(path) + link;
    }
    error = ELOOP;
    return false;
}

// Permissions of a new file: the target's when it exists, else 0666 less the process's mask.
mode_t ModeFor(const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 07777;
    // The mask can only be read by setting it; saves run on one thread.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Creates `name` anew, replacing a file a killed save left there.
int CreateNamed(const std::string& name, mode_t mode) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (handle >= 0 || errno != EEXIST) return handle;
        ::unlink(name.c_str());
    }
    return -1;
}

}  // namespace

std::string TemporaryFile::PartName(const std::string& target) {
    const std::string name = base::FileNameOf(target);
    return base::DirectoryOf(target) + "." + name + ".part" + base::ExtensionOf(name);
}

TemporaryFile::~TemporaryFile() {
    if (m_handle >= 0) ::close(m_handle);
    if (!m_named.empty() && !m_committed) ::unlink(m_named.c_str());
}

bool TemporaryFile::Create(const std::string& target) {
    m_target = target;
    int error = 0;
    if (!FollowLinks(m_target, error)) {
        CheckSystemCode(error, "");
        AddError("Nie można otworzyć pliku \"" + target + "\"");
        return false;
    }
    const mode_t mode = ModeFor(m_target);
    const std::string directory = base::DirectoryOf(m_target).empty() ? "." : base::DirectoryOf(m_target);
    m_handle = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (m_handle >= 0) {
        m_path = "/proc/self/fd/" + base::IntToStr(m_handle);
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        m_handle = CreateNamed(PartName(m_target), mode);
        if (m_handle >= 0) m_path = m_named = PartName(m_target);
    }
    if (m_handle < 0) {
        CheckSystem("");
        AddError("Nie można otworzyć pliku \"" + target + "\"");
        return false;
    }
    ::fchmod(m_handle, mode);  // the mode asked for when creating was reduced by the mask
    return true;
}

bool TemporaryFile::Commit() {
    if (m_named.empty()) {
        // Named for the moment of the rename, in place of what a killed save left there.
        const std::string part = PartName(m_target);
        for (int attempt = 0; attempt < 2 && m_named.empty(); ++attempt) {
            if (::linkat(AT_FDCWD, m_path.c_str(), AT_FDCWD, part.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_named = part;
            else if (errno == EEXIST)
                ::unlink(part.c_str());
            else
                break;
        }
        if (m_named.empty()) {
            CheckSystem("");
            AddError("Nie można zastąpić pliku \"" + m_target + "\"");
            return false;
        }
    }
    if (::rename(m_named.c_str(), m_target.c_str()) != 0) {
        CheckSystem("");
        AddError("Nie można zastąpić pliku \"" + m_target + "\"");
        return false;
    }
    m_committed = true;
    return true;
}

}  // namespace files
