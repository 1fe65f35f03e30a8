// errore's message box on X11: the text, one OK button holding the focus, owned by the
// waiting window when there is one. It runs a small loop of its own until the user closes it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "driver/x11/x11_session.h"

namespace sc::x11 {

// Shows the box and returns when it is closed (Return, Space, Escape, a click on OK, the
// window manager's close) or the display is gone. Exposures of the owner repaint it.
void runMessageBox(Session& x, const std::string& text, std::optional<Window> owner,
                   const std::function<void()>& repaintOwner);

}  // namespace sc::x11
