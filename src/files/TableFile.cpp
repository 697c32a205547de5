#include "files/TableFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "base/Utilities.h"
#include "errors/ErrorTrail.h"
#include "files/TemporaryFile.h"
#include "stream/Compression.h"
#include "stream/Decompression.h"
#include "stream/File.h"

namespace files {

using cells::Cell;
using cells::CellTable;
using cells::SetBoolField;
using errors::ClearErrors;
using errors::ErrorRaised;
using errors::RaiseError;

namespace {

// The in-memory Cell has the file's record layout; only the byte order must match.
static_assert(std::endian::native == std::endian::little, "table records are little-endian");
constexpr uint32_t RecordSize = 36;
static_assert(sizeof(Cell) == RecordSize);

// Skipped records are read through a buffer of this many records.
constexpr uint32_t SkipRecords = 1820;

constexpr std::string_view CompressedMagic = "VLS1";
constexpr std::string_view PlainMagic = "VLN1";

void EncodeRecord(const Cell& cell, uint8_t* record) {
    std::memcpy(record, &cell, RecordSize);
    for (int i = 0; i < 4; ++i) record[i] = record[i] != 0 ? 1 : 0;
}

// Copies the fields of `record` of which all bytes are among the first `available` ones.
void DecodeRecord(const uint8_t* record, uint32_t available, Cell& cell) {
    if (available >= RecordSize) {
        std::memcpy(&cell, record, RecordSize);
        for (int i = 0; i < 4; ++i) SetBoolField(cell, i, record[i] != 0 ? 1 : 0);
        return;
    }
    for (uint32_t i = 0; i < 4 && i < available; ++i) SetBoolField(cell, static_cast<int>(i), record[i] != 0 ? 1 : 0);
    for (uint32_t offset = 4; offset + 4 <= available; offset += 4)
        std::memcpy(reinterpret_cast<uint8_t*>(&cell) + offset, record + offset, 4);
}

}  // namespace

void WriteCells(stream::Base& stream, const CellTable& table) {
    // One write per row: the records of a row lie in different columns of the table, so the
    // row is gathered first. The row buffer is the only copy.
    const uint32_t width = static_cast<uint32_t>(table.Width());
    std::vector<uint8_t> row(static_cast<size_t>(width) * RecordSize);
    for (int y = 0; y < table.Height(); ++y) {
        for (uint32_t x = 0; x < width; ++x) EncodeRecord(table.At(static_cast<int>(x), y), row.data() + x * RecordSize);
        stream.Write(row.data(), static_cast<uint32_t>(row.size()));
        if (ErrorRaised()) return;
    }
}

void ReadCells(stream::Base& stream, CellTable& table, int32_t width, int32_t height) {
    const int rows = std::min(height, table.Height());
    const uint32_t kept = width > 0 ? static_cast<uint32_t>(std::min(width, table.Width())) : 0;
    const uint64_t skipped = width > 0 ? static_cast<uint64_t>(width) - kept : 0;
    std::vector<uint8_t> row(static_cast<size_t>(kept) * RecordSize);
    std::vector<uint8_t> scratch(skipped > 0 ? SkipRecords * RecordSize : 0);
    for (int y = 0; y < rows; ++y) {
        const uint32_t wanted = static_cast<uint32_t>(row.size());
        const uint32_t delivered = wanted > 0 ? stream.ReadExact(row.data(), wanted) : 0;
        const uint32_t stored = std::min(delivered, wanted);
        for (uint32_t x = 0; x * RecordSize < stored; ++x)
            DecodeRecord(row.data() + x * RecordSize, stored - x * RecordSize, table.At(static_cast<int>(x), y));
        if (ErrorRaised()) break;
        // Columns beyond the world are read and dropped, a bounded block at a time.
        for (uint64_t left = skipped; left > 0 && !ErrorRaised();) {
            const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(left, SkipRecords));
            stream.ReadExact(scratch.data(), count * RecordSize);
            left -= count;
        }
        if (ErrorRaised()) break;
    }
}

FileStatus SaveTable(const CellTable& table, std::string path, bool compressed) {
    if (base::ExtensionOf(path).empty()) path += compressed ? ".vls" : ".vln";
    TemporaryFile temporary;
    if (temporary.Create(path)) {
        stream::File file;
        if (file.Open(temporary.Path(), stream::OpenMode::Write)) {
            file.WriteString(compressed ? CompressedMagic : PlainMagic);
            const int32_t size[2] = {table.Width(), table.Height()};
            file.Write(&size[0], 4);
            file.Write(&size[1], 4);
            if (!compressed) {
                if (!ErrorRaised()) WriteCells(file, table);
            } else if (!ErrorRaised()) {
                stream::Compression compression(file, -1);
                if (!ErrorRaised()) WriteCells(compression, table);
            }
            if (!ErrorRaised()) file.Close();
            if (!ErrorRaised()) temporary.Commit();
        }
    }
    FileStatus status { "Tablica została zapisana", core::StatusInfoColor };
    if (ErrorRaised()) status = { "Błąd - nie można zapisać tablicy", core::StatusWarningColor };
    ClearErrors();
    return status;
}

TableLoad LoadTable(CellTable& table, const std::string& path) {
    bool cellsRead = false;
    {
        stream::File file;
        if (file.Open(path, stream::OpenMode::Read)) {
            std::string magic;
            int32_t width = 0, height = 0;
            file.ReadString(magic, 4);
            if (!ErrorRaised()) file.ReadExact(&width, 4);
            if (!ErrorRaised()) file.ReadExact(&height, 4);
            // A table holds at least one cell; a size below that is a damaged header.
            if (!ErrorRaised() && (magic == CompressedMagic || magic == PlainMagic) && (width < 1 || height < 1))
                RaiseError("Błędny nagłówek");
            if (!ErrorRaised()) {
                if (magic == CompressedMagic) {
                    stream::Decompression decompression(file);
                    if (!ErrorRaised()) {
                        cellsRead = true;
                        ReadCells(decompression, table, width, height);
                    }
                } else if (magic == PlainMagic) {
                    cellsRead = true;
                    ReadCells(file, table, width, height);
                } else {
                    RaiseError("Błędny nagłówek");
                }
            }
        }
    }
    TableLoad load { { "Tablica została wczytana", core::StatusInfoColor }, cellsRead };
    if (ErrorRaised()) load.Status = { "Błąd - nie można wczytać tablicy", core::StatusWarningColor };
    ClearErrors();
    return load;
}

}  // namespace files
