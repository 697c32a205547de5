#include "render/Canvas.h"

#include <algorithm>
#include <climits>

#include "frame/Framework.h"

namespace render {

cells::ModeSize FrameMode() {
    frame::DisplayMode mode = frame::GetDisplayMode();
    auto pixels = [](uint32_t size) { return static_cast<int>(std::min<uint32_t>(size, INT_MAX)); };
    return {pixels(mode.ModeWidth), pixels(mode.ModeHeight)};
}

void FrameCanvas::PushClipRect(const cells::VirtualRect& rect) { frame::PushClipRect(rect); }

void FrameCanvas::PopClipRect() { frame::PopClipRect(); }

}  // namespace render
