#pragma once
// Small shared helpers: the clock, text, number formatting, paths, whole-file reading and
// command-line splitting. Paths use '/' as their separator.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// Seconds from an arbitrary origin on a monotonic clock; never goes backwards.
double GetTime();

// True for an existing path that is not a directory; false for the empty path.
bool FileExists(std::string_view path);

// Lower-cases ASCII letters and the nine Polish capitals (as UTF-8); other bytes unchanged.
std::string ToLower(std::string_view text);
// Removes leading and trailing tabs, line feeds, carriage returns and blanks.
std::string Trim(std::string_view text);

// Digits in `radix` (2..36), most significant first; letters for digits of 10 and above.
std::string IntToStr(int32_t value, int radix = 10, bool upperCase = false);
std::string UIntToStr(uint32_t value, int radix = 10, bool upperCase = false);
// printf's "%.<precision><conversion>" in the C locale, whatever locale the process runs in.
// The conversion is one of e E f F g G a A.
std::string FloatToStr(double value, char conversion = 'f', int precision = 2);

// Full path of the running executable, and its directory with the trailing '/'.
std::string ModulePath();
std::string ModuleDirectory();

// Where a data file of the programs ("buttons.tga") is: beside the executable, else in
// ../share/vorlen/ relative to it (an installed layout). When neither exists, the path beside
// the executable, so that a failed load names the first place looked at.
std::string DataFilePath(std::string_view name);

// Everything up to and including the last '/'; empty when there is none.
std::string DirectoryOf(std::string_view path);
// Everything after the last '/'; the whole path when there is none.
std::string FileNameOf(std::string_view path);
// The extension with its dot ("a/b.vl" -> ".vl"), or empty: none after the last '/', and a
// name that is only a dot and letters (".vl") has none.
std::string ExtensionOf(std::string_view path);

// A name with a root ('/' first) as it is; otherwise `directory` + '/' + name, normalised.
std::string JoinPath(std::string_view directory, std::string_view name);
// Drops "." components and resolves ".." against the component before it. A leading '/'
// stays, ".." at the root stays at the root, and leading ".." of a relative path are kept.
std::string NormalizePath(std::string_view path);
// A file name as written in a definition file: backslashes count as '/'.
std::string DefinitionFileName(std::string_view name);

// Replaces `text` with the file's bytes, unconverted. False when the file cannot be opened
// (text untouched) or a read fails (text keeps what was read).
bool ReadTextFile(const std::string& path, std::string& text);

// Takes the next argument of a command line from `position` on: quoted arguments lose their
// quotes, others end at a space character. False when there is none left.
bool NextArgument(std::string_view text, std::string& argument, size_t& position);

}  // namespace base
