#pragma once
// The picture and recording actions of vorlen-batch: --render PATH draws the world as the
// workbench's world area shows it and saves it; --record PATH records the next -n run, a frame
// after every K-th iteration; the settings --render-size WxH (the back buffer's size, 800 x 600
// by default), --every K and --fps F (the movie's frame rate; the definition's Speed, limited
// to 1 to 60, by default) apply wherever they stand.

#include <string>

#include "capture/OffscreenRenderer.h"
#include "capture/Recorder.h"
#include "core/BatchRunner.h"
#include "core/WorkbenchState.h"

namespace capture {

class BatchCapture final : public core::IterationObserver {
public:
    // Adds the actions to the runner's table and this object to its observers; the object
    // outlives the runner's Run.
    void AddActions(core::BatchRunner& runner);

    bool RunStarting(core::Automaton& automaton, int32_t count) override;
    bool IterationDone(core::Automaton& automaton, int32_t done) override;
    bool RunEnded(core::Automaton& automaton, bool completed) override;
    std::string ProgressText() const override;

    // The arguments of the settings: "WxH" with sides of 16 to 8192 pixels; a frame rate of
    // 0.1 to 240.
    static bool ParseSize(const std::string& text, cells::ModeSize& size);
    static bool ParseFps(const std::string& text, double& fps);
    // The movie's frame rate for an automaton iterating every `period` seconds.
    static double FpsOfPeriod(float period);

private:
    // The renderer for the loaded automaton, made at the first picture or recording.
    bool Prepare(core::Automaton& automaton);
    bool Render(core::Automaton& automaton, Image& image);

    core::BatchRunner* m_runner { nullptr };
    cells::ModeSize m_size {800, 600};
    int m_every { 1 };
    double m_fps { 0 };  // 0: from the definition's Speed
    std::string m_armed;  // the path of --record waiting for its run
    OffscreenRenderer m_renderer;
    core::WorkbenchState m_state;  // the zoom, Filtered and Tiled of the definition
    Recorder m_recorder;
    Image m_frame;
};

}  // namespace capture
