// SPDX-License-Identifier: Apache-2.0
#pragma once
// SIGINT and SIGTERM while orvanectl talks to receivers. The first is handed to the event loop
// through a pipe (one byte written is all a handler may safely do), so the runs under way stop
// writing and put back what they wrote; a second ends the program at once, nothing saved.

namespace orvane::ctl {

void InstallInterruptHandlers();
// The pipe's end the event loop watches; -1 before the handlers are installed.
int InterruptPipe();
// The first signal received, or 0.
int InterruptSignal();

}  // namespace orvane::ctl
