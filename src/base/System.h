#pragma once
// Operating-system services the core needs, on POSIX.

#include <optional>
#include <string>

namespace base {

// Full path of the running executable (from /proc/self/exe); empty when unknown.
std::string ExecutablePath();

// The machine's host name, or nothing when it cannot be read.
std::optional<std::string> HostName();

// The name of the effective user, or nothing when it cannot be read.
std::optional<std::string> UserName();

// $XDG_STATE_HOME/vorlen/ (default ~/.local/state/vorlen/) with its trailing slash.
// The directory is not created here.
std::string StateDirectory();

// Creates a directory and its missing parents (mode 0755); true when it exists afterwards.
bool MakeDirectories(const std::string& path);

// Monotonic clock in seconds from an arbitrary origin.
double MonotonicSeconds();

// Starts `xdg-open path` fully detached (double fork, no waiting on the viewer).
// The outcome is deliberately ignored: the caller has nothing it could do about it.
void OpenWithDesktop(const std::string& path);

}  // namespace base
