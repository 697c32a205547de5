#pragma once
// Messages from windows to their owner, and the first-in first-out queue that holds them.
// Controls post; the owner drains its queue once per time step, looks at each message's type
// (only Msg_Int carries a code) and acts on it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

namespace gui {

class Window;

// What a Msg_Int tells.
inline constexpr int32_t NotifyEnter = 1;  // the pointer entered a button
inline constexpr int32_t NotifyClick = 2;  // a button was clicked
inline constexpr int32_t NotifyTrack = 3;  // the user moved a track bar

struct Msg {
    virtual ~Msg() = default;
};

struct Msg_Wnd : Msg {
    explicit Msg_Wnd(Window* sender) : Sender(sender) {}
    // The window that posted the message. Compare it, do not call it: the window may have been
    // destroyed since.
    Window* Sender;
};

struct Msg_Int : Msg_Wnd {
    Msg_Int(Window* sender, int32_t code) : Msg_Wnd(sender), Code(code) {}
    int32_t Code;
};

class MsgHandler {
public:
    MsgHandler() = default;
    MsgHandler(const MsgHandler&) = delete;
    MsgHandler& operator=(const MsgHandler&) = delete;
    // Messages still queued are deleted with the handler.
    virtual ~MsgHandler() = default;

    // Appends the message at the back of the queue, which owns it from then on.
    void Post(std::unique_ptr<Msg> message);
    // The oldest message, handed over to the caller; null when the queue is empty.
    std::unique_ptr<Msg> Take();
    bool Empty() const { return m_queue.empty(); }
    size_t Count() const { return m_queue.size(); }

private:
    std::deque<std::unique_ptr<Msg>> m_queue;
};

}  // namespace gui
