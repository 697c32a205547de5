#pragma once
// Table files: the whole world in one file, compressed (magic "VLS1", the cell records in one
// zlib stream) or plain ("VLN1"). Little-endian throughout:
//   offset 0: magic (4 ASCII bytes), 4: width (int32), 8: height (int32),
//   12: width x height cell records of 36 bytes, row by row (record y * width + x is cell
//   (x, y)), each b1..b4 as one byte (1 or 0), then u1..u4 and f1..f4 as 4 bytes each.

#include <cstdint>
#include <string>

#include "cells/Cell.h"
#include "files/FileStatus.h"
#include "stream/Base.h"

namespace files {

// Writes the records of `table`, row by row, stopping at the first failing write.
void WriteCells(stream::Base& stream, const cells::CellTable& table);

// Reads a file's width x height records into `table`: cells beyond the table's width are
// skipped, rows beyond its height are not read, cells outside the file's size keep their
// values. Stops at the first failed read, keeping every field read before it.
void ReadCells(stream::Base& stream, cells::CellTable& table, int32_t width, int32_t height);

// Saves `table` (the automaton's last completed generation). A path without extension
// receives ".vls" (compressed) or ".vln". The file is written beside the path and renamed over
// it when complete, so a failed save leaves what was there. Ends with the trail empty; the
// status is "Tablica została zapisana" or "Błąd - nie można zapisać tablicy".
FileStatus SaveTable(const cells::CellTable& table, std::string path, bool compressed);

// What LoadTable did: its status, and whether the header was accepted and cell records were
// read, after which the table may have changed even when a later read failed.
struct TableLoad {
    FileStatus Status;
    bool CellsRead { false };
};

// Loads a table file of either format into `table` (generation 0). Ends with the trail empty;
// the status is "Tablica została wczytana" or "Błąd - nie można wczytać tablicy".
TableLoad LoadTable(cells::CellTable& table, const std::string& path);

}  // namespace files
