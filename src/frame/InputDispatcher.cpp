#include "frame/InputDispatcher.h"

#include "frame/Framework.h"

namespace frame {

void InputDispatcher::Dispatch(const platform::WindowMessage& message) {
    if (m_receiver == nullptr) return;
    using platform::MessageKind;
    auto at = [&] { return ToVirtual(cells::VirtualPoint { static_cast<float>(message.X), static_cast<float>(message.Y) }); };
    switch (message.Kind) {
        case MessageKind::KeyDown: m_receiver->KeyDown(message.Key); break;
        case MessageKind::KeyUp: m_receiver->KeyUp(message.Key); break;
        case MessageKind::Char: m_receiver->Char(message.Key); break;
        case MessageKind::MouseMove: m_receiver->MouseMove(at()); break;
        case MessageKind::MouseButton: m_receiver->MouseButton(at(), message.Button, message.Action); break;
        case MessageKind::MouseWheel: m_receiver->MouseWheel(at(), message.WheelDistance); break;
        default: break;
    }
}

}  // namespace frame
