#include "files/ImageFile.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "errors/Checks.h"
#include "errors/ErrorTrail.h"
#include "files/CheckDevIL.h"
#include "files/FileFilters.h"
#include "files/TemporaryFile.h"
#include "stream/Utilities.h"

namespace {

// One image name of the library, generated and bound for one operation. Errors that earlier
// users left in the library's queue are dropped first, so checks see only this operation's.
class BoundImage {
public:
    BoundImage() {
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
    const std::string extension = ToLower(ExtensionOf(path));
    if (extension.empty()) return IL_TYPE_UNKNOWN;
    for (const NamedType& named : SaveTypes)
        if (extension == named.Extension) return named.Type;
    return ilTypeFromExt(path.c_str());
}

bool LoadBoundImage(const std::string& path) {
    if (ToLower(ExtensionOf(path)) == ".raw") return ilLoad(IL_RAW, path.c_str());
    return ilLoadImage(path.c_str());
}

// Writes the bound image to `path` in `type` through a temporary file beside it.
bool SaveBoundImage(const std::string& path, ILenum type, const std::string& failure) {
    TemporaryFile temporary;
    if (!temporary.Create(path)) {
        AddError(failure);
        return false;
    }
    std::FILE* out = std::fopen(temporary.Path().c_str(), "wb");
    if (!out) {
        CheckSystem("");
        AddError(failure);
        return false;
    }
    const ILuint written = ilSaveF(type, out);
    int writeError = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) writeError = errno != 0 ? errno : EIO;
    if (std::fclose(out) != 0 && writeError == 0) writeError = errno;
    if (CheckDevIL(failure)) return false;
    if (written == 0) {
        RaiseError(failure);
        return false;
    }
    if (writeError != 0) {
        CheckSystemCode(writeError, "");
        AddError(failure);
        return false;
    }
    if (!temporary.Commit()) {
        AddError(failure);
        return false;
    }
    return true;
}

bool WriteImage(const CellTable& table, const std::string& path) {
    BoundImage image;
    const int width = table.Width(), height = table.Height();
    std::vector<ILubyte> pixels(table.CellCount() * 3);
    for (int x = 0; x < width; ++x) {
        const Cell* column = table.Column(x);
        for (int y = 0; y < height; ++y) {
            ILubyte* pixel = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            pixel[0] = static_cast<ILubyte>(column[y].u1 >> 16);
            pixel[1] = static_cast<ILubyte>(column[y].u1 >> 8);
            pixel[2] = static_cast<ILubyte>(column[y].u1);
        }
    }
    const bool made = ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, pixels.data());
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

void CopyGeneration0ToAll(std::span<CellTable> generations) {
    for (size_t i = 1; i < generations.size(); ++i) generations[i].CopyFrom(generations[0]);
}

}  // namespace

bool ImportImage(CellTable& generation0, const std::string& path) {
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

FileStatus ExportImage(const CellTable& generation0, std::string path, int filterIndex) {
    if (ExtensionOf(path).empty() && filterIndex >= 1 && filterIndex <= 11)
        path += SaveImageFilters[static_cast<size_t>(filterIndex - 1)].DefaultExtension;
    WriteImage(generation0, path);
    FileStatus status { "Obrazek został zapisany", StatusColorSuccess };
    if (ErrorRaised()) status = { "Błąd - nie można zapisać obrazka", StatusColorFailure };
    ClearErrors();
    return status;
}

FileStatus LoadImageIntoWorld(std::span<CellTable> generations, const std::string& path, const ScriptCallback& onLoadImage) {
    if (!ImportImage(generations[0], path)) {
        ClearErrors();
        return { "Błąd - nie można wczytać obrazka", StatusColorFailure };
    }
    CopyGeneration0ToAll(generations);
    if (onLoadImage) {
        onLoadImage();
        if (!ErrorRaised()) CopyGeneration0ToAll(generations);
    }
    if (ErrorRaised()) {
        ClearErrors();
        return { "Nie można wykonać funkcji OnLoadImage()", StatusColorFailure };
    }
    return { "Obrazek został wczytany", StatusColorSuccess };
}

FileStatus SaveWorldAsImage(std::span<CellTable> generations, const std::string& path, int filterIndex,
                            const ScriptCallback& onSaveImage) {
    if (onSaveImage) {
        onSaveImage();
        if (!ErrorRaised()) {
            if (generations.size() == 3) generations[2].CopyFrom(generations[1]);
            if (generations.size() >= 2) generations[1].CopyFrom(generations[0]);
        }
    }
    if (ErrorRaised()) {
        ClearErrors();
        return { "Nie można wykonać funkcji OnSaveImage()", StatusColorFailure };
    }
    return ExportImage(generations[0], path, filterIndex);
}
