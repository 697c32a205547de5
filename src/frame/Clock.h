#pragma once
// The framework clock: one reading per time step, the frame time between steps and the
// number of steps per second.

#include <functional>

namespace frame {

class Clock {
public:
    // A monotonic source of seconds; the default is GetTime of the utilities.
    using TimeSource = std::function<double()>;

    Clock();
    explicit Clock(TimeSource source);

    // One time step: reads the source, advances the published values, calls `update` (when
    // set) and then remembers the reading as the last one.
    void Step(const std::function<void()>& update);

    // The next step starts a fresh frame time (0), so that time spent paused or suspended
    // never shows up as one long frame.
    void Resynchronise() { m_resynchronise = true; }

    // Seconds since the first step.
    float Time() const { return m_time; }
    // Seconds between the last two steps; 0 on the first step and after resynchronising.
    float FrameTime() const { return m_frameTime; }
    // Steps per second over the last measurement (just over a second long); 0 before the first.
    float FPS() const { return m_fps; }

    // Back to the state before the first step, keeping the source.
    void Reset();
    void SetSource(TimeSource source);

private:
    TimeSource m_source;
    bool m_started { false };
    double m_start { 0 };
    float m_last { 0 };
    bool m_resynchronise { false };
    float m_time { 0 };
    float m_frameTime { 0 };
    float m_fps { 0 };
    float m_measurementStart { 0 };
    unsigned m_count { 0 };
};

}  // namespace frame
