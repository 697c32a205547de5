#pragma once
// The application's message hook: hands keyboard and mouse messages to an input receiver,
// with client-area positions turned into virtual units (frame::ToVirtual, current mode).

#include "frame/InputReceiver.h"
#include "platform/sdl/WindowMessage.h"

namespace frame {

class InputDispatcher {
public:
    // The receiver stays the caller's; null drops the input.
    void SetReceiver(InputReceiver* receiver) { m_receiver = receiver; }
    InputReceiver* Receiver() const { return m_receiver; }

    void Dispatch(const platform::WindowMessage& message);
    // So that a dispatcher can stand in the configuration's MessageHook.
    void operator()(const platform::WindowMessage& message) { Dispatch(message); }

private:
    InputReceiver* m_receiver { nullptr };
};

}  // namespace frame
