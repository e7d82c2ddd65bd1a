// Everything that differs between operating systems lives behind these few functions, so the
// rest of the code base never needs a platform #ifdef.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#if defined(_MSC_VER)
#define TILEBENCH_NOINLINE __declspec(noinline)
#else
#define TILEBENCH_NOINLINE __attribute__((noinline))
#endif

// Appends text, whose lines end in "\n", to the file (created when missing) whole or not at
// all: under an exclusive lock that other appenders through here respect, in one write at
// the end; when the write falls short (a full disk), the file is cut back to where the text
// began. Lines are written with the platform's native line end. A named pipe is written when
// something reads it and fails at once with ENXIO when nothing does. Returns 0, or the errno
// of the step that failed, with open_failed saying whether it was the opening.
int append_whole_text(const char* file_name, const std::string& text, bool& open_failed);

// Opens a file in text mode, so lines end in the platform's native line end. Returns nullptr
// on failure with errno describing why.
std::FILE* open_text_file(const char* file_name, const char* mode);

// The end-of-run pause: a key press on consoles whose interpreter offers "pause" (Windows);
// nothing elsewhere, so that piped or scripted runs never hang.
void pause_console();

// Bytes of memory the system can hand to a new allocation without swapping, or -1 when the
// platform does not say.
long long available_memory_bytes();

// The whole content of a small text file (a /proc or /sys entry); empty when it cannot be read.
std::string read_text_file(const char* path);

// Kernel name and release ("Linux 6.1.0-18-amd64"); empty when unknown.
std::string operating_system_name();

// This machine's name; empty when unknown.
std::string host_name();

// time as UTC calendar time; false when it cannot be converted.
bool utc_time(std::time_t time, std::tm& utc);

// Whether the standard stream (0, 1 or 2) is a terminal rather than a pipe or a file.
bool is_terminal(int stream);

// Every environment variable whose name starts with one of the prefixes, as (name, value),
// sorted by name.
std::vector<std::pair<std::string, std::string>> environment_with_prefixes(const std::vector<std::string>& prefixes);

// Resource limits of this process; -1 where unlimited or unknown.
struct SystemLimits {
    long long processes = -1;     // threads and processes of this user (RLIMIT_NPROC)
    long long address_space = -1; // bytes (RLIMIT_AS)
    long long stack = -1;         // default stack of a new thread, bytes
};
SystemLimits read_system_limits();

// The full path of an executable found on PATH, or empty.
std::string find_on_path(const std::string& program);

// Creates a new empty file named like pattern_prefix followed by six random characters, and
// returns its name; empty (with errno set) when it cannot.
std::string create_unique_file(const std::string& pattern_prefix);

// Runs a program with arguments, standard output discarded and standard error into
// error_file; returns its exit status, or -1 when it did not run or did not exit normally.
int run_program(const std::vector<std::string>& arguments, const std::string& error_file);

// Why claim_file gave no file.
enum class ClaimProblem {
    none,
    cannot_open, // errno says why (a missing or read-only folder, a directory)
    busy,        // another claimant holds it
    link,        // a symbolic link: nothing is written through it
    not_regular, // a FIFO, a device, a socket
    not_ours,    // a file with other content than what the claimant writes
};

// Opens path for a program that writes it anew and owns it while it runs: created (0666 less
// the umask) when missing, never through a symbolic link, only a regular file, and under an
// exclusive lock taken without waiting and held until the file is closed, so a second claimant
// is refused rather than interleaved. A file that already holds something is emptied only when
// its first line is own_first_line, i.e. the claimant's own earlier output; anything else is
// left as it is. Returns the file open for writing at its start, or nullptr and the problem.
std::FILE* claim_file(const std::string& path, const std::string& own_first_line, ClaimProblem& problem);

// Creates a file that did not exist, named pattern_prefix followed by six random characters,
// never through a link and with the permissions of any new file (0666 less the umask), open
// for writing in binary; its name goes to name. nullptr with errno set when it cannot.
std::FILE* create_new_unique_file(const std::string& pattern_prefix, std::string& name);

// Gives each of standard input, output and error that the program was started without
// (`2>&-`) a stand-in, /dev/null, so that no file opened later takes its number and receives
// what was meant for the stream. The stand-in is opened the other way round (input for
// writing, output for reading), so using the stream fails as it did while it was closed, and a
// program that checks its output still finds it lost.
void occupy_closed_standard_streams();
