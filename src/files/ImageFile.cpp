#include "files/ImageFile.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cassert>
#include <vector>

#include "base/Utilities.h"
#include "errors/Checks.h"
#include "errors/ErrorTrail.h"
#include "files/CheckDevIL.h"
#include "files/FileFilters.h"
#include "files/ImageLibrary.h"
#include "files/PictureDecoder.h"
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

// The image library's own write procedures ignore what fwrite and fclose return, so a full
// disk would pass for a saved picture. These remember the first failure instead. They are
// installed for the duration of one save only.
int writeFailure = 0;  // errno of the first failed write of the save in progress, or 0
// The file the save in progress writes, whatever name the library was given: the library
// reads the format's variant from the name's extension, and the file may have no name.
std::string writePath;

void NoteWriteFailure() {
    if (writeFailure == 0) writeFailure = errno != 0 ? errno : EIO;
}
ILHANDLE ILAPIENTRY OpenForWriting(ILconst_string) {
    std::FILE* file = std::fopen(writePath.c_str(), "wb");
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

// Installs the watching write procedures, which write `path`, and lets the library write
// over the file it is given; both are undone on destruction.
class WatchedWrites {
public:
    explicit WatchedWrites(const std::string& path) {
        writePath = path;
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
        WatchedWrites watch(temporary.Path());
        saved = ilSave(type, temporary.Target().c_str());
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
    PicturePart part;
    if (!DecodePictureFile(path, generation0.Width(), generation0.Height(), part)) {
        AddError("Nie można wczytać obrazka z pliku \"" + path + "\"");
        return false;
    }
    for (uint32_t y = 0; y < part.Rows; ++y) {
        const uint8_t* pixel = &part.Rgb[static_cast<size_t>(y) * part.Columns * 3];
        for (uint32_t x = 0; x < part.Columns; ++x, pixel += 3)
            generation0.At(static_cast<int>(x), static_cast<int>(y)).u1 = static_cast<uint32_t>(pixel[0]) << 16 | static_cast<uint32_t>(pixel[1]) << 8 | pixel[2];
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
