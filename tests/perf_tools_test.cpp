// The perf tools end as every program of the project does: what escapes their work (here memory
// that cannot be had) is one line on standard error and status 1, not std::terminate's abort.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(PerfTools, AFailureEndsInOneLineAndStatusOne)
{
    const std::string dir = make_scratch_dir("perf_tools");
    // Three matrices of order 20000 are 4.8 GB; 400 MB of address space holds none of them.
    const ProgramRun run = run_in(dir, "'" TILEBENCH_SEQ_TIMER_EXE "' 20000 64 1", "", "ulimit -v 400000 &&");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tilebench_seq_timer: std::bad_alloc\n");
    EXPECT_EQ(run.out, "");
}

} // namespace
