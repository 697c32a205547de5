#include "files/ImageFile.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cassert>
#include <sys/stat.h>
#include <vector>

#include "base/Utilities.h"
#include "errors/Checks.h"
#include "errors/ErrorTrail.h"
#include "files/CheckDevIL.h"
#include "files/FileFilters.h"
#include "files/ImageLibrary.h"
#include "files/TemporaryFile.h"

namespace files {

using errors::AddError;
using errors::CheckSystemCode;
using errors::ClearErrors;
using errors::ErrorRaised;
using errors::RaiseError;

namespace {

// One image name of the library, generated and bound for one operation. Errors that earlier
// users left in the library's queue are dropped first, so checks see only this operation's.
class BoundImage {
public:
    BoundImage() {
        assert(ImageLibrary::Initialised() && "an ImageLibrary object must exist while pictures are used");
        DiscardDevILErrors();
        m_name = iluGenImage();
        ilBindImage(m_name);
    }
    ~BoundImage() { iluDeleteImage(m_name); }
    BoundImage(const BoundImage&) = delete;
    BoundImage& operator=(const BoundImage&) = delete;

private:
    ILuint m_name { 0 };
};

// The library's own choice by extension misses ".pnm" when saving and ".raw" when loading,
// so the save-list formats are named here.
struct NamedType {
    const char* Extension;
    ILenum Type;
};
constexpr NamedType SaveTypes[] = {
    {".bmp", IL_BMP}, {".jpg", IL_JPG}, {".jpeg", IL_JPG}, {".png", IL_PNG}, {".tga", IL_TGA},
    {".tif", IL_TIF}, {".tiff", IL_TIF}, {".pcx", IL_PCX}, {".dds", IL_DDS}, {".pnm", IL_PNM},
    {".raw", IL_RAW}, {".sgi", IL_SGI}, {".pal", IL_JASC_PAL},
};

ILenum SaveTypeOf(const std::string& path) {
    const std::string extension = base::ToLower(base::ExtensionOf(path));
    if (extension.empty()) return IL_TYPE_UNKNOWN;
    for (const NamedType& named : SaveTypes)
        if (extension == named.Extension) return named.Type;
    return ilTypeFromExt(path.c_str());
}

// A raw picture has no signature: any file reads as one, and the library takes the sizes of
// its header on trust (a header promising more than memory holds crashes it). The header is
// width, height and depth (4 bytes each), bytes per pixel and bytes per channel (1 each).
bool PlausibleRawPicture(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return true;  // the library reports the open failure
    uint8_t header[14] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    if (got < sizeof header) return false;
    auto u32 = [&](int at) { return static_cast<uint64_t>(header[at]) | static_cast<uint64_t>(header[at + 1]) << 8 |
                                    static_cast<uint64_t>(header[at + 2]) << 16 | static_cast<uint64_t>(header[at + 3]) << 24; };
    const uint64_t factors[] = {u32(0), u32(4), u32(8), header[12], header[13]};
    if (factors[3] == 0 || factors[3] > 4 || (factors[4] != 1 && factors[4] != 2 && factors[4] != 4)) return false;
    // The product of the sizes, stopping as soon as it exceeds the data the file holds.
    const uint64_t data = size > 14 ? static_cast<uint64_t>(size) - 14 : 0;
    uint64_t bytes = 1;
    for (uint64_t factor : factors) {
        if (factor == 0 || bytes > data / factor) return false;
        bytes *= factor;
    }
    return true;
}

bool LoadBoundImage(const std::string& path) {
    // The library would wait forever on a pipe; only regular files are pictures.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return false;
    if (base::ToLower(base::ExtensionOf(path)) != ".raw") return ilLoadImage(path.c_str());
    // Refused here: the caller reports it as any other unreadable picture.
    if (!PlausibleRawPicture(path)) return false;
    return ilLoad(IL_RAW, path.c_str());
}

// The image library's own write procedures ignore what fwrite and fclose return, so a full
// disk would pass for a saved picture. These remember the first failure instead. They are
// installed for the duration of one save only.
int writeFailure = 0;  // errno of the first failed write of the save in progress, or 0

void NoteWriteFailure() {
    if (writeFailure == 0) writeFailure = errno != 0 ? errno : EIO;
}
ILHANDLE ILAPIENTRY OpenForWriting(ILconst_string name) {
    std::FILE* file = std::fopen(name, "wb");
    if (!file) NoteWriteFailure();
    return file;
}
void ILAPIENTRY CloseWritten(ILHANDLE handle) {
    if (handle && std::fclose(static_cast<std::FILE*>(handle)) != 0) NoteWriteFailure();
}
ILint ILAPIENTRY PutWritten(ILubyte byte, ILHANDLE handle) {
    const int result = std::fputc(byte, static_cast<std::FILE*>(handle));
    if (result == EOF) NoteWriteFailure();
    return result;
}
ILint ILAPIENTRY SeekWritten(ILHANDLE handle, ILint offset, ILint origin) {
    return std::fseek(static_cast<std::FILE*>(handle), offset, origin);
}
ILint ILAPIENTRY TellWritten(ILHANDLE handle) {
    return static_cast<ILint>(std::ftell(static_cast<std::FILE*>(handle)));
}
ILint ILAPIENTRY WriteWritten(const void* data, ILuint size, ILuint count, ILHANDLE handle) {
    // Some writers write empty blocks from a null pointer.
    if (size == 0 || count == 0) return 0;
    const size_t written = std::fwrite(data, size, count, static_cast<std::FILE*>(handle));
    if (written != count) NoteWriteFailure();
    return static_cast<ILint>(written);
}

// Installs the watching write procedures and lets the library write over the (temporary)
// file it is given; both are undone on destruction.
class WatchedWrites {
public:
    WatchedWrites() {
        writeFailure = 0;
        m_overwrite = ilIsEnabled(IL_FILE_OVERWRITE);
        ilEnable(IL_FILE_OVERWRITE);
        ilSetWrite(OpenForWriting, CloseWritten, PutWritten, SeekWritten, TellWritten, WriteWritten);
    }
    ~WatchedWrites() {
        ilResetWrite();
        if (!m_overwrite) ilDisable(IL_FILE_OVERWRITE);
    }
    WatchedWrites(const WatchedWrites&) = delete;
    WatchedWrites& operator=(const WatchedWrites&) = delete;

private:
    ILboolean m_overwrite { IL_FALSE };
};

// Writes the bound image to `path` in `type` through a temporary file beside it.
bool SaveBoundImage(const std::string& path, ILenum type, const std::string& failure) {
    TemporaryFile temporary;
    if (!temporary.Create(path)) {
        AddError(failure);
        return false;
    }
    bool saved = false;
    {
        WatchedWrites watch;
        saved = ilSave(type, temporary.Path().c_str());
    }
    if (CheckDevIL(failure)) return false;
    if (!saved) {
        RaiseError(failure);
        return false;
    }
    if (writeFailure != 0) {
        CheckSystemCode(writeFailure, "");
        AddError(failure);
        return false;
    }
    if (!temporary.Commit()) {
        AddError(failure);
        return false;
    }
    return true;
}

bool WriteImage(const cells::CellTable& table, const std::string& path) {
    const int width = table.Width(), height = table.Height();
    std::vector<uint8_t> pixels(table.CellCount() * 3);
    for (int x = 0; x < width; ++x) {
        const cells::Cell* column = table.Column(x);
        for (int y = 0; y < height; ++y) {
            uint8_t* pixel = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            pixel[0] = static_cast<uint8_t>(column[y].u1 >> 16);
            pixel[1] = static_cast<uint8_t>(column[y].u1 >> 8);
            pixel[2] = static_cast<uint8_t>(column[y].u1);
        }
    }
    return SavePicture(pixels.data(), width, height, path);
}

}  // namespace

bool IsPictureName(const std::string& path) { return SaveTypeOf(path) != IL_TYPE_UNKNOWN; }

bool SavePicture(const uint8_t* rgb, int width, int height, const std::string& path) {
    BoundImage image;
    const bool made = ilTexImage(static_cast<ILuint>(width), static_cast<ILuint>(height), 1, 3, IL_RGB, IL_UNSIGNED_BYTE,
                                 const_cast<uint8_t*>(rgb));
    if (CheckDevIL("Nie można wpisać pikseli obrazka")) return false;
    if (!made) {
        RaiseError("Nie można wpisać pikseli obrazka");
        return false;
    }
    // The buffer holds the top row first. Declaring that as the image's origin lets every
    // writer store the rows in its format's own order; flipping by a table of extensions
    // turned some formats upside down.
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    const std::string failure = "Nie można zapisać obrazka do pliku \"" + path + "\"";
    const ILenum type = SaveTypeOf(path);
    if (type == IL_TYPE_UNKNOWN) {
        RaiseError(failure);
        return false;
    }
    return SaveBoundImage(path, type, failure);
}

bool ImportImage(cells::CellTable& generation0, const std::string& path) {
    BoundImage image;
    if (!LoadBoundImage(path)) {
        const std::string message = "Nie można wczytać obrazka z pliku \"" + path + "\"";
        if (!CheckDevIL(message)) RaiseError(message);
        return false;
    }
    const int width = ilGetInteger(IL_IMAGE_WIDTH);
    const int height = ilGetInteger(IL_IMAGE_HEIGHT);
    const int columns = std::min(width, generation0.Width());
    const int rows = std::min(height, generation0.Height());
    // A picture whose origin is the lower left corner holds its bottom row first: its top
    // rows are the last ones in the library's memory.
    const bool bottomUp = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
    std::vector<ILubyte> pixels(static_cast<size_t>(std::max(columns, 0)) * std::max(rows, 0) * 3);
    if (!pixels.empty())
        ilCopyPixels(0, bottomUp ? height - rows : 0, 0, columns, rows, 1, IL_RGB, IL_UNSIGNED_BYTE, pixels.data());
    if (CheckDevIL("Nie można pobrać pikseli z obrazka")) return false;
    for (int y = 0; y < rows; ++y) {
        const ILubyte* row = &pixels[static_cast<size_t>(bottomUp ? rows - 1 - y : y) * columns * 3];
        for (int x = 0; x < columns; ++x) {
            const ILubyte* pixel = row + static_cast<size_t>(x) * 3;
            generation0.At(x, y).u1 = static_cast<uint32_t>(pixel[0]) << 16 | static_cast<uint32_t>(pixel[1]) << 8 | pixel[2];
        }
    }
    return true;
}

FileStatus ExportImage(const cells::CellTable& generation0, std::string path, int filterIndex) {
    if (base::ExtensionOf(path).empty() && filterIndex >= 1 && filterIndex <= 11)
        path += SaveImageFilters[static_cast<size_t>(filterIndex - 1)].DefaultExtension;
    WriteImage(generation0, path);
    FileStatus status { "Obrazek został zapisany", core::StatusInfoColor };
    if (ErrorRaised()) status = { "Błąd - nie można zapisać obrazka", core::StatusWarningColor };
    ClearErrors();
    return status;
}

}  // namespace files
