// Everything that differs between operating systems lives behind these few functions, so the
// rest of the code base never needs a platform #ifdef.
#pragma once

#include <cstdio>

#if defined(_MSC_VER)
#define TILEBENCH_NOINLINE __declspec(noinline)
#else
#define TILEBENCH_NOINLINE __attribute__((noinline))
#endif

// Opens a file in text mode, so lines end in the platform's native line end. Returns nullptr
// on failure with errno describing why.
std::FILE* open_text_file(const char* file_name, const char* mode);

// The end-of-run pause: a key press on consoles whose interpreter offers "pause" (Windows);
// nothing elsewhere, so that piped or scripted runs never hang.
void pause_console();

// Starts a shell command with a pipe to its standard input; nullptr on failure.
std::FILE* open_command_pipe(const char* command);

// Closes the pipe, waits for the command and returns its exit status (-1 when it did not exit
// normally).
int close_command_pipe(std::FILE* pipe);

// Bytes of memory the system can hand to a new allocation without swapping, or -1 when the
// platform does not say.
long long available_memory_bytes();
