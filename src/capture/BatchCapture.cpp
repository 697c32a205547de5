#include "capture/BatchCapture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/Utilities.h"
#include "capture/Pictures.h"
#include "capture/WorldArea.h"
#include "core/Automaton.h"
#include "errors/ErrorTrail.h"
#include "files/ImageFile.h"

namespace capture {

using core::Automaton;
using core::BatchRunner;

namespace {

constexpr int SmallestSide = 16, LargestSide = 8192;  // pixels of the back buffer
constexpr double SlowestFps = 0.1, FastestFps = 240;  // what --fps takes
constexpr double SlowestSpeedFps = 1, FastestSpeedFps = 60;  // what Speed is limited to

bool ParseSide(const std::string& text, int& side) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    side = std::atoi(text.c_str());
    return side >= SmallestSide && side <= LargestSide;
}

}  // namespace

bool BatchCapture::ParseSize(const std::string& text, cells::ModeSize& size) {
    const size_t by = text.find('x');
    return by != std::string::npos && ParseSide(text.substr(0, by), size.Width) && ParseSide(text.substr(by + 1), size.Height);
}

bool BatchCapture::ParseFps(const std::string& text, double& fps) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    fps = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && fps >= SlowestFps && fps <= FastestFps;
}

double BatchCapture::FpsOfPeriod(float period) {
    const double speed = period > 0 ? 1.0 / period : FastestSpeedFps;
    return std::clamp(speed, SlowestSpeedFps, FastestSpeedFps);
}

void BatchCapture::AddActions(BatchRunner& runner) {
    m_runner = &runner;
    runner.AddObserver(this);
    BatchRunner::Action render {
        "--render", "", BatchRunner::ArgumentKind::Path,
        "rysuje świat tak, jak pokazuje go okno, i zapisuje jako obrazek (format według rozszerzenia)",
        [this](BatchRunner& self, Automaton& automaton, const BatchRunner::ActionArgument& argument) {
            if (!Render(automaton, m_frame) || !SaveImage(m_frame, argument.Text)) return false;
            std::fprintf(self.Out(), "Obrazek świata został zapisany: %s\n", argument.Text.c_str());
            return true;
        }};
    render.Accepts = [](const std::string& text, std::string& reason) {
        if (files::IsPictureName(text)) return true;
        reason = "nieznany format obrazka";
        return false;
    };
    runner.AddAction(std::move(render));

    BatchRunner::Action record {
        "--record", "", BatchRunner::ArgumentKind::Path,
        "nagrywa następne -n: film (.mp4, .webm, .mkv, .gif) albo obrazki (wzorzec z %d, np. klatki/życie-%05d.png)",
        [this](BatchRunner&, Automaton&, const BatchRunner::ActionArgument& argument) {
            m_armed = argument.Text;
            return true;
        }};
    record.Accepts = [](const std::string& text, std::string& reason) {
        return RecordingKindOf(text, &reason) != RecordingKind::None;
    };
    record.NeedsLater = "--iterations";
    runner.AddAction(std::move(record));

    runner.AddAction({"--every", "", BatchRunner::ArgumentKind::Count, "nagrywa co K-tą iterację (domyślnie każdą)",
                      [this](BatchRunner&, Automaton&, const BatchRunner::ActionArgument& argument) {
                          m_every = argument.Count;
                          return true;
                      },
                      BatchRunner::Timing::BeforeLoad});

    BatchRunner::Action fps {"--fps", "", BatchRunner::ArgumentKind::Path,
                             "klatki na sekundę filmu (domyślnie Speed definicji, od 1 do 60)",
                             [this](BatchRunner&, Automaton&, const BatchRunner::ActionArgument& argument) {
                                 return ParseFps(argument.Text, m_fps);
                             },
                             BatchRunner::Timing::BeforeLoad};
    fps.Accepts = [](const std::string& text, std::string& reason) {
        double ignored = 0;
        if (ParseFps(text, ignored)) return true;
        reason = "oczekiwano liczby od 0.1 do 240";
        return false;
    };
    runner.AddAction(std::move(fps));

    BatchRunner::Action size {"--render-size", "", BatchRunner::ArgumentKind::Path,
                              "rozmiar okna, którego obszar świata jest rysowany (domyślnie 800x600)",
                              [this](BatchRunner&, Automaton&, const BatchRunner::ActionArgument& argument) {
                                  return ParseSize(argument.Text, m_size);
                              },
                              BatchRunner::Timing::BeforeLoad};
    size.Accepts = [](const std::string& text, std::string& reason) {
        cells::ModeSize ignored {};
        if (ParseSize(text, ignored)) return true;
        reason = "oczekiwano SZEROKOŚĆxWYSOKOŚĆ, każde od 16 do 8192";
        return false;
    };
    runner.AddAction(std::move(size));
}

bool BatchCapture::Prepare(Automaton& automaton) {
    if (m_renderer.IsOpen()) return true;
    m_state.Configure(automaton);
    return m_renderer.Open(automaton, m_size);
}

bool BatchCapture::Render(Automaton& automaton, Image& image) {
    return Prepare(automaton) && m_renderer.Render(automaton.Cells(), render::OptionsOf(m_state), image);
}

bool BatchCapture::RunStarting(Automaton& automaton, int32_t) {
    if (m_armed.empty()) return true;
    const std::string path = std::move(m_armed);
    m_armed.clear();
    if (!Prepare(automaton)) return false;
    const PixelRect area = WorldArea(m_renderer.Mode());
    return m_recorder.Open(path, area.Width, area.Height, m_fps > 0 ? m_fps : FpsOfPeriod(automaton.IterationPeriod()));
}

bool BatchCapture::IterationDone(Automaton& automaton, int32_t done) {
    if (!m_recorder.IsOpen() || done % m_every != 0) return true;
    if (!m_renderer.Render(automaton.Cells(), render::OptionsOf(m_state), m_frame)) {
        m_recorder.Abort();
        return false;
    }
    return m_recorder.AddFrame(m_frame);
}

bool BatchCapture::RunEnded(Automaton&, bool completed) {
    if (!m_recorder.IsOpen()) return true;
    if (!completed) {
        m_recorder.Abort();
        return true;
    }
    const std::string path = m_recorder.Path(), codec = m_recorder.Codec();
    const int frames = m_recorder.FramesWritten();
    if (!m_recorder.Finish()) return false;
    std::fprintf(m_runner->Out(), "Nagranie zostało zapisane: %s (klatki: %d, %s)\n", path.c_str(), frames, codec.c_str());
    return true;
}

std::string BatchCapture::ProgressText() const {
    return m_recorder.IsOpen() ? "zapisane klatki: " + std::to_string(m_recorder.FramesWritten()) : std::string();
}

}  // namespace capture
