// Files on POSIX systems and on Windows: opening, whole appends under a lock, whole reads,
// and new files that never replace an existing one.
#include "common/platform_files.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::FILE* open_file(const char* file_name, const char* mode)
{
#if defined(_MSC_VER)
    std::FILE* fp = nullptr;
    if (fopen_s(&fp, file_name, mode) != 0)
        return nullptr;
    return fp;
#else
    return std::fopen(file_name, mode);
#endif
}

#if !defined(_WIN32)
// A descriptor that appends to the file, created when missing, or -1 with errno. Opened
// without waiting: a named pipe that nobody reads would otherwise hold the run forever; it
// fails with ENXIO instead, and its row is reported lost like any other. A pipe that has a
// reader is then written like a file, waiting while the reader catches up.
int open_for_appending(const char* file_name)
{
    const int fd = ::open(file_name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return -1;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}
#endif

} // namespace

std::FILE* open_text_file(const char* file_name, const char* mode)
{
    return open_file(file_name, mode);
}

int append_whole_text(const char* file_name, const std::string& text, bool& open_failed)
{
    open_failed = false;
#if defined(_WIN32)
    std::string native;
    for (char c : text)
        native += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::FILE* fp = nullptr;
    if (fopen_s(&fp, file_name, "ab") != 0 || !fp) {
        open_failed = true;
        return errno != 0 ? errno : EACCES;
    }
    const bool written = std::fwrite(native.data(), 1, native.size(), fp) == native.size();
    const int error = written ? 0 : errno;
    if (std::fclose(fp) != 0 && written)
        return errno;
    return error;
#else
    const int fd = open_for_appending(file_name);
    if (fd < 0) {
        open_failed = true;
        return errno;
    }
    // A whole-file write lock: appenders of this program wait for one another, so the file
    // ends where this row begins for as long as it is being written.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool locked = fcntl(fd, F_SETLKW, &lock) == 0;
    struct stat before {};
    const bool sized = fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
    int error = 0;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            error = wrote < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    // Half a row would glue itself to the next run's first row: take it back out.
    if (error != 0 && done > 0 && sized)
        (void)ftruncate(fd, before.st_size);
    if (locked) {
        lock.l_type = F_UNLCK;
        fcntl(fd, F_SETLK, &lock);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
#endif
}

bool read_whole_file(const std::string& path, std::string& text)
{
    text.clear();
    std::FILE* fp = open_file(path.c_str(), "rb");
    if (!fp)
        return false;
    char block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof(block), fp)) > 0)
        text.append(block, got);
    const bool whole = std::ferror(fp) == 0;
    const int error = errno; // a directory opens, then fails its first read with EISDIR
    std::fclose(fp);
    if (whole)
        return true;
    text.clear();
    errno = error;
    return false;
}

std::string read_text_file(const char* path)
{
    std::string text;
    read_whole_file(path, text);
    return text;
}

namespace {

// The text of the open file up to its first line end (at most a few kilobytes), read from the
// start; empty for an empty file.
std::string first_line_of(int fd)
{
    std::string line;
    std::array<char, 512> chunk{};
    while (line.size() < 4096) {
#if defined(_WIN32)
        const int got = _read(fd, chunk.data(), static_cast<unsigned>(chunk.size()));
#else
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
#endif
        if (got <= 0)
            break;
        line.append(chunk.data(), static_cast<std::size_t>(got));
        const std::size_t end = line.find('\n');
        if (end != std::string::npos) {
            line.resize(end);
            break;
        }
    }
    return line;
}

#if defined(_WIN32)
// Denying others both reading and writing is Windows' exclusive lock, held while it is open.
int open_and_lock(const std::string& path, ClaimProblem& problem)
{
    int fd = -1;
    if (_sopen_s(&fd, path.c_str(), _O_RDWR | _O_CREAT | _O_BINARY, _SH_DENYRW, _S_IREAD | _S_IWRITE) != 0) {
        problem = errno == EACCES ? ClaimProblem::busy : ClaimProblem::cannot_open;
        return -1;
    }
    return fd;
}

bool empty_from_start(int fd)
{
    return _lseek(fd, 0, SEEK_SET) == 0 && _chsize(fd, 0) == 0;
}

std::FILE* file_of(int fd, const char* mode)
{
    return _fdopen(fd, mode);
}

void close_descriptor(int fd)
{
    _close(fd);
}
#else
// Opens without following a link at the last step and without waiting on a FIFO, then locks.
int open_and_lock(const std::string& path, ClaimProblem& problem)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        problem = errno == ELOOP ? ClaimProblem::link : ClaimProblem::cannot_open;
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        problem = ClaimProblem::not_regular;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        problem = error == EWOULDBLOCK ? ClaimProblem::busy : ClaimProblem::cannot_open;
        errno = error;
        return -1;
    }
    return fd;
}

