#include "files/PictureDecoder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/Utilities.h"
#include "errors/Checks.h"
#include "errors/ErrorTrail.h"
#include "files/PictureProtocol.h"

extern char** environ;

namespace files {

using errors::AddError;
using errors::CheckSystem;
using errors::CheckSystemCode;
using errors::RaiseError;

namespace {

constexpr const char* DecoderName = "vorlen-decode";

std::string& ChosenDecoder() {
    static std::string program;
    return program;
}

bool Executable(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A descriptor closed when it goes out of scope.
class Handle {
public:
    explicit Handle(int handle = -1) : m_handle(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    int Get() const { return m_handle; }
    void Close() {
        if (m_handle >= 0) ::close(m_handle);
        m_handle = -1;
    }

private:
    int m_handle;
};

// Opens the picture for reading: a regular file only, so that neither the importer nor the
// decoder can wait on a pipe or read a device that never ends.
int OpenPicture(const std::string& path) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (handle < 0) {
        CheckSystem("");
        return -1;
    }
    struct stat status {};
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(handle);
        RaiseError("To nie jest zwykły plik");
        return -1;
    }
    ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
    return handle;
}

// Starts the decoder with the picture as its standard input and `answer` as its standard
// output; every other descriptor of this process stays closed to it, its signals are the
// default ones, and it runs in a process group of its own (a terminal's Ctrl+C is the
// importer's to handle). False, with the reason on the trail, when it cannot be started.
bool StartDecoder(const std::string& program, int picture, int answer, const std::vector<std::string>& arguments, pid_t& child) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, picture, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, answer, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    std::vector<char*> argv;
    std::vector<std::string> words = arguments;
    words.insert(words.begin(), program);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int result = posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result == 0) return true;
    CheckSystemCode(result, "");
    AddError("Nie można uruchomić dekodera obrazków \"" + program + "\"");
    return false;
}

// What came through the pipe: the header once it is complete, then the pixels.
class Answer {
public:
    Answer(uint32_t columns, uint32_t rows) : m_columnsAsked(columns), m_rowsAsked(rows) {}

    // Takes the next bytes; false as soon as they cannot belong to a consistent answer.
    bool Take(const uint8_t* data, size_t size) {
        if (!m_headerRead) {
            const size_t part = std::min(size, sizeof(PictureAnswerHeader) - m_received.size());
            m_received.insert(m_received.end(), data, data + part);
            data += part;
            size -= part;
            if (m_received.size() < sizeof(PictureAnswerHeader)) return true;
            std::memcpy(&m_header, m_received.data(), sizeof m_header);
            m_headerRead = true;
            const PictureAnswerHeader& h = m_header;
            if (!std::equal(std::begin(h.Magic), std::end(h.Magic), std::begin(PictureAnswerMagic)) || h.Width < 1 || h.Height < 1 ||
                h.Width > MaxPictureSide || h.Height > MaxPictureSide || h.Columns != std::min(h.Width, m_columnsAsked) ||
                h.Rows != std::min(h.Height, m_rowsAsked))
                return false;
            // At most the size asked for, which the importer chose: never what a header says.
            m_expected = sizeof h + static_cast<size_t>(h.Columns) * h.Rows * 3;
            m_received.reserve(m_expected);
        }
        if (size > m_expected - m_received.size()) return false;
        m_received.insert(m_received.end(), data, data + size);
        return true;
    }
    bool Complete() const { return m_headerRead && m_received.size() == m_expected; }
    void MoveInto(PicturePart& part) {
        part.Width = m_header.Width;
        part.Height = m_header.Height;
        part.Columns = m_header.Columns;
        part.Rows = m_header.Rows;
        part.Rgb.assign(m_received.begin() + sizeof(PictureAnswerHeader), m_received.end());
    }

private:
    uint32_t m_columnsAsked, m_rowsAsked;
    std::vector<uint8_t> m_received;
    PictureAnswerHeader m_header {};
    bool m_headerRead { false };
    size_t m_expected { sizeof(PictureAnswerHeader) };
};

enum class Reading { Ended, Nonsense, TimedOut };

