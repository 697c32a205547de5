#include "capture/Recorder.h"

#include <cmath>

#include "base/Utilities.h"
#include "capture/MovieEncoder.h"
#include "errors/ErrorTrail.h"
#include "files/ImageFile.h"

namespace capture {

using errors::AddError;
using errors::RaiseError;

namespace {

// The one number conversion of a pattern: where it starts and ends in the name, and its form.
struct Conversion {
    size_t Start { 0 }, End { 0 };
    bool Zeros { false };
    int Width { 0 };
};

// Finds the conversion of a file name: exactly one "%d" with an optional 0 and a width of
// one digit; "%%" stands for "%"; any other "%" refuses the name.
bool FindConversion(const std::string& name, Conversion& found, std::string& reason) {
    int conversions = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') continue;
        if (i + 1 < name.size() && name[i + 1] == '%') {
            ++i;
            continue;
        }
        Conversion conversion;
        conversion.Start = i;
        size_t at = i + 1;
        if (at < name.size() && name[at] == '0') conversion.Zeros = true, ++at;
        if (at < name.size() && name[at] >= '1' && name[at] <= '9') conversion.Width = name[at++] - '0';
        if (at >= name.size() || name[at] != 'd') {
            reason = "wzorzec nazw obrazków dopuszcza tylko %d, %5d lub %05d";
            return false;
        }
        conversion.End = at + 1;
        found = conversion;
        ++conversions;
        i = at;
    }
    if (conversions != 1) {
        reason = conversions == 0 ? "nazwa nie jest ani filmem (.mp4, .webm, .mkv, .gif), ani wzorcem nazw obrazków z %d"
                                  : "wzorzec nazw obrazków może mieć tylko jeden numer %d";
        return false;
    }
    return true;
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
    }
    return out;
}

}  // namespace

RecordingKind RecordingKindOf(const std::string& path, std::string* reason) {
    std::string why;
    const std::string name = base::FileNameOf(path);
    if (base::DirectoryOf(path).find('%') == std::string::npos && name.find('%') != std::string::npos) {
        Conversion conversion;
        if (!FindConversion(name, conversion, why)) {
            if (reason) *reason = why;
            return RecordingKind::None;
        }
        if (!files::IsPictureName(NumberedName(path, 1))) {
            if (reason) *reason = "nieznany format obrazków \"" + base::ExtensionOf(name) + "\"";
            return RecordingKind::None;
        }
        return RecordingKind::Pictures;
    }
    if (name.find('%') == std::string::npos && IsMovieExtension(base::ToLower(base::ExtensionOf(name))))
        return RecordingKind::Movie;
    if (reason)
        *reason = base::DirectoryOf(path).find('%') != std::string::npos
                      ? "numer %d może stać tylko w nazwie pliku"
                      : "nazwa nie jest ani filmem (.mp4, .webm, .mkv, .gif), ani wzorcem nazw obrazków z %d";
    return RecordingKind::None;
}

std::string NumberedName(const std::string& pattern, int number) {
    const std::string directory = base::DirectoryOf(pattern);
    const std::string name = base::FileNameOf(pattern);
    Conversion conversion;
    std::string ignored;
    if (!FindConversion(name, conversion, ignored)) return pattern;
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < conversion.Width)
        digits.insert(digits.begin(), static_cast<size_t>(conversion.Width) - digits.size(), conversion.Zeros ? '0' : ' ');
    return directory + Unescaped(name.substr(0, conversion.Start)) + digits + Unescaped(name.substr(conversion.End));
}

Recorder::Recorder() = default;
Recorder::~Recorder() { Abort(); }

bool Recorder::Open(const std::string& path, int width, int height, double fps) {
    Abort();
    const std::string failure = "Nie można nagrać do \"" + path + "\"";
    std::string reason;
    const RecordingKind kind = RecordingKindOf(path, &reason);
    if (kind == RecordingKind::None) {
        RaiseError(reason);
        AddError(failure);
        return false;
    }
    if (width < 1 || height < 1 || !(fps > 0.0) || !std::isfinite(fps)) {
        RaiseError("Niedozwolony rozmiar lub szybkość nagrania");
        AddError(failure);
        return false;
    }
    m_path = path;
    m_width = width;
    m_height = height;
    m_frames = 0;
    if (kind == RecordingKind::Pictures) {
        m_codec = base::ToLower(base::ExtensionOf(path)).substr(1);
        // The folder must take files: a first temporary name now, so that a run does not go
        // to waste on a recording that cannot be written.
        auto first = std::make_unique<files::TemporaryFile>();
        if (!first->Create(NumberedName(path, 1))) {
            AddError(failure);
            return false;
        }
        m_pictures.push_back(std::move(first));
        m_kind = kind;
        return true;
    }
    m_movieFile = std::make_unique<files::TemporaryFile>();
    m_encoder = std::make_unique<MovieEncoder>();
    if (!m_movieFile->Create(path) ||
        !m_encoder->Open(m_movieFile->Path(), base::ToLower(base::ExtensionOf(path)), width, height, fps)) {
        AddError(failure);
        m_encoder.reset();
        m_movieFile.reset();
        return false;
    }
    m_codec = m_encoder->Codec();
    m_kind = kind;
    return true;
}

bool Recorder::AddFrame(const Image& image) {
    if (m_kind == RecordingKind::None) return false;
    const std::string failure = "Nie można nagrać klatki " + std::to_string(m_frames + 1) + " do \"" + m_path + "\"";
    bool added = false;
    if (image.Width != m_width || image.Height != m_height) {
        RaiseError("Klatka ma inny rozmiar niż nagranie");
    } else if (m_kind == RecordingKind::Movie) {
        added = m_encoder->Add(image);
    } else {
        // The picture under a temporary name of its own until the recording is finished.
        if (static_cast<int>(m_pictures.size()) <= m_frames) {
            auto file = std::make_unique<files::TemporaryFile>();
            if (file->Create(NumberedName(m_path, m_frames + 1))) m_pictures.push_back(std::move(file));
        }
        if (static_cast<int>(m_pictures.size()) > m_frames) {
            const std::vector<uint8_t> rgb = image.Rgb();
            added = files::SavePicture(rgb.data(), image.Width, image.Height, m_pictures.back()->Path());
        }
    }
    if (!added) {
        AddError(failure);
        Abort();
        return false;
    }
    ++m_frames;
    return true;
}

bool Recorder::Finish() {
    if (m_kind == RecordingKind::None) return false;
    const std::string failure = "Nie można dokończyć nagrania \"" + m_path + "\"";
    bool done = true;
    if (m_frames == 0) {
        // A movie or a series without a frame is no recording of anything.
        errors::RaiseError("Nagranie nie ma żadnej klatki");
        done = false;
    } else if (m_kind == RecordingKind::Movie) {
        done = m_encoder->Finish() && m_movieFile->Commit();
    } else {
        // The reserved name of a picture never written is dropped with the recorder.
        const size_t written = static_cast<size_t>(m_frames);
        for (size_t i = 0; i < written && done; ++i) done = m_pictures[i]->Commit();
    }
    if (!done) {
        AddError(failure);
        Abort();
        return false;
    }
    m_encoder.reset();
    m_movieFile.reset();
    m_pictures.clear();
    m_kind = RecordingKind::None;
    return true;
}

void Recorder::Abort() {
    m_encoder.reset();
    m_movieFile.reset();  // removes the temporary file
    m_pictures.clear();
    m_kind = RecordingKind::None;
}

}  // namespace capture
