// The refresh trigger's one step: a batch job runs Wendle as its last line so that the main window
// shows what the job changed. Opening the link "Quarrow|frmCmd" is what makes the main window
// refresh (the batch builder serves that topic and refreshes when a link opens); the "4" executed
// over it has no effect of its own. A batch job must never hang on this, so the whole step is
// bounded by a short time-out and every failure (no main program, no such topic) ends it quietly.
#pragma once

namespace wendle {

// The longest the link may take. With the program's start it keeps Wendle under 0.2 s.
inline constexpr int kLinkTimeoutMs = 120;

// Opens the link, executes "4" and closes it. True when the receipt came back; false when nobody
// serves the link or it did not answer within timeoutMs (the link may still have opened).
bool sendRefresh(int timeoutMs = kLinkTimeoutMs);

}  // namespace wendle
