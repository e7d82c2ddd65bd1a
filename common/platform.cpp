// Platform glue: file opening, the console pause and the memory query.
#include "common/platform.h"

#include "common/memory.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#if !defined(_WIN32)
extern char** environ;
#endif

std::FILE* open_text_file(const char* file_name, const char* mode)
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
namespace {

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

} // namespace
#endif

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

void pause_console()
{
#if defined(_WIN32)
    // The status is of no interest: the run is over whether or not a key was pressed.
    (void)std::system("pause");
#endif
}

long long available_memory_bytes()
{
#if defined(_WIN32)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return -1;
    return static_cast<long long>(status.ullAvailPhys);
#elif defined(__linux__)
    MemoryReport report;
    report.meminfo = read_text_file("/proc/meminfo");
    report.cgroup_max = read_text_file("/sys/fs/cgroup/memory.max");
    report.cgroup_current = read_text_file("/sys/fs/cgroup/memory.current");
    struct rlimit address_space;
    if (getrlimit(RLIMIT_AS, &address_space) == 0 && address_space.rlim_cur != RLIM_INFINITY)
        report.address_space_limit = static_cast<long long>(address_space.rlim_cur);
    return available_memory_from(report);
#else
    return -1;
#endif
}

std::string read_text_file(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string operating_system_name()
{
#if defined(_WIN32)
    return "Windows";
#else
    struct utsname name;
    if (uname(&name) != 0)
        return "";
    return std::string(name.sysname) + " " + name.release;
#endif
}

std::string host_name()
{
#if defined(_WIN32)
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
#else
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return "";
    return name;
#endif
}

bool utc_time(std::time_t time, std::tm& utc)
{
#if defined(_WIN32)
    return gmtime_s(&utc, &time) == 0;
#else
    return gmtime_r(&time, &utc) != nullptr;
#endif
}

bool is_terminal(int stream)
{
#if defined(_WIN32)
    return _isatty(stream) != 0;
#else
    return isatty(stream) != 0;
#endif
}

std::vector<std::pair<std::string, std::string>> environment_with_prefixes(const std::vector<std::string>& prefixes)
{
#if defined(_WIN32)
    char** entries = _environ;
#else
    char** entries = environ;
#endif
    std::vector<std::pair<std::string, std::string>> found;
    for (char** entry = entries; entry && *entry; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        const std::string name = text.substr(0, equals);
        for (const std::string& prefix : prefixes)
            if (name.compare(0, prefix.size(), prefix) == 0) {
                found.emplace_back(name, equals == std::string::npos ? "" : text.substr(equals + 1));
                break;
            }
    }
    std::sort(found.begin(), found.end());
    return found;
}

SystemLimits read_system_limits()
{
    SystemLimits limits;
#if !defined(_WIN32)
    const auto soft = [](int resource) {
        struct rlimit limit;
        return getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                   ? static_cast<long long>(limit.rlim_cur)
                   : -1LL;
    };
    limits.processes = soft(RLIMIT_NPROC);
    limits.address_space = soft(RLIMIT_AS);
    // glibc gives a new thread the soft stack limit, or 8 MiB when that is unlimited.
    limits.stack = soft(RLIMIT_STACK);
#endif
    return limits;
}

std::string find_on_path(const std::string& program)
{
    const char* path = std::getenv("PATH");
    if (!path)
        return "";
#if defined(_WIN32)
    const char separator = ';';
    const std::string suffix = ".exe";
#else
    const char separator = ':';
    const std::string suffix;
#endif
    std::string directories = path;
    for (std::size_t start = 0; start <= directories.size();) {
        std::size_t end = directories.find(separator, start);
        if (end == std::string::npos)
            end = directories.size();
        const std::string directory = directories.substr(start, end - start);
        std::string candidate = directory.empty() ? std::string(".") : directory;
        candidate += "/";
        candidate += program;
        candidate += suffix;
#if defined(_WIN32)
        if (std::ifstream(candidate).good())
            return candidate;
#else
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
#endif
        start = end + 1;
    }
    return "";
}

std::string create_unique_file(const std::string& pattern_prefix)
{
#if defined(_WIN32)
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = pattern_prefix + std::to_string(std::rand());
        std::FILE* file = nullptr;
        if (fopen_s(&file, name.c_str(), "wbx") == 0 && file) {
            std::fclose(file);
            return name;
        }
    }
    return "";
#else
    std::string pattern = pattern_prefix + "XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return "";
    ::close(fd);
    return pattern;
#endif
}

int run_program(const std::vector<std::string>& arguments, const std::string& error_file)
{
#if defined(_WIN32)
    std::string command;
    for (const std::string& argument : arguments)
        command += "\"" + argument + "\" ";
    command += "> NUL 2> \"" + error_file + "\"";
    return std::system(command.c_str());
#else
    // Spawned directly rather than through a shell or a pipe: no quoting to get wrong, and no
    // SIGPIPE when the program is missing or dies early.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        errno = spawned;
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
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

std::FILE* create_new_unique_file(const std::string& pattern_prefix, std::string& name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937_64 draw(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = pattern_prefix;
        for (int i = 0; i < 6; ++i)
            name += letters[draw() % (sizeof(letters) - 1)];
#if defined(_WIN32)
        std::FILE* file = nullptr;
        if (fopen_s(&file, name.c_str(), "wbx") == 0 && file)
            return file;
#else
        // O_EXCL makes a link standing at the name an error instead of a way elsewhere.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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

void occupy_closed_standard_streams()
{
#if !defined(_WIN32)
    for (int stream = 0; stream <= 2; ++stream) {
        if (fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is the one that is closed: open() lands on it.
        const int fd = ::open("/dev/null", stream == 0 ? O_WRONLY : O_RDONLY);
        if (fd >= 0 && fd != stream)
            ::close(fd);
    }
#endif
}
