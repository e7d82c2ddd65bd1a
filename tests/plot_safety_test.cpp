// tilebench-plot reads records and files that other people made, and runs gnuplot: these tests
// hold that nothing in them becomes a command, that what they hold reaches the terminal escaped,
// and that gnuplot never outlives the tool nor leaves files behind, whether it hangs or a signal
// stops the tool.
#include "gnuplot_grammar.h"
#include "plot/plot.h"
#include "plot_script.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string plot_exe = TILEBENCH_PLOT_EXE;

// Texts that would be gnuplot or shell syntax, or terminal commands, if taken for anything but text.
const std::vector<std::string> hostile_texts = {
    "Xeon `touch pwned`",
    "a\nset output 'x'\n!touch pwned",
    "a\rb",
    "it's",
    "say \"hi\"",
    "back\\",
    "back\\\n",
    "@macro @ARG0",
    "$(touch pwned)",
    "system('touch pwned')",
    "'; system('touch pwned'); '",
    "EOD\n!touch pwned\n$x << EOD",
    std::string("nul\0after", 9),
    "\x1b[31mred\x1b]0;title\x07",
    "\xff\xfe invalid \xc3",
    "\xc2\x9b C1 and \xe2\x80\xae reversed",
    "# comment ; second",
    "|touch pwned",
    "~root",
    "-e",
    "x\\\ny",
};

std::string hostile_name(const std::string& text)
{
    return text + ".svg";
}

TEST(PlotScriptGrammar, EveryWayTextCouldBecomeACommandIsCaught)
{
    const std::string terminal = "set terminal svg size 900,800 dynamic enhanced font 'sans,12'\n";
    const std::string block = "$run1 << EOD\n2 1.5 0.75\nEOD\n";
    const std::string plot = "plot x with lines dashtype 2 lc rgb 'gray40' title 'ideal', $run1 using 1:2 with "
                             "linespoints lw 2 title ";
    ASSERT_EQ(script_breach(terminal + block + plot + "'it''s'\n"), "");
    const std::string breaches[] = {
        terminal + "set title \"Xeon `touch pwned`\"\n", // what the tool wrote before
        terminal + "set title 'a'\n!touch pwned\n",
        terminal + "set title 'a' . `id`\n",
        terminal + "set title 'a'\n@macro\n",
        terminal + "set title 'a'; system('touch pwned')\n",
        terminal + "set title 'a\rb'\n",
        terminal + "set title 'a\n",
        terminal + "set title 'a' # comment\n",
        terminal + "set title 'a'\nset title \"\\n\"\n",
        terminal + "$run1 << EOD\n2 1.5 `id`\nEOD\n",
        terminal + "$run1 << EOD\n2 1.5\nEOD\nsystem('id')\nEOD\n",
        terminal + "$run1 << EOD\n2 1.5\n",
        terminal + plot + "'a'\n", // $run1 was never defined
        terminal + block + plot + "'a', '/etc/passwd' using 1:2 title 'b'\n",
        "set title 'a'\n", // no terminal first
    };
    for (const std::string& script : breaches)
        EXPECT_NE(script_breach(script), "") << script;
}

TEST(PlotScripts, TextFromRecordsAndNamesIsQuotedAndShownNeverRun)
{
    const struct {
        std::string text, quoted;
    } cases[] = {
        {"Xeon `touch pwned`", "'Xeon `touch pwned`'"},
        {"it's", "'it''s'"},
        {"say \"hi\" \\n", "'say \"hi\" \\n'"},
        {"a\nb\rc", "'a\\x0ab\\x0dc'"},
        {std::string("nul\0after", 9), "'nul\\x00after'"},
        {"\x1b[31m\x7f", "'\\x1b[31m\\x7f'"},
        {"\xff caf\xc3\xa9 \xc3", "'\\xff caf\xc3\xa9 \\xc3'"},             // only the broken bytes
        {"\xc2\x9b \xe2\x80\xae", "'\\xc2\\x9b \\xe2\\x80\\xae'"},          // C1, a right-to-left override
        {"\xe0\x80\xaf \xed\xa0\x80", "'\\xe0\\x80\\xaf \\xed\\xa0\\x80'"}, // overlong, surrogate
    };
    for (const auto& c : cases)
        EXPECT_EQ(gnuplot_quoted(c.text), c.quoted) << c.quoted;
    // Relative names cannot start a pipe or a home directory.
    const std::string script = "set terminal svg\nplot x\n";
    EXPECT_EQ(drawing_into(script, "|touch pwned.svg"), "set terminal svg\nset output './|touch pwned.svg'\nplot x\n");
    EXPECT_EQ(drawing_into(script, "/tmp/~x.svg"), "set terminal svg\nset output '/tmp/~x.svg'\nplot x\n");
}

