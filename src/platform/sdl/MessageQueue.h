#pragma once
// The window's message queue: one FIFO of posted messages and of the messages translated from
// SDL's events (an event is translated only when the FIFO is empty, so whatever was posted
// comes before events still waiting in SDL), then the timer when it is due (a timer message
// is made only when nothing else waits, and several missed periods make one message).
//
// The queue outlives the window, so the quit message posted while the window is destroyed
// still ends the loop.

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/sdl/EventTranslator.h"
#include "platform/sdl/WindowMessage.h"

namespace platform {

class MessageQueue {
public:
    EventTranslator& Translator() { return m_translator; }
    const EventTranslator& Translator() const { return m_translator; }

    // Appends a message behind those already waiting.
    void Post(const WindowMessage& message) { m_pending.push_back(message); }
    // Removes the next message without waiting; false when none waits.
    bool Peek(WindowMessage& message);
    // Removes the next message, waiting for one as long as it takes.
    void Wait(WindowMessage& message);
    // Like Wait, but gives up after `seconds`; false when nothing came.
    bool WaitFor(WindowMessage& message, double seconds);

    // Timer `id` fires every `milliseconds` (at least 1) until killed; one timer at a time.
    void SetTimer(int id, uint32_t milliseconds);
    void KillTimer(int id);

    // Forgets everything queued (posted messages, translated events) and the timer.
    void Clear();

private:
    bool TakeQueued(WindowMessage& message);
    bool TakeTimer(WindowMessage& message);
    // Milliseconds until the timer is due (0 when due), or -1 without a timer.
    int TimerTimeout() const;

    EventTranslator m_translator;
    std::deque<WindowMessage> m_pending;
    std::vector<WindowMessage> m_scratch;
    int m_timerId { 0 };
    uint32_t m_timerPeriod { 0 };  // milliseconds; 0 without a timer
    uint64_t m_timerDue { 0 };     // SDL_GetTicks64 value
};

}  // namespace platform
