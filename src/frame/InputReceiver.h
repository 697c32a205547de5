#pragma once
// What the input dispatcher hands the window's keyboard and mouse input to. Positions are in
// the 800 x 600 virtual drawing space. Each operation returns whether the receiver took the
// event; the dispatcher does not depend on it.

#include <cstdint>

#include "cells/VirtualSpace.h"

namespace frame {

class InputReceiver {
public:
    virtual bool MouseMove(cells::VirtualPoint point) = 0;
    // Button 0 left, 1 middle, 2 right; action 0 down, 1 up, 2 double click.
    virtual bool MouseButton(cells::VirtualPoint point, int button, int action) = 0;
    // Distance positive away from the user, 120 per notch.
    virtual bool MouseWheel(cells::VirtualPoint point, int distance) = 0;
    // Virtual-key codes.
    virtual bool KeyDown(uint32_t key) = 0;
    virtual bool KeyUp(uint32_t key) = 0;
    // A typed character as a Unicode code point (8, 9, 13 and 27 for Backspace, Tab, Enter
    // and Escape).
    virtual bool Char(uint32_t code) = 0;

protected:
    InputReceiver() = default;
    InputReceiver(const InputReceiver&) = default;
    InputReceiver& operator=(const InputReceiver&) = default;
    ~InputReceiver() = default;
};

}  // namespace frame
