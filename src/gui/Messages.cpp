#include "gui/Messages.h"

#include <utility>

namespace gui {

void MsgHandler::Post(std::unique_ptr<Msg> message) {
    if (message != nullptr) m_queue.push_back(std::move(message));
}

std::unique_ptr<Msg> MsgHandler::Take() {
    if (m_queue.empty()) return nullptr;
    std::unique_ptr<Msg> front = std::move(m_queue.front());
    m_queue.pop_front();
    return front;
}

}  // namespace gui
