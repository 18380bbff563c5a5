// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window needs a graphical session. Without one Qt aborts with advice to reinstall, which
// sends people the wrong way: this says what is missing instead, in one line, and exits with
// status 1.

namespace orvane::window {

// Call before the application object is created. Exits at once when no display is named (on
// Linux: neither DISPLAY nor WAYLAND_DISPLAY, and no platform chosen with QT_QPA_PLATFORM or
// -platform); otherwise arranges that a display that cannot be reached ends the start the same
// way, and keeps Qt's warning about a missing XDG_RUNTIME_DIR, which asks nothing of the
// operator, off standard error.
void RequireDisplay(int argc, char** argv);

}  // namespace orvane::window
