// Other programs on POSIX systems and on Windows: PATH's own separator and suffix, and a
// child started directly (posix_spawn) where the system allows it.
#include "common/platform_process.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#if !defined(_WIN32)
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
