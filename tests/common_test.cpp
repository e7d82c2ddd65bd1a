// What every subsystem shares: the reading of hand-typed numbers, the program's matrices, how a
// program's main ends on what escapes it, and the platform glue on this platform, when a file, a directory or a program
// is not what it should be.
#include "common/exit_status.h"
#include "common/owned_matrix.h"
#include "common/parse.h"
#include "common/platform_files.h"
#include "common/platform_process.h"
#include "common/platform_system.h"
#include "common/text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <future>
#include <new>
#include <stdexcept>

namespace {

TEST(Parse, NumbersAreReadWholeOrNotAtAll)
{
    const struct {
        const char* text;
        ParseStatus status;
        int value;
    } whole[] = {{"42", ParseStatus::ok, 42},
                 {"+42", ParseStatus::ok, 42},
                 {"-2147483648", ParseStatus::ok, -2147483647 - 1},
                 {"2147483648", ParseStatus::out_of_range, 0},
                 {"-99999999999", ParseStatus::out_of_range, 0},
                 {"+", ParseStatus::not_a_number, 0},
                 {"+-5", ParseStatus::not_a_number, 0},
                 {" 5", ParseStatus::not_a_number, 0},
                 {"5 ", ParseStatus::not_a_number, 0},
                 {"99999999999x", ParseStatus::not_a_number, 0},
                 {"", ParseStatus::not_a_number, 0}};
    for (const auto& c : whole) {
        int value = 0;
        EXPECT_EQ(parse_int32(c.text, value), c.status) << c.text;
        if (c.status == ParseStatus::ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    const struct {
        const char* text;
        bool accepted;
    } figures[] = {{"0.500000", true}, {"-2.5", true}, {"+1", true},   {".5", true},     {"1e300", true},
                   {"nan", true},      {"-nan", true}, {"-inf", true}, {"inf", true},    {"", false},
                   {"-", false},       {" 1", false},  {"1 ", false},  {"0x1p3", false}, {"0X10", false},
                   {"fast", false},    {"1,5", false}};
    for (const auto& c : figures) {
        double value = 0.0;
        EXPECT_EQ(parse_figure(c.text, value), c.accepted) << c.text;
    }
}

TEST(Parse, ASystemFilesNumberIsItsFirstWholeNumber)
{
    const struct {
        const char* text;
        long long value;
    } cases[] = {{"42\n", 42},
                 {"  7 \n", 7},
                 {"9223372036854775807", 9223372036854775807LL},
                 {"max\n", -1},
                 {"-3\n", -1},
                 {"", -1},
                 {"12 34\n", 12},
                 {"99999999999999999999", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(leading_number(c.text), c.value) << "'" << c.text << "'";
}

TEST(Text, ListsAreJoinedMessagesMadeOneLineAndAByteOrderMarkIsMeasured)
{
    EXPECT_EQ(joined(std::vector<int>{}, ", "), "");
    EXPECT_EQ(joined(std::vector<int>{4}, ", "), "4");
    EXPECT_EQ(joined(std::vector<int>{1, 2, 4}, ", "), "1, 2, 4");
    EXPECT_EQ(joined(std::vector<int>{3, -1}, "/"), "3/-1");
    EXPECT_EQ(joined(std::vector<std::string>{"", "b", ""}, ","), ",b,");

    EXPECT_EQ(one_line("--size: not a number\nRun with --help\n"), "--size: not a number Run with --help");
    EXPECT_EQ(one_line("  kept  \n \n"), "  kept");
    EXPECT_EQ(one_line("\n"), "");

    EXPECT_EQ(byte_order_mark_size("\xEF\xBB\xBFsize"), 3u);
    EXPECT_EQ(byte_order_mark_size("\xEF\xBB\xBF"), 3u);
    EXPECT_EQ(byte_order_mark_size("\xEF\xBB"), 0u); // cut short
    EXPECT_EQ(byte_order_mark_size("size\xEF\xBB\xBF"), 0u);
    EXPECT_EQ(byte_order_mark_size(""), 0u);
}

TEST(OwnedMatrices, TheProgramsOperandsAndEmptyOrders)
{
    for (int n : {0, -3}) {
        const Operands none = program_operands(n);
        EXPECT_TRUE(none.A.rows.empty() && none.C.rows.empty()) << n;
    }
    std::srand(1);
    Operands m = program_operands(2);
    std::srand(1);
    EXPECT_EQ(m.A.rows[0][0], element_from_draw(std::rand()));
    EXPECT_EQ(m.B.rows[0][0], element_from_draw(std::rand())); // A and B take alternate draws
    m.C.rows[1][1] = 3.0f;
    clear_matrix(m.C);
    EXPECT_EQ(m.C.rows[1][1], 0.0f);
    EXPECT_EQ(view(m.A)[1], m.A.rows[1].data());
}

// A refusal keeps its own status and message; anything else is one line and status 1.
TEST(GuardedMain, WhatEscapesABodyEndsInOneLineAndItsStatus)
{
    const struct {
        int (*body)(int, char**);
        int status;
        const char* said;
    } cases[] = {
        {[](int, char**) { return 7; }, 7, ""},
        {[](int, char**) -> int {
             throw Refusal{exit_out_of_memory, "too big: 3 GiB"};
         },
         3, "prog: too big: 3 GiB\n"},
        {[](int, char**) -> int { throw std::runtime_error("broken"); }, 1, "prog: broken\n"},
        {[](int, char**) -> int { throw std::bad_alloc(); }, 1, "prog: std::bad_alloc\n"},
        {[](int, char**) -> int { throw 5; }, 1, "prog: failed\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(guarded_main("prog", c.body, 0, nullptr), c.status);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.said);
    }
}

TEST(Platform, FilesProgramsAndPathsThatAreNotThereOrNotRight)
{
    const std::string dir = make_scratch_dir("platform");
    EXPECT_EQ(read_text_file((dir + "/missing").c_str()), "");
    std::string text = "left over";
    EXPECT_FALSE(read_whole_file(dir + "/missing", text));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(text, "");
    EXPECT_FALSE(read_whole_file(dir, text)); // a directory opens, but has nothing to read
    EXPECT_EQ(errno, EISDIR);
    std::string bytes(200000, 'x'); // more than one block, a NUL and a CR LF among them
    bytes[70000] = '\0';
    bytes.replace(150000, 2, "\r\n");
    write_file(dir + "/bytes", bytes);
    ASSERT_TRUE(read_whole_file(dir + "/bytes", text));
    EXPECT_EQ(text, bytes);

    // PATH: an empty entry is the current directory; a file that cannot be run is passed over.
    ASSERT_EQ(shell("mkdir '" + dir + "/a' '" + dir + "/b' && touch '" + dir +
                    "/a/tool' && printf '#!/bin/sh\\nexit 7\\n' > '" + dir + "/b/tool' && chmod +x '" + dir +
                    "/b/tool'"),
              0);
    const char* saved = std::getenv("PATH");
    const std::string old_path = saved ? saved : "";
    setenv("PATH", (dir + "/a::" + dir + "/b").c_str(), 1);
    EXPECT_EQ(find_on_path("tool"), dir + "/b/tool");
    EXPECT_EQ(find_on_path("no-such-tool"), "");
    unsetenv("PATH");
    EXPECT_EQ(find_on_path("tool"), "");
    setenv("PATH", old_path.c_str(), 1);

    const auto run = [&dir](const std::string& tool, const std::string& error_file) {
        return run_bounded_program({tool}, dir + "/out.txt", error_file, 60.0, [] { return 0; }).status;
    };
    write_file(dir + "/out.txt", "");
    write_file(dir + "/err.txt", "");
    EXPECT_EQ(run(dir + "/b/tool", dir + "/err.txt"), 7);
    EXPECT_EQ(run(dir + "/a/tool", dir + "/err.txt"), -1); // not executable: never ran
    EXPECT_EQ(run(dir + "/b/tool", dir + "/no/such/dir/err.txt"), -1);

    bool open_failed = false;
    EXPECT_NE(append_whole_text((dir + "/no/such/dir/out.csv").c_str(), "x\n", open_failed), 0);
    EXPECT_TRUE(open_failed);
    EXPECT_EQ(append_whole_text((dir + "/out.csv").c_str(), "a\n", open_failed), 0);
    EXPECT_FALSE(open_failed);
    EXPECT_EQ(read_file(dir + "/out.csv"), "a\n");
}

// The programs ignore SIGPIPE (guarded_main); gnuplot must not inherit that and write on into a
// closed pipe. The child's own /proc entry says which signals it started with ignored.
TEST(Platform, AHelperStartsWithSigpipeAtItsDefaultThoughTheCallerIgnoresIt)
{
    if (!file_exists("/proc/self/status"))
        GTEST_SKIP() << "no /proc to read a process's signal dispositions from";
    const std::string dir = make_scratch_dir("platform_sigpipe");
    write_file(dir + "/out.txt", "");
    write_file(dir + "/err.txt", "");
    // SIGUSR1 shows that an ignored signal does reach the child's mask, so that SIGPIPE's absence
    // from it means something.
    const auto pipe_before = std::signal(SIGPIPE, SIG_IGN), usr1_before = std::signal(SIGUSR1, SIG_IGN);
    const ProgramEnd end = run_bounded_program({"/bin/cat", "/proc/self/status"}, dir + "/out.txt", dir + "/err.txt",
                                               60.0, [] { return 0; });
    std::signal(SIGPIPE, pipe_before);
    std::signal(SIGUSR1, usr1_before);
    ASSERT_EQ(end.status, 0) << read_file(dir + "/err.txt");
    const std::string status = read_file(dir + "/out.txt");
    const std::size_t at = status.find("SigIgn:");
    ASSERT_NE(at, std::string::npos) << status;
    const unsigned long long ignored = std::stoull(status.substr(at + 7), nullptr, 16);
    EXPECT_EQ((ignored >> (SIGUSR1 - 1)) & 1u, 1u) << status.substr(at, 30);
    EXPECT_EQ((ignored >> (SIGPIPE - 1)) & 1u, 0u) << status.substr(at, 30);
}

// A row for a pipe whose reader is behind waits for the reader rather than being lost. A
// broken version returns at once; a slow machine can only hide that, never fail a sound one.
TEST(Platform, ARowForAFullPipeWaitsForItsReader)
{
    const std::string dir = make_scratch_dir("platform");
    const std::string fifo = dir + "/out.csv";
    ASSERT_EQ(shell("mkfifo '" + fifo + "'"), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const int filler = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_GE(filler, 0);
    const std::string block(4096, 'x');
    std::size_t filled = 0;
    for (ssize_t wrote = 0; (wrote = ::write(filler, block.data(), block.size())) > 0;)
        filled += static_cast<std::size_t>(wrote);

    bool open_failed = false;
    auto appended =
        std::async(std::launch::async, [&] { return append_whole_text(fifo.c_str(), "2,8\n", open_failed); });
    EXPECT_EQ(appended.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    std::string drained(filled, '\0');
    for (std::size_t got = 0; got < filled;) { // all there already: the reads never wait
        const ssize_t n = ::read(reader, &drained[got], filled - got);
        ASSERT_GT(n, 0);
        got += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(appended.get(), 0);
    EXPECT_FALSE(open_failed);
    char row[16] = {};
    EXPECT_EQ(::read(reader, row, sizeof(row)), 4);
    EXPECT_STREQ(row, "2,8\n");
    ::close(filler);
    ::close(reader);
}

TEST(Platform, AClaimedFileIsOnlyEverARegularFileOfOurOwnAndOneClaimantsAtATime)
{
    const std::string dir = make_scratch_dir("platform_claim");
    write_file(dir + "/precious", "kept\n");
    const struct {
        const char* setup; // shell text run in dir first
        ClaimProblem problem;
        const char* after; // what name holds afterwards ("-": not there)
    } cases[] = {
        {"", ClaimProblem::none, ""},                                  // created
        {": > name", ClaimProblem::none, ""},                          // empty
        {"printf 'HEADER\\n1,2\\n1,' > name", ClaimProblem::none, ""}, // our own, even torn: emptied
        {"printf '2,512,0.1\\n' > name", ClaimProblem::not_ours, "2,512,0.1\n"},
        {"printf 'HEADER,more\\n' > name", ClaimProblem::not_ours, "HEADER,more\n"},
        {"ln -s precious name", ClaimProblem::link, "kept\n"}, // the target is untouched
        {"ln -s missing name", ClaimProblem::link, "-"},       // and none is created
        {"mkfifo name", ClaimProblem::not_regular, "-"},       // no wait for a reader
        {"mkdir name", ClaimProblem::cannot_open, "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setup);
        ASSERT_EQ(shell("cd '" + dir + "' && rm -rf name missing && " + (*c.setup ? c.setup : "true")), 0);
        ClaimProblem problem = ClaimProblem::busy;
        std::FILE* file = claim_file(dir + "/name", "HEADER", problem);
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(file != nullptr, c.problem == ClaimProblem::none);
        if (file)
            std::fclose(file);
        if (std::string(c.after) != "-") {
            EXPECT_EQ(read_file(dir + "/name"), c.after);
        }
        EXPECT_EQ(read_file(dir + "/precious"), "kept\n");
        EXPECT_FALSE(file_exists(dir + "/missing"));
    }

    // One claimant at a time, and the claim ends with the file.
    ClaimProblem problem = ClaimProblem::none;
    std::FILE* first = claim_file(dir + "/held", "HEADER", problem);
    ASSERT_NE(first, nullptr);
    std::fputs("HEADER\n", first);
    std::fflush(first);
    EXPECT_EQ(claim_file(dir + "/held", "HEADER", problem), nullptr);
    EXPECT_EQ(problem, ClaimProblem::busy);
    EXPECT_EQ(read_file(dir + "/held"), "HEADER\n"); // the refused claimant emptied nothing
    std::fclose(first);
    std::FILE* second = claim_file(dir + "/held", "HEADER", problem);
    EXPECT_NE(second, nullptr);
    if (second)
        std::fclose(second);
    EXPECT_EQ(claim_file(dir + "/no/such/dir/x", "HEADER", problem), nullptr);
    EXPECT_EQ(problem, ClaimProblem::cannot_open);
}

TEST(Platform, ANewUniqueFileIsNeverOneThatWasThereNorALinkAndHasTheAccessAskedFor)
{
    const std::string dir = make_scratch_dir("platform_unique");
    const mode_t mask = umask(022);
    umask(mask);
    const struct {
        NewFileAccess access;
        mode_t mode;
    } cases[] = {{NewFileAccess::owner_only, 0600}, {NewFileAccess::as_umask, 0666 & ~mask}};
    for (const auto& c : cases) {
        std::string first, second;
        std::FILE* a = create_unique_file(dir + "/r.tmp.", c.access, first);
        std::FILE* b = create_unique_file(dir + "/r.tmp.", c.access, second);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_NE(first, second);
        EXPECT_EQ(first.size(), (dir + "/r.tmp.").size() + 6);
        struct stat info {};
        ASSERT_EQ(stat(first.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, c.mode) << std::oct << info.st_mode;
        std::fclose(a);
        std::fclose(b);
        EXPECT_EQ(create_unique_file(dir + "/no/such/dir/r.", c.access, first), nullptr);
        EXPECT_EQ(errno, ENOENT);
    }
}

TEST(Platform, AStandardStreamStartedClosedIsTakenButStillFails)
{
    // A child of its own: the test's own streams stay as they are.
    const std::string dir = make_scratch_dir("platform_streams");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(2);
        occupy_closed_standard_streams();
        const int taken = fcntl(2, F_GETFD) != -1;
        const int opened = open((dir + "/file").c_str(), O_WRONLY | O_CREAT, 0600);
        const bool write_fails = write(2, "x", 1) < 0 && errno == EBADF;
        _exit(taken && opened > 2 && write_fails ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Platform, TheSystemDescribesItself)
{
    EXPECT_FALSE(operating_system_name().empty());
    EXPECT_FALSE(host_name().empty());
    std::tm utc{};
    ASSERT_TRUE(utc_time(86400 + 3600, utc));
    EXPECT_EQ(utc.tm_year, 70);
    EXPECT_EQ(utc.tm_mday, 2);
    EXPECT_EQ(utc.tm_hour, 1);
    const SystemLimits limits = read_system_limits();
    EXPECT_NE(limits.stack, 0);
    setenv("OMP_TILEBENCH_PROBE", "1", 1);
    const auto found = environment_with_prefixes({"OMP_TILEBENCH_"});
    unsetenv("OMP_TILEBENCH_PROBE");
    EXPECT_EQ(found, (std::vector<std::pair<std::string, std::string>>{{"OMP_TILEBENCH_PROBE", "1"}}));
}

} // namespace
