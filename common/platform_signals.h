// The signals that ask a program to stop (SIGINT, SIGTERM, SIGHUP), remembered rather than
// obeyed at once, so that a program can stop its children and remove its temporary files first.
#pragma once

// From now on SIGINT, SIGTERM and SIGHUP are remembered instead of ending the process; a signal
// the process was started to ignore (nohup, trap '' INT) stays ignored.
void remember_stop_signals();

// The last stop signal received since remember_stop_signals(), or 0.
int remembered_stop_signal();

// "SIGINT", "SIGTERM", "SIGHUP", or "a signal" for another number.
const char* stop_signal_name(int number);

// The exit status that tells a stop by that signal: 128 + its number, as shells report it
// (exit_interrupted, exit_terminated, exit_hung_up).
int stop_status(int signal_number);
