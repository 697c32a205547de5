#include "core/DefinitionHeader.h"

#include "base/Utilities.h"
#include "core/ScriptMath.h"
#include "core/SpeedScale.h"
#include "errors/ErrorTrail.h"
#include "xnl/TokenConversion.h"
#include "xnl/XNLRead.h"

namespace core {

using errors::AddError;
using errors::ErrorRaised;
using errors::RaiseError;

namespace {

// The markup reader with included files served by an IncludeReader when there is one.
class HeaderReader : public px::CXNLRead {
public:
    HeaderReader(std::string& document, const DefinitionHeader::IncludeReader& includes) : CXNLRead(document), m_includes(includes) {}

protected:
    void LoadInclude(const std::string& dir, const std::string& file, std::string* out) override {
        if (!m_includes) return CXNLRead::LoadInclude(dir, file, out);
        if (!out) return;
        std::string text;
        if (!m_includes(base::JoinPath(dir, base::DefinitionFileName(file)), text) || text.size() > MaxDocumentSize) Fail(px::XnlErrorKind::IncludeError);
        out->append(text);
    }

private:
    const DefinitionHeader::IncludeReader& m_includes;
};

void RaiseSyntaxError(const std::string& name) { RaiseError("Błąd składni w sekcji \"" + name + "\""); }

// Digits only, no sign, at most 4294967295.
bool ParseUnsigned(const std::string& text, uint32_t& value) {
    if (text.empty()) return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + static_cast<uint64_t>(c - '0');
        if (result > UINT32_MAX) return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

// One pair of the Default list: b1..b4, u1..u4 or f1..f4 and its value.
bool SetDefaultField(cells::Cell& cell, const std::string& name, const std::string& value) {
    if (name.size() != 2 || name[1] < '1' || name[1] > '4') return false;
    int index = name[1] - '1';
    uint32_t number = 0;
    switch (name[0]) {
        case 'b': cells::SetBoolField(cell, index, px::ToBool(value) ? 1 : 0); return true;
        case 'u':
            if (!ParseUnsigned(value, number)) return false;
            cells::SetUintField(cell, index, number);
            return true;
        case 'f': cells::SetFloatField(cell, index, base::NarrowToFloat(px::ToFloat(value))); return true;
        default: return false;
    }
}

}  // namespace

bool DefinitionHeader::ParseHeader(std::string& header, const std::string& directory) {
    try {
        HeaderReader reader(header, ReadInclude);
        reader.Begin(directory);
        std::string signature;
        if (!reader.OpenSection() || !reader.ReadText(&signature) || base::Trim(signature) != "Vorlen 1" ||
            !reader.CloseSection(true))
            RaiseError("Błędny nagłówek pliku");
        else
            ParseBody(reader);
    } catch (const px::CXNLError& error) {
        RaiseError(std::string(error.KindText()) + " (wiersz " + base::UIntToStr(error.TextRow) + ", kolumna " +
                   base::UIntToStr(error.TextColumn) + ")");
    } catch (const px::CError& error) {
        RaiseError(error.Message);
    }
    if (ErrorRaised()) {
        AddError("Błąd podczas parsowania nagłówka pliku");
        return false;
    }
    return true;
}

void DefinitionHeader::ParseBody(px::CXNLRead& reader) {
    while (!ErrorRaised() && !reader.AtEnd()) {
        std::string name;
        if (!reader.ReadToken(&name) || !reader.ReadAssign()) {
            RaiseError("Błąd składni");
            return;
        }
        ParseSection(reader, name);
    }
}

void DefinitionHeader::ParseSection(px::CXNLRead& reader, const std::string& name) {
    std::string value;
    if (name == "Title") {
        if (!reader.ReadToken(&value)) return RaiseSyntaxError(name);
        Title = value;
    } else if (name == "Wrap") {
        if (!reader.ReadToken(&value)) return RaiseSyntaxError(name);
        Wrap = px::ToBool(value);
        WrapPresent = true;
    } else if (name == "Buffers") {
        ParseSize(reader, name, Buffers, 3);
    } else if (name == "Width") {
        ParseSize(reader, name, Width, MaxWorldSize);
    } else if (name == "Height") {
        ParseSize(reader, name, Height, MaxWorldSize);
    } else if (name == "Default") {
        ParseDefaultSection(reader);
    } else if (name == "View") {
        // The misspelt "seksji" is the message users have always seen.
        if (!view::ParseViewSection(reader, View)) return RaiseError("Błąd w seksji \"View\"");
        ViewPresent = true;
    } else if (name == "Background") {
        if (!view::ParseBackgroundSection(reader, Background)) return RaiseError("Błąd w sekcji \"Background\"");
        BackgroundPresent = true;
    } else if (name == "Zoom") {
        if (!view::ParseZoomSection(reader, Zoom)) return RaiseError("Błąd w sekcji \"Zoom\"");
    } else if (name == "Filtered") {
        if (!view::ParseFlagSection(reader, Filtered)) return RaiseError("Błąd w sekcji \"Filtered\"");
    } else if (name == "Tiled") {
        if (!view::ParseFlagSection(reader, Tiled)) return RaiseError("Błąd w sekcji \"Tiled\"");
    } else if (name == "Speed") {
        if (!reader.ReadToken(&value)) return RaiseError("Błąd w sekcji \"Speed\"");
        double speed = px::ToFloat(value);
        if (speed == 0.0) return RaiseError("Prędkość \"Speed\" nie może być zerowa");
        IterationPeriod = ClampIterationPeriod(base::NarrowToFloat(1.0 / speed));
    } else if (name == "Running") {
        if (!reader.ReadToken(&value)) return RaiseError("Błąd w sekcji \"Running\"");
        Running = px::ToBool(value);
    } else if (name == "Buttons") {
        if (!ParseButtonsSection(reader)) return RaiseError("Błąd w sekcji \"Buttons\"");
    } else {
        RaiseError("Nieznana nazwa sekcji \"" + name + "\"");
    }
}

void DefinitionHeader::ParseSize(px::CXNLRead& reader, const std::string& name, int& value, int maximum) {
    std::string token;
    if (!reader.ReadToken(&token)) return RaiseSyntaxError(name);
    int32_t number = 0;
    if (px::StrToInt(token, number, 10) != px::StrToIntOk || number < 1 || number > maximum)
        return RaiseError("Błędna liczba w sekcji \"" + name + "\": \"" + token + "\"");
    value = number;
}

bool DefinitionHeader::ParseDefaultSection(px::CXNLRead& reader) {
    if (!WrapPresent) {
        RaiseError("Sekcję \"Default\" musi poprzedzać sekcja \"Wrap\"");
        return false;
    }
    if (Wrap) {
        RaiseError("Sekcja \"Default\" może wystąpić tylko, kiedy \"Wrap\" = false");
        return false;
    }
    bool ok = reader.OpenSection();
    std::string name;
    std::string value;
    while (ok && reader.ReadToken(&name))
        ok = reader.ReadAssign() && reader.ReadToken(&value) && SetDefaultField(DefaultCell, name, value);
    if (ok && reader.CloseSection(true)) return true;
    AddError("Błąd w sekcji \"Default\"");
    return false;
}

bool DefinitionHeader::ParseButtonsSection(px::CXNLRead& reader) {
    if (!reader.OpenSection()) return false;
    std::string token;
    std::string label;
    while (reader.ReadToken(&token)) {
        int32_t number = 0;
        // Digits only: 10 names the digit key 0's button to the script, not here.
        if (px::StrToInt(token, number, 10) != px::StrToIntOk || number < 0 || number > 9) return false;
        std::string& slotLabel = ButtonLabels[static_cast<size_t>(ButtonSlot(number))];
        if (!slotLabel.empty()) return false;
        if (!reader.ReadAssign() || !reader.ReadToken(&label) || label.empty()) return false;
        slotLabel = label;
    }
    return reader.CloseSection(true);
}

bool DefinitionHeader::CheckHeader() const {
    const char* missing = nullptr;
    if (Title.empty()) missing = "Title";
    else if (!WrapPresent) missing = "Wrap";
    else if (Buffers == 0) missing = "Buffers";
    else if (Width == 0) missing = "Width";
    else if (Height == 0) missing = "Height";
    else if (!ViewPresent) missing = "View";
    if (missing) {
        RaiseError(std::string("Brak sekcji \"") + missing + "\"");
        return false;
    }
    if (Buffers < 3 && view::RequiresTripleBuffering(View)) {
        RaiseError("Ustawienia sekcji \"View\" wymagają potrójnego buforowania");
        return false;
    }
    if (!BackgroundPresent) {
        RaiseError("Brak sekcji \"Background\"");
        return false;
    }
    return true;
}

}  // namespace core
