// Ctrl-C, SIGTERM and a hang-up end a scan gently: the call in flight finishes, the summary of
// what was measured is written, and the status tells which signal it was.
#pragma once

// From now on SIGINT, SIGTERM and SIGHUP are remembered instead of ending the process, except
// those that were ignored when the program started (nohup, `trap '' INT`, a background job of
// a shell without job control): whoever started it asked for them to be ignored.
void catch_stop_signals();

// The signal that asked the scan to stop, or 0.
int stop_signal();

// The exit status that tells a stop by that signal: 128 + its number, as shells report it
// (exit_interrupted, exit_terminated, exit_hung_up).
int stop_status(int signal_number);
