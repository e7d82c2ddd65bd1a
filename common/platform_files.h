// Files as each operating system wants them opened, written and read: the only place that
// knows how to lock, append and create without following links.
#pragma once

#include <cstdio>
#include <string>

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

// The whole content of a file, byte for byte, into text; false with errno describing why when
// it cannot be opened or read (text is then empty).
bool read_whole_file(const std::string& path, std::string& text);

// The whole content of a small text file (a /proc or /sys entry); empty when it cannot be read.
std::string read_text_file(const char* path);

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

// Who may read a file create_unique_file makes. Both are needed: a scratch file in a folder
// that others share (the temporary folder) must not be theirs to read, while a file that
// becomes the user's output by a rename must end as any new file of theirs would.
enum class NewFileAccess {
    owner_only, // 0600
    as_umask,   // 0666 less the umask
};

// Creates a file that did not exist, named pattern_prefix followed by six random characters,
// never through a link, open for writing in binary; its name goes to name. nullptr with errno
// set when it cannot.
std::FILE* create_unique_file(const std::string& pattern_prefix, NewFileAccess access, std::string& name);

// Whether a name the user gave for an output may be replaced by a file of the program's own: yes
// (none) when nothing or a regular file stands there; link for a symbolic link, which the user
// may take for the file it points to; not_regular for a FIFO, a device, a socket or a directory;
// cannot_open, with errno, when the name cannot be looked at (a folder on the way that is
// missing or not to be searched).
ClaimProblem replaceable(const std::string& path);

// Why an output the user named must not be put in place by a rename, in words ("it is not a
// regular file (a FIFO, a device or a directory)"), or empty: nothing, a regular file or a
// symbolic link stands there (the link itself is replaced, and nothing is written through it).
// A rename would replace a FIFO or a device with a file, and as root /dev/null itself; a folder
// on the way that cannot be searched gives the system's reason.
std::string unreplaceable_output(const std::string& path);

// Writes text to a new file of a name no one else has (path + ".tmp." and six random
// characters, created only if it did not exist, so a link planted there leads nowhere), then
// renames it over path, which replaces a link at path rather than writing through it. False,
// with errno, when any step fails; the temporary file is removed and an older path is left as
// it was.
bool write_file_atomically(const std::string& path, const std::string& text);
