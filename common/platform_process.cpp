// Other programs on POSIX systems and on Windows: PATH's own separator and suffix, and a
// child started directly (posix_spawn) and waited for with a bound where the system allows it.
#include "common/platform_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#if !defined(_WIN32)
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

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

#if defined(_WIN32)

ProgramEnd run_bounded_program(const std::vector<std::string>& arguments, const std::string& output_file,
                               const std::string& error_file, double, int (*)())
{
    // No bound here: the console's own Ctrl-C reaches the child.
    std::string command;
    for (const std::string& argument : arguments)
        command += "\"" + argument + "\" ";
    command += "> \"" + output_file + "\" 2> \"" + error_file + "\"";
    ProgramEnd end;
    end.status = std::system(command.c_str());
    return end;
}

#else

namespace {

// Spawned directly rather than through a shell: no quoting to get wrong. SIGPIPE starts at its
// default: the caller ignores it for its own reasons (guarded_main), and an ignored signal would
// otherwise pass to the child across exec, which then writes on into a closed pipe. 0, or the child.
pid_t spawn(const std::vector<std::string>& arguments, const std::string& output_file, const std::string& error_file)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output_file.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW, 0);
    posix_spawn_file_actions_addopen(&actions, 2, error_file.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW, 0);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        errno = spawned;
        return 0;
    }
    return child;
}

} // namespace

ProgramEnd run_bounded_program(const std::vector<std::string>& arguments, const std::string& output_file,
                               const std::string& error_file, double timeout_seconds, int (*stop_signal)())
{
    using clock = std::chrono::steady_clock;
    ProgramEnd end;
    const pid_t child = spawn(arguments, output_file, error_file);
    if (child == 0)
        return end;
    auto deadline =
        clock::now() + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(timeout_seconds));
    bool killed = false;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0 && errno != EINTR)
            return end; // not ours to wait for any more
        const int signal = stop_signal();
        if (signal != 0 && end.stopped_by == 0) {
            kill(child, signal);
            end.stopped_by = signal;
            deadline = std::min(deadline, clock::now() + std::chrono::seconds(2));
        }
        if (!killed && clock::now() >= deadline) {
            kill(child, SIGKILL);
            killed = true;
            end.timed_out = end.stopped_by == 0;
        }
        // Polled: a stop or the bound is acted on within this much.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    end.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return end;
}

#endif
