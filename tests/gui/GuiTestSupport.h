#pragma once
// Scripted input for the tests of the window system and the controls.

#include <sstream>
#include <string>

#include "gui/GUISystem.h"

namespace gui {

// Plays a script of input on the system: "m x,y" moves, "d x,y" presses, "u x,y" releases and
// "c x,y" double-clicks the left button (d2 the right one, u1 the middle one...), "k n" is a key.
inline void Play(GUISystem& g, const std::string& script) {
    std::istringstream in(script);
    for (std::string op; in >> op;) {
        float x = 0, y = 0;
        char comma = 0;
        if (op == "k") {
            in >> x, g.KeyDown(uint32_t(x));
            continue;
        }
        in >> x >> comma >> y;
        if (op == "m") g.MouseMove({x, y});
        else g.MouseButton({x, y}, op.size() > 1 ? op[1] - '0' : 0, op[0] == 'd' ? 0 : op[0] == 'u' ? 1 : 2);
    }
}

}  // namespace gui