// The fuzz target's own property, on every hostile text in every place a text enters and with
// figures at the edges of what a record may hold.
TEST(PlotScripts, EveryScriptIsTheToolsOwnCommandsWhateverTheInputs)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<int, double>> points = {{1, 1.0},  {2, nan},      {INT_MAX, 1e308}, {INT_MIN, -inf},
                                                        {0, -0.0}, {3, 4.9e-324}, {-7, -2.5}};
    for (int slot = 0; slot < text_count; ++slot)
        for (const std::string& text : hostile_texts) {
            std::vector<std::string> texts(text_count, "plain");
            texts[slot] = slot == output_name ? hostile_name(text) : text;
            EXPECT_EQ(plot_script_breach(plot_script_input(texts, points)), "") << "text " << slot << ": " << text;
        }
    EXPECT_EQ(plot_script_breach(plot_script_input(hostile_texts, {})), "");
    EXPECT_EQ(plot_script_breach(""), "");
    // The target draws one format per input; each format's terminal line holds too.
    const std::vector<NamedRun> runs = {{"run 1", {FileRow{{2, 64, 0.1, 1.9, 0.95, 0.475}, 1}}}};
    for (PictureFormat format : {PictureFormat::png, PictureFormat::svg, PictureFormat::pdf})
        EXPECT_EQ(script_breach(drawing_into(gnuplot_script(runs, format), "p.png")), "");
}

TEST(PlotScans, ManyScansSideBySideStayNearerTheirOwnThreadCount)
{
    const std::vector<int> counts = {1, 2, 3, 4, 8, 16};
    for (std::size_t scans : {1, 2, 5, 11, 12, 40}) {
        std::vector<ScanPlot> plots(scans);
        for (ScanPlot& scan : plots) {
            RecordConfiguration baseline;
            baseline.kind = "sequential";
            baseline.median_s = 1.0;
            scan.record.configurations = {baseline};
            for (int threads : counts) {
                RecordConfiguration c;
                c.kind = "parallel";
                c.threads = threads;
                c.median_s = c.ci_low_s = c.ci_high_s = 1.0 / threads;
                scan.record.configurations.push_back(c);
                RecordSpeedup p;
                p.threads = threads;
                p.speedup = p.ci_low = p.ci_high = p.efficiency = p.efficiency_ci_low = p.efficiency_ci_high = 1.0;
                scan.record.speedups.push_back(p);
            }
        }
        const std::string script = scan_gnuplot_script(plots, PictureFormat::svg);
        ASSERT_EQ(script_breach(script), "");
        // Column 0 of each row is its x, where the thread count it stands for is drawn.
        std::map<std::string, DataRows> blocks = data_blocks(script);
        double previous_x = -1.0;
        for (std::size_t k = 1; k <= scans; ++k) {
            const DataRows& linear = blocks["$speedup" + std::to_string(k)];
            const DataRows& log = blocks["$time" + std::to_string(k)];
            ASSERT_EQ(linear.size(), counts.size());
            ASSERT_EQ(log.size(), counts.size());
            for (std::size_t i = 0; i < counts.size(); ++i) {
                EXPECT_LE(std::fabs(linear[i][0] - counts[i]), 0.4 + 1e-9) << scans << " scans, scan " << k;
                // On the log axis the nearest counts are 3 and 4: within 0.4 of that ratio.
                EXPECT_LE(std::fabs(std::log(log[i][0] / counts[i])),
                          0.4 * std::log(4.0 / 3.0) + 1e-4) // printed to 6 digits
                    << scans << " scans, scan " << k;
            }
            EXPECT_GT(linear[0][0], previous_x) << "scans stay apart and in order"; // scan k right of scan k - 1
            previous_x = linear[0][0];
        }
    }
}

