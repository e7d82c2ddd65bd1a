#include "compare/output_file.h"

#include "common/platform.h"

#include <cerrno>
#include <cstdio>

bool write_new_file_over(const std::string& path, const std::string& text)
{
    const std::string temporary = create_unique_file(path + ".");
    if (temporary.empty())
        return false;
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int error = errno;
    if (file && std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    if (written)
        error = errno;
    std::remove(temporary.c_str());
    errno = error;
    return false;
}
