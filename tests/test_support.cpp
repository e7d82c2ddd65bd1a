#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

OwnedMatrix zero_matrix(int n)
{
    const std::size_t order = n > 0 ? static_cast<std::size_t>(n) : 0; // orders below 0 hold nothing
    OwnedMatrix m;
    m.rows.assign(order, std::vector<float>(order, 0.0f));
    return m;
}

OwnedMatrix random_matrix(int n, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> element(-1.0f, 1.0f);
    OwnedMatrix m = zero_matrix(n);
    for (auto& row : m.rows)
        for (float& x : row)
            x = element(generator);
    return m;
}

OwnedMatrix matrix_from_rows(const std::vector<std::vector<float>>& rows)
{
    OwnedMatrix m;
    m.rows = rows;
    return m;
}

Matrix view(OwnedMatrix& m)
{
    m.pointers.clear();
    for (auto& row : m.rows)
        m.pointers.push_back(row.data());
    return m.pointers.data();
}

std::vector<std::uint32_t> bits_of(const OwnedMatrix& m)
{
    std::vector<std::uint32_t> bits;
    for (const auto& row : m.rows)
        for (float x : row) {
            std::uint32_t b;
            std::memcpy(&b, &x, sizeof b);
            bits.push_back(b);
        }
    return bits;
}

std::string make_scratch_dir(const std::string& name)
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string unique = name;
    if (info)
        unique += std::string("_") + info->test_suite_name() + "_" + info->name();
    for (char& c : unique)
        if (c == '/')
            c = '_';
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / ("tilebench_" + unique);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool file_exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int shell(const std::string& command)
{
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
