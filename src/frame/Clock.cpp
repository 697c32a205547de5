#include "frame/Clock.h"

#include <utility>

#include "base/Utilities.h"

namespace frame {

Clock::Clock() : m_source([] { return base::GetTime(); }) {}

Clock::Clock(TimeSource source) : m_source(std::move(source)) {}

void Clock::SetSource(TimeSource source) { m_source = std::move(source); }

void Clock::Reset() {
    TimeSource source = std::move(m_source);
    *this = Clock(std::move(source));
}

void Clock::Step(const std::function<void()>& update) {
    double reading = m_source();
    bool first = !m_started;
    if (first) {
        m_start = reading;
        m_started = true;
    }
    float t = static_cast<float>(reading - m_start);
    if (first) m_last = t;
    if (m_resynchronise) {
        m_last = t;
        m_resynchronise = false;
    }
    float frameTime = t < m_last ? 0.0f : t - m_last;
    ++m_count;
    if (t > m_measurementStart + 1.0f) {
        m_fps = static_cast<float>(m_count) / (t - m_measurementStart);
        m_count = 0;
        m_measurementStart = t;
    }
    m_time = t;
    m_frameTime = frameTime;
    if (update) update();
    m_last = t;
}

}  // namespace frame
