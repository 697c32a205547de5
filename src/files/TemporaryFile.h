#pragma once
// A new file beside a save target that replaces the target only once it is complete, so a
// save that fails half-way leaves the old file as it was.
//
// The file has no name while it is written (Linux's O_TMPFILE): a save that is killed leaves
// nothing behind. Committing gives it the name "." + target name + ".part" + extension for
// the moment before it is renamed over the target. Where the file system cannot make a file
// without a name, it is written under that name from the start; a later save of the same
// target then replaces what a killed one left there.

#include <string>

namespace files {

class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // Closes the file; unless it was committed, nothing of it stays.
    ~TemporaryFile();

    // Creates the new empty file in the target's directory. It gets the target's permissions
    // when the target exists, else those of a newly created file. A symbolic link as target,
    // also one whose file does not exist, is followed: the file it names is the one written.
    // False, with "Nie można otworzyć pliku \"" + target + "\"" on the trail, on failure.
    bool Create(const std::string& target);
    // A path that opens the file for writing (it may have no name of its own).
    const std::string& Path() const { return m_path; }
    // The file the save replaces: the target with its links followed.
    const std::string& Target() const { return m_target; }
    // Puts the file in place of the target; false, with the reason on the trail, on failure.
    bool Commit();

    // The name a file has while it is put in place, or is written under when the file system
    // has no nameless files.
    static std::string PartName(const std::string& target);

private:
    int m_handle { -1 };
    std::string m_path;
    std::string m_target;
    std::string m_named;  // the name the file has now, empty while it has none
    bool m_committed { false };
};

}  // namespace files
