#include "platform/sdl/MessageQueue.h"

#include <SDL_timer.h>
#include <algorithm>
#include <limits>

namespace platform {

void MessageQueue::Clear() {
    m_pending.clear();
    m_timerPeriod = 0;
    m_timerId = 0;
}

void MessageQueue::SetTimer(int id, uint32_t milliseconds) {
    m_timerId = id;
    m_timerPeriod = std::max<uint32_t>(milliseconds, 1);
    m_timerDue = SDL_GetTicks64() + m_timerPeriod;
}

void MessageQueue::KillTimer(int id) {
    if (m_timerId == id) m_timerPeriod = 0;
}

int MessageQueue::TimerTimeout() const {
    if (m_timerPeriod == 0) return -1;
    uint64_t now = SDL_GetTicks64();
    if (now >= m_timerDue) return 0;
    return static_cast<int>(std::min<uint64_t>(m_timerDue - now, std::numeric_limits<int>::max()));
}

bool MessageQueue::TakeQueued(WindowMessage& message) {
    if (m_pending.empty()) return false;
    message = m_pending.front();
    m_pending.pop_front();
    return true;
}

bool MessageQueue::TakeTimer(WindowMessage& message) {
    if (m_timerPeriod == 0 || SDL_GetTicks64() < m_timerDue) return false;
    m_timerDue = SDL_GetTicks64() + m_timerPeriod;
    message = WindowMessage { .Kind = MessageKind::Timer, .TimerId = m_timerId };
    return true;
}

bool MessageQueue::Peek(WindowMessage& message) {
    if (TakeQueued(message)) return true;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        m_scratch.clear();
        m_translator.Translate(event, m_scratch);
        m_pending.insert(m_pending.end(), m_scratch.begin(), m_scratch.end());
        if (TakeQueued(message)) return true;
    }
    return TakeTimer(message);
}

bool MessageQueue::WaitFor(WindowMessage& message, double seconds) {
    uint64_t limit = SDL_GetTicks64() + static_cast<uint64_t>(std::max(seconds, 0.0) * 1000.0);
    for (;;) {
        if (Peek(message)) return true;
        uint64_t now = SDL_GetTicks64();
        if (now >= limit) return false;
        int timeout = static_cast<int>(std::min<uint64_t>(limit - now, std::numeric_limits<int>::max()));
        int timer = TimerTimeout();
        if (timer >= 0) timeout = std::min(timeout, timer);
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, std::max(timeout, 1))) {
            m_scratch.clear();
            m_translator.Translate(event, m_scratch);
            m_pending.insert(m_pending.end(), m_scratch.begin(), m_scratch.end());
        }
    }
}

void MessageQueue::Wait(WindowMessage& message) {
    while (!WaitFor(message, 3600.0)) {
    }
}

}  // namespace platform
