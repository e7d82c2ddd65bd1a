#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Removes the scratch directories of each test that passed, once it has ended.
struct ScratchCleaner : testing::EmptyTestEventListener {
    std::vector<std::string> dirs;
    void OnTestEnd(const testing::TestInfo& info) override
    {
        if (info.result() && info.result()->Passed())
            for (const std::string& dir : dirs) {
                std::error_code ignored;
                std::filesystem::remove_all(dir, ignored);
            }
        dirs.clear();
    }
};

ScratchCleaner& cleaner()
{
    static ScratchCleaner* instance = [] {
        auto* listener = new ScratchCleaner; // owned by GoogleTest once appended
        testing::UnitTest::GetInstance()->listeners().Append(listener);
        return listener;
    }();
    return *instance;
}

} // namespace

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
    std::string pattern = (std::filesystem::path(testing::TempDir()) / ("tilebench_" + name + "_XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        ADD_FAILURE() << "cannot create a scratch directory from " << pattern << ": " << std::strerror(errno);
    cleaner().dirs.push_back(pattern);
    return pattern;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
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

std::string first_lines(const std::string& text, std::size_t count)
{
    std::size_t end = 0;
    for (std::size_t line = 0; line < count && end < text.size(); ++line) {
        const std::size_t newline = text.find('\n', end);
        end = newline == std::string::npos ? text.size() : newline + 1;
    }
    return text.substr(0, end);
}

int shell(const std::string& command)
{
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

ProgramRun run_in(const std::string& dir, const std::string& command, const std::string& input,
                  const std::string& prefix)
{
    write_file(dir + "/stdin.txt", input);
    ProgramRun run;
    run.status = shell("cd '" + dir + "' && " + prefix + " " + command + " < stdin.txt > stdout.txt 2> stderr.txt");
    run.out = read_file(dir + "/stdout.txt");
    run.err = read_file(dir + "/stderr.txt");
    return run;
}

std::map<std::string, DataRows> data_blocks(const std::string& script)
{
    std::map<std::string, DataRows> blocks;
    std::string name;
    for (const std::string& line : lines_of(script)) {
        const std::size_t start = line.find(" << EOD");
        if (name.empty() && start != std::string::npos && line[0] == '$')
            name = line.substr(0, start);
        else if (line == "EOD")
            name.clear();
        else if (!name.empty()) {
            std::istringstream fields(line);
            blocks[name].emplace_back();
            for (double x; fields >> x;)
                blocks[name].back().push_back(x);
            if (!fields.eof())
                ADD_FAILURE() << name << ": not a row of numbers: " << line;
        }
    }
    return blocks;
}

void expect_data_blocks(const std::string& script, const std::map<std::string, DataRows>& expected,
                        const std::vector<std::string>& shifted, double x_slack)
{
    const std::map<std::string, DataRows> drawn = data_blocks(script);
    std::vector<std::string> names, expected_names;
    for (const auto& block : drawn)
        names.push_back(block.first);
    for (const auto& block : expected)
        expected_names.push_back(block.first);
    EXPECT_EQ(names, expected_names);
    for (const auto& block : expected) {
        const std::string& name = block.first; // a plain name: a lambda may not capture a structured binding
        const DataRows& rows = block.second;
        const DataRows& got = drawn.count(name) ? drawn.at(name) : DataRows();
        ASSERT_EQ(got.size(), rows.size()) << name;
        const bool moved = std::any_of(shifted.begin(), shifted.end(),
                                       [&name](const std::string& prefix) { return name.rfind(prefix, 0) == 0; });
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(got[r].size(), rows[r].size()) << name << " row " << r;
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                const double want = rows[r][c];
                const double slack =
                    c == 0 && moved ? x_slack * std::fabs(want) : 1e-6 * std::max(1.0, std::fabs(want));
                EXPECT_LE(std::fabs(got[r][c] - want), slack) << name << " row " << r << " column " << c;
            }
        }
    }
}