// Shell text that the shell reads as the one word text.
std::string shell_word(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string json_record(const std::string& cpu_model, const std::string& kernel, const std::string& warning,
                        const std::string& figure = "1.5")
{
    return R"({"parameters": {"size": 64, "block": 8, "kernel": )" + kernel + R"(, "bind": "cores"},
  "machine": {"cpu_model": )" +
           cpu_model + R"(, "physical_cores": 2},
  "configurations": [
    {"kind": "sequential", "threads": 1, "runs": 3, "median_s": )" +
           figure + R"(, "ci_low_s": )" + figure + R"(, "ci_high_s": )" + figure + R"(},
    {"kind": "parallel", "threads": 2, "teams": [2], "runs": 3, "median_s": )" +
           figure + R"(, "ci_low_s": )" + figure + R"(, "ci_high_s": )" + figure + R"(}],
  "speedup": [{"threads": 2, "speedup": )" +
           figure + R"(, "ci_low": )" + figure + R"(, "ci_high": )" + figure + R"(, "efficiency": )" + figure +
           R"(, "efficiency_ci_low": )" + figure + R"(, "efficiency_ci_high": )" + figure +
           R"(, "tile_bound": 2.0, "precision_reached": true}],
  "warnings": [{"kind": "loaded", "message": )" +
           warning + R"(}], "rounds": 3, "interrupted": false})";
}

// Drawn with the real gnuplot, and the script it writes run once more as a user would: nothing
// from the records, the file names or the output's name is run.
TEST(PlotTool, HostileRecordsAndNamesAreDrawnAsTextAndRunNothing)
{
    const std::string dir = make_scratch_dir("plot_hostile");
    const std::string records[] = {
        json_record(R"("Xeon `touch pwned1` \u001b[31m")", R"j("x\"; system(\"touch pwned2\")")j",
                    R"("@x `touch pwned3`")"),
        json_record(R"("'\n!touch pwned4\n")", R"("EOD\n!touch pwned5\nEOD")", R"("\r\u0000`touch pwned6`")"),
    };
    write_file(dir + "/a`touch pwned7`.json", records[0]);
    write_file(dir + "/b'\n!touch pwned8\n\x1b.json", records[1]);
    const std::string output = "o`touch pwned9`$(touch pwned10).svg";
    const ProgramRun scans =
        run_in(dir, shell_word(plot_exe) + " --script drawn.gp --output " + shell_word(output) + " " +
                        shell_word("a`touch pwned7`.json") + " " + shell_word("b'\n!touch pwned8\n\x1b.json"));
    EXPECT_EQ(scans.status, 0) << scans.err;
    EXPECT_TRUE(is_whole_picture(read_file(dir + "/" + output), PictureFormat::svg));
    EXPECT_EQ(script_breach(read_file(dir + "/drawn.gp")), "");
    EXPECT_EQ(shell("cd " + shell_word(dir) + " && gnuplot drawn.gp 2>/dev/null"), 0);

    write_file(dir + "/c`touch pwned11`.csv", "2,64,0.1,1.9,0.95,0.475\n");
    write_file(dir + "/d'\n!touch pwned12\n.csv", "2,64,0.1,1.9,0.95,0.475\n");
    const ProgramRun results =
        run_in(dir, shell_word(plot_exe) + " --output r.png " + shell_word("c`touch pwned11`.csv") + " " +
                        shell_word("d'\n!touch pwned12\n.csv"));
    EXPECT_EQ(results.status, 0) << results.err;
    EXPECT_TRUE(is_whole_picture(read_file(dir + "/r.png"), PictureFormat::png));
    EXPECT_EQ(shell("ls -A " + shell_word(dir) + " | grep -q '^pwned'"), 1) << "a command from a file ran";
    for (const std::string& shown_text : {scans.out, scans.err, results.out, results.err})
        EXPECT_EQ(shown_text.find('\x1b'), std::string::npos) << shown_text;
}

TEST(PlotTool, ControlCharactersFromFilesAndNamesReachTheTerminalEscaped)
{
    const std::string dir = make_scratch_dir("plot_escaped");
    write_file(dir + "/e\x1b[2J.csv", "2,64,0.1,1.9,0.95,0.475\nnot a row\n");
    write_file(dir + "/scan.json",
               json_record(R"("Xeon\u001b]0;owned\u0007")", R"("tiled\u009b1m")", R"("busy\r\nforged line")"));
    const struct {
        std::string command, out, err;
    } cases[] = {
        {"--output p.svg " + shell_word("e\x1b[2J.csv"), "run 1: size 64",
         "tilebench-plot: e\\x1b[2J.csv:2: skipped: "},
        {shell_word("missing\x1b[2J.csv"), "", "tilebench-plot: cannot read missing\\x1b[2J.csv: No such file"},
        {"--output p.svg scan.json",
         "scan.json: Xeon\\x1b]0;owned\\x07, 2 physical cores, n 64, b 8, tiled\\xc2\\x9b1m kernel", ""},
        {"--output p.svg scan.json", "warning (loaded): busy\\x0d\\x0aforged line\n", ""},
        {"--output " + shell_word("\x1b[2J.jpg"), "",
         "tilebench-plot: --output \\x1b[2J.jpg: the name must end in .png, .svg or .pdf\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = run_in(dir, shell_word(plot_exe) + " " + c.command);
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        for (const std::string& text : {run.out, run.err})
            for (char byte : text)
                EXPECT_TRUE(byte == '\n' || static_cast<unsigned char>(byte) >= 0x20) << c.command << ": " << text;
    }
}

TEST(PlotTool, TheScriptReplacesARegularFileButNeverWritesThroughALinkOrIntoAFifoOrDevice)
{
    const std::string dir = make_scratch_dir("plot_script_file");
    write_file(dir + "/out.csv", "2,64,0.1,1.9,0.95,0.475\n");
    // The picture is put in place by a rename, which would replace a FIFO or a device with it.
    ASSERT_EQ(shell("cd " + shell_word(dir) + " && mkfifo drawn.png"), 0);
    const ProgramRun fifo = run_in(dir, "timeout 60 " + shell_word(plot_exe) + " --output drawn.png");
    EXPECT_EQ(fifo.status, 1);
    EXPECT_EQ(fifo.err,
              "tilebench-plot: cannot write drawn.png: it is not a regular file (a FIFO, a device or a directory)\n");
    EXPECT_EQ(shell("[ -p " + shell_word(dir + "/drawn.png") + " ]"), 0);
    const std::string link_refused =
        "tilebench-plot: cannot write drawn.gp: it is a symbolic link, and nothing is written through one\n";
    const std::string not_regular = "it is not a regular file (a FIFO, a device or a directory)\n";
    const struct {
        std::string before, script; // shell run first in dir; the --script name
        int status;
        std::string err;
    } cases[] = {
        {"", "drawn.gp", 0, ""},
        {"printf 'old\\n' > drawn.gp", "drawn.gp", 0, ""}, // named by the user: replaced whole
        {"ln -s precious drawn.gp", "drawn.gp", 1, link_refused},
        {"ln -s missing drawn.gp", "drawn.gp", 1, link_refused},
        {"mkfifo drawn.gp", "drawn.gp", 1, "tilebench-plot: cannot write drawn.gp: " + not_regular},
        {"", "/dev/null", 1, "tilebench-plot: cannot write /dev/null: " + not_regular},
        {"mkdir drawn.gp", "drawn.gp", 1, "tilebench-plot: cannot write drawn.gp: " + not_regular},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(shell("cd " + shell_word(dir) + " && rm -rf drawn.gp drawn.svg && " +
                        (c.before.empty() ? std::string("true") : c.before)),
                  0);
        write_file(dir + "/precious", "kept\n");
        // Bounded: a FIFO opened for writing without a reader would wait for ever.
        const ProgramRun run =
            run_in(dir, "timeout 60 " + shell_word(plot_exe) + " --output drawn.svg --script " + c.script);
        EXPECT_EQ(run.status, c.status) << c.before << " " << run.err;
        EXPECT_EQ(run.err, c.err) << c.before;
        EXPECT_EQ(read_file(dir + "/precious"), "kept\n") << c.before;
        EXPECT_FALSE(file_exists(dir + "/missing")) << c.before;
        EXPECT_EQ(file_exists(dir + "/drawn.svg"), c.status == 0) << c.before;
        if (c.status == 0) {
            EXPECT_EQ(read_file(dir + "/drawn.gp").rfind("set terminal svg", 0), 0u) << c.before;
        } else if (c.script == "drawn.gp") {
            EXPECT_NE(shell("cd " + shell_word(dir) + " && [ -f drawn.gp ] && [ ! -L drawn.gp ]"), 0)
                << c.before << ": what stood there was replaced";
        }
        EXPECT_NE(shell("ls -A " + shell_word(dir) + " | grep -q tmp"), 0) << "a temporary file is left";
    }
}

// A stand-in gnuplot that never ends: it notes its process and each stop signal it gets.
void install_stuck_gnuplot(const std::string& dir)
{
    ASSERT_EQ(shell("mkdir -p " + shell_word(dir + "/bin") + " " + shell_word(dir + "/tmp")), 0);
    write_file(dir + "/bin/gnuplot", "#!/bin/sh\n"
                                     "for s in INT TERM HUP; do trap \"echo $s > got; exit 1\" $s; done\n"
                                     "echo $$ > started\n"
                                     "while :; do sleep 0.05; done\n");
    ASSERT_EQ(shell("chmod +x " + shell_word(dir + "/bin/gnuplot")), 0);
    write_file(dir + "/out.csv", "2,64,0.1,1.9,0.95,0.475\n");
}

// What a stopped drawing must leave: no gnuplot, no temporary file, no picture.
void expect_nothing_left(const std::string& dir)
{
    EXPECT_NE(shell("kill -0 $(cat " + shell_word(dir + "/started") + ") 2>/dev/null"), 0) << "gnuplot lives on";
    EXPECT_EQ(shell("ls -A " + shell_word(dir + "/tmp") + " | grep -q ."), 1) << "a temporary file is left";
    EXPECT_EQ(shell("ls -A " + shell_word(dir) + " | grep -q part"), 1) << "a temporary picture is left";
    EXPECT_FALSE(file_exists(dir + "/speedup.png"));
}

// Started as a user's shell would start it in the foreground, with SIGINT not ignored (a
// background job of a script would have it ignored); ignore_interrupt starts it as nohup would.
pid_t start_plot(const std::string& dir, const std::vector<std::string>& arguments, bool ignore_interrupt)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    if (chdir(dir.c_str()) != 0)
        _exit(126);
    setenv("PATH", (dir + "/bin:/usr/bin:/bin").c_str(), 1);
    setenv("TMPDIR", "tmp", 1);
    const int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(err, 2);
    dup2(open("/dev/null", O_WRONLY), 1);
    std::signal(SIGINT, ignore_interrupt ? SIG_IGN : SIG_DFL);
    std::vector<char*> argv{const_cast<char*>(plot_exe.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// Waits (bounded, for a loaded machine) until the stand-in gnuplot has started.
bool gnuplot_started(const std::string& dir)
{
    for (int tries = 0; tries < 600 && !file_exists(dir + "/started"); ++tries)
        usleep(50 * 1000);
    usleep(100 * 1000); // its traps are set before it writes the file; let it reach its loop
    return file_exists(dir + "/started");
}

int exit_status_of(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

TEST(PlotTool, AStopSignalReachesGnuplotAndLeavesNothingBehind)
{
    const struct {
        int signal;
        const char* name;
        int status;
    } cases[] = {{SIGINT, "INT", 130}, {SIGTERM, "TERM", 143}, {SIGHUP, "HUP", 129}};
    for (const auto& c : cases) {
        const std::string dir = make_scratch_dir("plot_signal");
        install_stuck_gnuplot(dir);
        const pid_t plot = start_plot(dir, {}, false);
        ASSERT_TRUE(gnuplot_started(dir)) << c.name;
        kill(plot, c.signal);
        EXPECT_EQ(exit_status_of(plot), c.status) << c.name;
        EXPECT_EQ(read_file(dir + "/got"), std::string(c.name) + "\n") << "the signal was not passed on";
        EXPECT_EQ(read_file(dir + "/stderr.txt"),
                  std::string("tilebench-plot: stopped by SIG") + c.name + "; speedup.png is left as it was\n");
        expect_nothing_left(dir);
    }
}

// Started as nohup would start it, the tool keeps the interrupt ignored: only the timeout ends
// the hung gnuplot.
TEST(PlotTool, AGnuplotThatHangsIsStoppedAtTheTimeoutAndAnIgnoredInterruptStaysIgnored)
{
    const std::string dir = make_scratch_dir("plot_hang");
    install_stuck_gnuplot(dir);
    const pid_t plot = start_plot(dir, {"--timeout", "2"}, true);
    ASSERT_TRUE(gnuplot_started(dir));
    kill(plot, SIGINT);
    EXPECT_EQ(exit_status_of(plot), 1);
    EXPECT_FALSE(file_exists(dir + "/got"));
    EXPECT_EQ(read_file(dir + "/stderr.txt"),
              "tilebench-plot: gnuplot did not finish within 2 s and was stopped; speedup.png is left as it was\n");
    expect_nothing_left(dir);
}

TEST(PlotTool, TheBenchmarkScriptFailsWithoutGnuplotAndLeavesNoOlderPicture)
{
    const std::string dir = make_scratch_dir("run_and_draw_no_gnuplot");
    ASSERT_EQ(shell("mkdir " + shell_word(dir + "/bin") +
                    " && for p in bash sh cat wc tail mktemp rm echo; do "
                    "ln -s \"$(command -v $p)\" " +
                    shell_word(dir + "/bin") + "/$p; done"),
              0);
    write_file(dir + "/speedup.png", "a picture of an earlier run");
    const ProgramRun run = run_in(dir,
                                  "bash " + shell_word(TILEBENCH_SOURCE_DIR "/scripts/run-and-draw.sh") + " " +
                                      shell_word(TILEBENCH_BIN_DIR) + " 16 4 1 3",
                                  "", "PATH=" + shell_word(dir + "/bin"));
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("gnuplot is not installed"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("no picture of this run"), std::string::npos) << run.err;
    EXPECT_FALSE(file_exists(dir + "/speedup.png"));
}

ComparisonRecord comparison_with_texts(const std::string& text, double threshold)
{
    ComparisonRecord record;
    record.a.record = text + ".json";
    record.b.record = text;
    record.threshold = threshold;
    record.differences = {{text, text, text, false}};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const int t : {1, 2, INT_MAX, -3}) {
        ComparisonCount c;
        c.threads = t;
        c.time.ratio = t == 2 ? nan : 0.9;
        c.time.ci_low = 0.85;
        c.time.ci_high = t == INT_MAX ? 1e308 : 0.95;
        c.speedup.ratio = 1.1;
        c.speedup.ci_low = -0.0;
        c.speedup.ci_high = 1.2;
        c.time.verdict = text;
        record.thread_counts.push_back(c);
    }
    return record;
}

// A comparison record's texts reach the script only quoted, its figures only as numbers, and
// the band is drawn at 1 +- the threshold, or not at all when the threshold is not one a
// comparison can have.
TEST(PlotComparison, TheScriptIsTheToolsOwnCommandsWithTheBandAndNoChangeLine)
{
    for (const std::string& text : hostile_texts)
        for (const double threshold : {0.02, 0.0, std::numeric_limits<double>::quiet_NaN(), 1e308, -1.0})
            for (PictureFormat format : {PictureFormat::png, PictureFormat::svg, PictureFormat::pdf}) {
                const std::string script =
                    comparison_gnuplot_script(comparison_with_texts(text, threshold), text, format);
                EXPECT_EQ(script_breach(drawing_into(script, "c.png")), "") << text << " " << threshold;
            }
    const std::string script =
        comparison_gnuplot_script(comparison_with_texts("a", 0.02), "c.json", PictureFormat::svg);
    // Each ratio with its own interval; one that is not a number is left out.
    expect_data_blocks(
        script, {{"$time1", {{1, 0.9, 0.85, 0.95}, {INT_MAX, 0.9, 0.85, 1e308}, {-3, 0.9, 0.85, 0.95}}},
                 {"$speedup1", {{1, 1.1, 0, 1.2}, {2, 1.1, 0, 1.2}, {INT_MAX, 1.1, 0, 1.2}, {-3, 1.1, 0, 1.2}}}});
    EXPECT_NE(script.find("plot 1 with lines dashtype 1 lc rgb 'gray20' title 'no change (y = 1)', 0.980000 with "
                          "lines dashtype 2 lc rgb 'gray50' title 'no difference within +-2 %', 1.020000 with"),
              std::string::npos)
        << script;
    EXPECT_NE(script.find("$speedup1 using 1:2:3:4 with yerrorbars"), std::string::npos);
}

} // namespace
