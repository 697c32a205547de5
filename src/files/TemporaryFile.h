#pragma once
// A new file beside a save target that replaces the target only once it is complete, so a
// save that fails half-way leaves the old file as it was.

#include <string>

namespace files {

class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // Removes the file unless it was committed.
    ~TemporaryFile();

    // Creates a new empty file in the target's directory, named after the target and ending
    // in the target's extension (image writers choose their format by it). It gets the
    // target's permissions when the target exists, else those of a newly created file.
    // A symbolic link as target is followed: the file it names is the one replaced.
    // False, with "Nie można otworzyć pliku \"" + target + "\"" on the trail, on failure.
    bool Create(const std::string& target);
    const std::string& Path() const { return m_path; }
    // Renames the file over the target; false, with the reason on the trail, on failure.
    bool Commit();

private:
    std::string m_path;
    std::string m_target;
    bool m_committed { false };
};

}  // namespace files