// Reads the answer until the child closes the pipe, sends too much or the time is up.
Reading ReadAnswer(int pipe, double deadline, Answer& answer) {
    uint8_t buffer[65536];
    for (;;) {
        const double left = deadline - base::GetTime();
        if (left <= 0) return Reading::TimedOut;
        pollfd ready { pipe, POLLIN, 0 };
        const int polled = ::poll(&ready, 1, static_cast<int>(left * 1000) + 1);
        if (polled < 0 && errno != EINTR) return Reading::TimedOut;
        if (polled <= 0) continue;
        const ssize_t got = ::read(pipe, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return Reading::Ended;
        if (!answer.Take(buffer, static_cast<size_t>(got))) return Reading::Nonsense;
    }
}

// Waits for the child until `deadline`, then kills it; it is always reaped.
int Reap(pid_t child, double deadline, bool kill) {
    int status = 0;
    if (kill) ::kill(child, SIGKILL);
    for (;;) {
        const pid_t done = ::waitpid(child, &status, kill ? 0 : WNOHANG);
        if (done == child) return status;
        if (done < 0 && errno != EINTR) return 0;
        if (!kill && base::GetTime() >= deadline) {
            kill = true;
            ::kill(child, SIGKILL);
        } else if (!kill) {
            ::usleep(1000);
        }
    }
}

void RaiseDecoderFailure(int status) {
    if (WIFSIGNALED(status)) {
        RaiseError("Dekoder obrazków zakończył się sygnałem " + base::IntToStr(WTERMSIG(status)));
        return;
    }
    switch (static_cast<DecoderExit>(WEXITSTATUS(status))) {
        case DecoderExit::UnknownFormat: RaiseError("Nieznany format obrazka"); return;
        case DecoderExit::Incomplete: RaiseError("Plik obrazka jest niekompletny"); return;
        case DecoderExit::Undecodable: RaiseError("Obrazek jest uszkodzony"); return;
        case DecoderExit::BadRequest: RaiseError("Dekoder obrazków nie przyjął zlecenia"); return;
        default: RaiseError("Dekoder obrazków zakończył się kodem " + base::IntToStr(WEXITSTATUS(status))); return;
    }
}

}  // namespace

void SetPictureDecoder(std::string program) { ChosenDecoder() = std::move(program); }

std::string PictureDecoderProgram() {
    if (!ChosenDecoder().empty()) return ChosenDecoder();
    const std::string directory = base::ModuleDirectory();
    for (const std::string& candidate : {directory + DecoderName, directory + "../libexec/vorlen/" + DecoderName})
        if (Executable(candidate)) return candidate;
    return "";
}

bool DecodePictureFile(const std::string& path, int columns, int rows, PicturePart& part) {
    const std::string program = PictureDecoderProgram();
    if (program.empty()) {
        RaiseError("Nie znaleziono dekodera obrazków");
        return false;
    }
    Handle picture(OpenPicture(path));
    if (picture.Get() < 0) return false;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        CheckSystem("");
        return false;
    }
    Handle reading(ends[0]), writing(ends[1]);
    const std::string extension = base::ToLower(base::ExtensionOf(path));
    const std::vector<std::string> arguments = {base::IntToStr(columns), base::IntToStr(rows), extension.empty() ? "-" : extension, base::IntToStr(getpid())};
    pid_t child = 0;
    if (!StartDecoder(program, picture.Get(), writing.Get(), arguments, child)) return false;
    writing.Close();
    picture.Close();

    const double deadline = base::GetTime() + DecoderWallSeconds;
    Answer answer(static_cast<uint32_t>(columns), static_cast<uint32_t>(rows));
    const Reading outcome = ReadAnswer(reading.Get(), deadline, answer);
    reading.Close();
    const int status = Reap(child, deadline, outcome != Reading::Ended);
    if (outcome == Reading::TimedOut) {
        RaiseError("Dekoder obrazków nie odpowiedział w ciągu " + base::FloatToStr(DecoderWallSeconds, 'g', 3) + " s");
        return false;
    }
    if (outcome == Reading::Nonsense) {
        RaiseError("Błędna odpowiedź dekodera obrazków");
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        RaiseDecoderFailure(status);
        return false;
    }
    if (!answer.Complete()) {
        RaiseError("Błędna odpowiedź dekodera obrazków");
        return false;
    }
    answer.MoveInto(part);
    return true;
}

}  // namespace files
