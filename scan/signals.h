// Ctrl-C and SIGTERM end a scan gently: the call in flight finishes, the summary of what was
// measured is written, and the status tells which signal it was.
#pragma once

// From now on SIGINT and SIGTERM are remembered instead of ending the process.
void catch_stop_signals();

// The signal that asked the scan to stop, or 0.
int stop_signal();
