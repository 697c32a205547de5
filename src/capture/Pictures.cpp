#include "capture/Pictures.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/Utilities.h"
#include "files/ImageFile.h"

extern char** environ;

namespace capture {

namespace {

bool IsFolder(const std::string& path) {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/";
}

// What `xdg-user-dir PICTURES` prints; empty when it cannot run or fails.
std::string AskXdgUserDir() {
    int pipe[2];
    if (::pipe(pipe) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "xdg-user-dir", kind[] = "PICTURES";
    char* arguments[] = {program, kind, nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    std::string answer;
    if (spawned == 0) {
        char buffer[4096];
        for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0 && answer.size() < 65536;)
            answer.append(buffer, static_cast<size_t>(got));
    }
    ::close(pipe[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    return answer;
}

}  // namespace

bool SaveImage(const Image& image, const std::string& path) {
    const std::vector<uint8_t> rgb = image.Rgb();
    return files::SavePicture(rgb.data(), image.Width, image.Height, path);
}

std::string PicturesFolderFrom(const std::string& answer, const std::string& home) {
    std::string folder = answer;
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) folder.pop_back();
    // One line naming an absolute path; xdg-user-dir answers with the home folder itself when
    // no pictures folder is set up, which is the fallback anyway.
    if (folder.find('\n') == std::string::npos && !folder.empty() && folder.front() == '/' && IsFolder(folder))
        return WithSlash(folder);
    return WithSlash(home);
}

std::string PicturesFolder() { return PicturesFolderFrom(AskXdgUserDir(), HomeFolder()); }

std::string NextNumberedPath(const std::string& folder, const std::string& definitionPath, const std::string& extension) {
    std::string stem = base::FileNameOf(definitionPath);
    stem = stem.substr(0, stem.rfind('.'));
    if (stem.empty()) stem = "vorlen";
    for (int number = 1; number <= 1000000; ++number) {
        std::string digits = std::to_string(number);
        if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
        std::string path = WithSlash(folder) + stem + "-" + digits + extension;
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) return path;
    }
    return {};
}

}  // namespace capture
