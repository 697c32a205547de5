#pragma once
// The header of a definition file: the settings it gives and the reader that fills them in,
// item by item, with the rules that every header must satisfy.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "cells/Cell.h"
#include "core/ScriptControls.h"
#include "view/ViewSettings.h"

namespace core {

class DefinitionHeader {
public:
    static constexpr int MaxWorldSize = 1000;

    // Reads the header text (rewritten in place by the reader's preprocessor); `directory`
    // resolves included files. False with the chain in the trail, ending with "Błąd podczas
    // parsowania nagłówka pliku". An exception of the markup reader becomes such a failure
    // whose first entry names the problem and its place.
    bool ParseHeader(std::string& header, const std::string& directory);
    // The required items, in order; the first missing one is raised.
    bool CheckHeader() const;

    // Reads an included file (its path resolved against the header's directory) into the
    // text; false when it cannot be read. Empty: files are read from disk. For definitions
    // that live in memory (the fuzz targets).
    using IncludeReader = std::function<bool(const std::string& path, std::string& text)>;
    IncludeReader ReadInclude;

    std::string Title;
    bool Wrap { false };
    bool WrapPresent { false };
    int Buffers { 0 };  // 0: absent
    int Width { 0 };
    int Height { 0 };
    cells::Cell DefaultCell {};
    view::ViewSettings View;
    bool ViewPresent { false };
    uint32_t Background { 0 };
    bool BackgroundPresent { false };
    float Zoom { 1.0f };              // as read; the automaton clamps it
    bool Filtered { false };
    bool Tiled { false };
    float IterationPeriod { 1.0f };   // seconds, already clamped to [0.00001, 10]
    bool Running { false };
    std::array<std::string, UserButtonCount> ButtonLabels;  // by slot (ButtonSlot)

private:
    // One item whose name and assignment mark have been read.
    void ParseSection(px::CXNLRead& reader, const std::string& name);
    bool ParseDefaultSection(px::CXNLRead& reader);
    bool ParseButtonsSection(px::CXNLRead& reader);
    void ParseSize(px::CXNLRead& reader, const std::string& name, int& value, int maximum);
    void ParseBody(px::CXNLRead& reader);
};

}  // namespace core