bool empty_from_start(int fd)
{
    return lseek(fd, 0, SEEK_SET) == 0 && ftruncate(fd, 0) == 0;
}

std::FILE* file_of(int fd, const char* mode)
{
    return fdopen(fd, mode);
}

void close_descriptor(int fd)
{
    ::close(fd);
}
#endif

} // namespace

std::FILE* claim_file(const std::string& path, const std::string& own_first_line, ClaimProblem& problem)
{
    problem = ClaimProblem::none;
    const int fd = open_and_lock(path, problem);
    if (fd < 0)
        return nullptr;
    const std::string first = first_line_of(fd);
    if (!first.empty() && first != own_first_line)
        problem = ClaimProblem::not_ours;
    else if (!empty_from_start(fd))
        problem = ClaimProblem::cannot_open;
    std::FILE* file = problem == ClaimProblem::none ? file_of(fd, "wb") : nullptr;
    if (!file) {
        const int error = errno;
        close_descriptor(fd);
        errno = error;
        if (problem == ClaimProblem::none)
            problem = ClaimProblem::cannot_open;
    }
    return file;
}

std::FILE* create_unique_file(const std::string& pattern_prefix, NewFileAccess access, std::string& name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937_64 draw(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = pattern_prefix;
        for (int i = 0; i < 6; ++i)
            name += letters[draw() % (sizeof(letters) - 1)];
#if defined(_WIN32)
        (void)access; // Windows keeps no such bits: the folder's access rules decide
        std::FILE* file = nullptr;
        if (fopen_s(&file, name.c_str(), "wbx") == 0 && file)
            return file;
#else
        // O_EXCL makes a link standing at the name an error instead of a way elsewhere.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              access == NewFileAccess::owner_only ? 0600 : 0666);
        if (fd >= 0) {
            if (std::FILE* file = fdopen(fd, "wb"))
                return file;
            const int error = errno;
            ::close(fd);
            std::remove(name.c_str());
            errno = error;
            return nullptr;
        }
#endif
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

ClaimProblem replaceable(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return ClaimProblem::none;
    if (error) {
        errno = error.value();
        return ClaimProblem::cannot_open;
    }
    if (std::filesystem::is_symlink(status))
        return ClaimProblem::link;
    return std::filesystem::is_regular_file(status) ? ClaimProblem::none : ClaimProblem::not_regular;
}

std::string unreplaceable_output(const std::string& path)
{
    switch (replaceable(path)) {
    case ClaimProblem::not_regular:
        return "it is not a regular file (a FIFO, a device or a directory)";
    case ClaimProblem::cannot_open:
        return std::strerror(errno);
    default:
        return "";
    }
}

bool write_file_atomically(const std::string& path, const std::string& text)
{
    if (replaceable(path) == ClaimProblem::not_regular) {
        errno = EPERM; // callers that name the reason ask unreplaceable_output first
        return false;
    }
    std::string temporary;
    std::FILE* file = create_unique_file(path + ".tmp.", NewFileAccess::as_umask, temporary);
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int write_error = errno;
    if (std::fclose(file) != 0 || !written) {
        const int error = written ? errno : write_error;
        std::remove(temporary.c_str());
        errno = error;
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        errno = error;
        return false;
    }
    return true;
}
