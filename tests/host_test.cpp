// The scan's defence against a host that takes part of a CPU away, on synthetic rounds: no clock
// is read, so every verdict here is exact. Each case fails when one piece is taken out: the
// starvation judgement, the clean-round figures and stop rule, the pairing of the point estimate
// with its interval, and the floor of paired rounds under a precise interval.
#include "kernels/kernels.h"
#include "scan/cells.h"
#include "scan/scan.h"
#include "stats/stats.h"

#include <gtest/gtest.h>

#include <omp.h>

#include <cmath>
#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// A scan of (baseline, team of 1, team of 2) in which CPU 0 keeps its rate and CPU 1 runs at
// cpu1[r] in round r + 1: the team of two waits for its slower half, so its time is 0.5 over
// that rate. Times carry about 1 % of deterministic scatter; the probe's rates carry the same.
struct Synthetic {
    std::vector<Configuration> configurations = plan_configurations({1, 2});
    std::vector<Sample> samples;
    std::vector<ProbeRound> probes;
};

Synthetic synthetic_scan(const std::vector<double>& cpu1)
{
    Synthetic scan;
    for (std::size_t r = 0; r < cpu1.size(); ++r) {
        const int round = static_cast<int>(r + 1);
        const double jitter = 1.0 + 0.01 * std::sin(2.3 * round), probe_jitter = 1.0 + 0.01 * std::cos(1.9 * round);
        scan.samples.push_back({round, 0, 1, 1.0 * jitter, true});
        scan.samples.push_back({round, 1, 1, 1.01 * jitter, true});
        scan.samples.push_back({round, 2, 2, 0.5 / cpu1[r] * jitter / (1.0 + 0.004 * std::sin(7.1 * round)), true});
        scan.probes.push_back(
            {round, {0, 1}, {{10.0 * probe_jitter, 10.0 * cpu1[r]}, {10.0, 10.0 * cpu1[r] * probe_jitter}}});
    }
    return scan;
}

const SummaryInputs inputs{1024, 64, blocked_schedule_bound, 0.05, 7, 1000};

HostFigures figures_of(const Synthetic& scan)
{
    return host_figures(scan.configurations, scan.samples, scan.probes, static_cast<int>(scan.probes.size()), inputs,
                        StarvationRule{});
}

std::vector<Warning> starvation_warnings(const Synthetic& scan, const HostFigures& figures)
{
    return starvation_warning(scan.probes, figures.starvation, static_cast<int>(scan.probes.size()),
                              speedups_named(scan.configurations, speedups_measuring_host(figures)));
}

TEST(HostStarvation, RoundsWhereACpuFellAreFlaggedAndLeftOutOfTheFigure)
{
    std::vector<double> cpu1(20, 1.0);
    for (std::size_t r = 10; r < 20; ++r)
        cpu1[r] = 0.67;
    const Synthetic scan = synthetic_scan(cpu1);
    const HostFigures figures = figures_of(scan);
    EXPECT_EQ(figures.starvation.starved_rounds, (std::set<int>{11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
    // The clean figure is the first half's, within 1 %; the starved rounds' figure is the bent one.
    std::vector<Sample> first_half;
    for (const Sample& s : scan.samples)
        if (s.round <= 10)
            first_half.push_back(s);
    const double whole_machine = summarise_scan(scan.configurations, first_half, inputs).speedups[1].speedup;
    EXPECT_NEAR(figures.clean.speedups[1].speedup / whole_machine, 1.0, 0.01);
    EXPECT_NEAR(figures.starved.speedups[1].speedup, 2.0 * 0.67, 0.03);
    EXPECT_EQ(figures.clean.speedups[1].pairs, 10);
    EXPECT_DOUBLE_EQ(starved_share(figures, 1), 0.5);
    EXPECT_TRUE(figures.clean.speedups[1].precision_reached);
    const std::vector<Warning> warnings = starvation_warnings(scan, figures);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].kind, "host_starvation");
    EXPECT_NE(warnings[0].message.find("CPU 1 fell to 0.67 of the healthy rate in 10 of 20 rounds (50 %)"),
              std::string::npos)
        << warnings[0].message;
    EXPECT_EQ(warnings[0].message.find("CPU 0"), std::string::npos) << warnings[0].message;

    // A scan's round is one cell beside every probe: where its probes stood changes nothing.
    Synthetic placed = scan;
    for (ProbeRound& round : placed.probes) {
        round.after_calls = {1, 3};
        round.call_cells = {0, 0, 0};
    }
    const HostFigures same = figures_of(placed);
    EXPECT_EQ(same.starvation.starved_rounds, figures.starvation.starved_rounds);
    EXPECT_EQ(same.starvation.relative, figures.starvation.relative);
    EXPECT_EQ(same.clean.speedups[1].speedup, figures.clean.speedups[1].speedup);
    EXPECT_EQ(starvation_warnings(placed, same)[0].message, warnings[0].message);
}

TEST(HostStarvation, AScanStarvedThroughoutMarksNothingPreciseAndSaysItMeasuredTheHost)
{
    const Synthetic scan = synthetic_scan(std::vector<double>(20, 0.67));
    const HostFigures figures = figures_of(scan);
    EXPECT_EQ(figures.starvation.starved_rounds.size(), 20u);
    // Over every round the figure would be tight and "precise": the clean-round rule is what stops it.
    ASSERT_TRUE(all_precise(summarise_scan(scan.configurations, scan.samples, inputs)));
    EXPECT_FALSE(all_precise(figures.clean));
    for (const SpeedupSummary& s : figures.clean.speedups) {
        EXPECT_FALSE(s.precision_reached) << s.threads;
        EXPECT_EQ(s.pairs, 0) << s.threads;
    }
    EXPECT_EQ(speedups_measuring_host(figures), (std::vector<std::size_t>{0, 1}));
    const std::vector<Warning> warnings = starvation_warnings(scan, figures);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].message.find("in 20 of 20 rounds (100 %)"), std::string::npos) << warnings[0].message;
    EXPECT_NE(warnings[0].message.find("at threads 1,2: those figures measure the host"), std::string::npos)
        << warnings[0].message;
}

TEST(HostStarvation, RatesWithinTheProbesOwnScatterRaiseNothing)
{
    std::vector<double> cpu1;
    for (int r = 0; r < 40; ++r)
        cpu1.push_back(1.0 + 0.03 * std::sin(0.9 * r * r)); // 0.97 to 1.03
    const Synthetic scan = synthetic_scan(cpu1);
    const HostFigures figures = figures_of(scan);
    EXPECT_TRUE(figures.starvation.starved_rounds.empty());
    EXPECT_TRUE(starvation_warnings(scan, figures).empty());
    EXPECT_GE(figures.starvation.threshold, 0.05);
    EXPECT_EQ(figures.clean.speedups[1].pairs, 40);
    // A wider scatter widens the threshold beyond the floor of 5 %.
    std::vector<ProbeRound> wide = scan.probes;
    for (std::size_t r = 0; r < wide.size(); ++r)
        for (double* rate : {&wide[r].gflops[0][0], &wide[r].gflops[1][0]})
            *rate *= 1.0 + 0.06 * std::sin(1.3 * static_cast<double>(r * r));
    EXPECT_GT(judge_starvation(wide, StarvationRule{}).threshold, 0.05);
}

// The host held CPU 0 at 0.7 in rounds 1-12 while another tenant held CPU 1 at 0.6 in rounds
// 9-20: each CPU is starved in most of the scan, so each one's median rate is its starved level.
TEST(HostStarvation, CpusStarvedForMostOfTheScanAreStillJudgedAgainstTheirHealthyQuarter)
{
    std::vector<ProbeRound> rounds;
    for (int round = 1; round <= 20; ++round) {
        const double cpu0 = round <= 12 ? 7.0 : 10.0, cpu1 = round >= 9 ? 6.0 : 10.0;
        const double jitter = 1.0 + 0.01 * std::sin(1.7 * round);
        rounds.push_back({round, {0, 1}, {{cpu0 * jitter, cpu1}, {cpu0, cpu1 * jitter}}});
    }
    const StarvationVerdict verdict = judge_starvation(rounds, StarvationRule{});
    EXPECT_NEAR(verdict.healthy_gflops, 10.0, 0.1);
    EXPECT_EQ(verdict.starved_rounds.size(), 20u);
    EXPECT_NEAR(verdict.relative[0][0], 0.7, 0.02);
    EXPECT_NEAR(verdict.relative[19][1], 0.6, 0.02);
    const std::vector<Warning> warnings = starvation_warning(rounds, verdict, 20, {});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].message.find("CPU 0 fell to 0.70 of the healthy rate in 12 of 20 rounds (60 %); CPU 1 "
                                       "fell to 0.60 of the healthy rate in 12 of 20 rounds (60 %)"),
              std::string::npos)
        << warnings[0].message;
    // However wide the scatter makes the threshold, it stops at the ceiling, and a CPU at three
    // quarters of its healthy rate is starved.
    std::vector<ProbeRound> scattered = rounds;
    for (std::size_t r = 0; r < scattered.size(); ++r)
        for (std::vector<double>& probe : scattered[r].gflops)
            for (double& rate : probe)
                if (rate >= 9.0)
                    rate *= 1.0 + 0.8 * std::fabs(std::sin(2.9 * static_cast<double>(r)));
    const StarvationVerdict wide = judge_starvation(scattered, StarvationRule{0.05, 30.0, 0.25});
    EXPECT_GT(30.0 * wide.noise, 0.25);
    EXPECT_DOUBLE_EQ(wide.threshold, 0.25);
    EXPECT_EQ(wide.starved_rounds.size(), 20u);
}

TEST(HostStarvation, EachRoundCountsItsSecondLowestProbeAndTheRuleReadsBackFromTheRates)
{
    EXPECT_EQ(round_rate({1, {0}, {{8.0}, {6.0}, {7.0}}}, 0), 7.0);
    EXPECT_EQ(round_rate({1, {0}, {{8.0}, {6.0}, {5.0}, {9.0}}}, 0), 6.0);
    EXPECT_EQ(round_rate({1, {0}, {{8.0}, {nan}}}, 0), 8.0); // the round ended before its second probe
    EXPECT_TRUE(std::isnan(round_rate({1, {0}, {}}, 0)));
    // Four rounds, CPU 1 low in both probes of the second and in one of the fourth: the healthy
    // rate is the better CPU's median probe, and a single low probe starves nothing.
    const std::vector<ProbeRound> rounds = {{1, {0, 1}, {{10, 10}, {10, 10}}},
                                            {2, {0, 1}, {{10, 7.5}, {10, 7}}},
                                            {3, {0, 1}, {{11, 10}, {10, 10}}},
                                            {4, {0, 1}, {{10, 10}, {10, 5}}}};
    const StarvationVerdict verdict = judge_starvation(rounds, StarvationRule{});
    EXPECT_EQ(verdict.healthy_gflops, 10.0);
    EXPECT_EQ(verdict.starved_rounds, (std::set<int>{2}));
    EXPECT_DOUBLE_EQ(verdict.relative[1][1], 0.75);
    EXPECT_DOUBLE_EQ(verdict.relative[3][1], 1.0);
    EXPECT_DOUBLE_EQ(verdict.threshold, 0.08);
    EXPECT_TRUE(judge_starvation({}, StarvationRule{}).starved_rounds.empty());
    // One starved round is left out quietly while the figures still reach the precision.
    EXPECT_TRUE(starvation_warning(rounds, verdict, 4, "").empty());
    EXPECT_EQ(starvation_warning(rounds, verdict, 4, "threads 2").size(), 1u);
}

// A team thread that waited for its CPU behind other work in this system: the round is starved
// whatever the probe saw, and the warning names the waits apart from the host's falls.
TEST(HostStarvation, ARoundWhoseThreadWaitedForItsCpuIsContended)
{
    std::vector<ProbeRound> rounds;
    for (int r = 1; r <= 6; ++r)
        rounds.push_back({r, {0, 1}, {{10, 10}, {10, 10}}, nan, 0.001});
    rounds[1].waited = 0.201;
    rounds[2].waited = 0.4;
    rounds[3].waited = 0.2; // at the limit: not beyond it
    rounds[4].waited = nan; // not judged
    rounds[5].gflops = {{10, 6}, {10, 6}};
    const StarvationVerdict verdict = judge_starvation(rounds, StarvationRule{});
    EXPECT_EQ(verdict.contended_rounds, (std::set<int>{2, 3}));
    EXPECT_EQ(verdict.starved_rounds, (std::set<int>{2, 3, 6}));
    const std::vector<Warning> warnings = starvation_warning(rounds, verdict, 6, "threads 2");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].kind, "host_starvation");
    EXPECT_EQ(
        warnings[0].message,
        "CPU 1 fell to 0.60 of the healthy rate in 1 of 6 rounds (17 %); those rounds are left out of the figures");
    // The figures that measure the host are named by the cause of most of the starved rounds.
    EXPECT_EQ(warnings[1].kind, "contended");
    EXPECT_EQ(warnings[1].message, "a thread waited for its CPU behind other work in this system in 2 of 6 rounds "
                                   "(33 %), for up to 40 % of a call; those rounds are left out of the figures; too "
                                   "few clean rounds reached the precision at threads 2: those figures measure the "
                                   "host, not the kernel");
    // A scan's rounds, one cell each, as the runner leaves them: where the probes stood and what
    // each call waited change neither the verdicts nor the words.
    std::vector<ProbeRound> placed = rounds;
    for (ProbeRound& round : placed) {
        round.after_calls = {1, 2};
        round.call_cells = {0, 0, 0};
        round.call_waited = {0.001, round.waited, 0.001};
    }
    const StarvationVerdict same = judge_starvation(placed, StarvationRule{});
    EXPECT_EQ(same.starved_rounds, verdict.starved_rounds);
    EXPECT_TRUE(call_starved(same, 2, 0));
    EXPECT_FALSE(call_starved(same, 4, 0));
    const std::vector<Warning> same_words = starvation_warning(placed, same, 6, "threads 2");
    ASSERT_EQ(same_words.size(), 2u);
    EXPECT_EQ(same_words[0].message, warnings[0].message);
    EXPECT_EQ(same_words[1].message, warnings[1].message);
    // Contention alone, with every figure precise: its own warning and no host_starvation.
    rounds[5].gflops = {{10, 10}, {10, 10}};
    const std::vector<Warning> alone = starvation_warning(rounds, judge_starvation(rounds, StarvationRule{}), 6, "");
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].kind, "contended");
}

// Two cells of a study, (baseline, team of 2) at edges 32 and 64, timed in that order each round:
// probes 0 and 1 stand around the first cell's team, 2 and 3 around the second's, and probe 1
// also just before the second cell's baseline. From round 11 CPU 1 falls to 0.67 at probes 2 and
// 3 only, and the second cell's team slows with it.
TEST(HostStarvation, InAStudyRoundOnlyTheCellsBesideTheFallAreLeftOut)
{
    const std::vector<Configuration> plan = plan_cells(1024, {32, 64}, {2});
    std::vector<Sample> samples;
    std::vector<ProbeRound> probes;
    for (int round = 1; round <= 20; ++round) {
        const double jitter = 1.0 + 0.01 * std::sin(2.3 * round), cpu1 = round > 10 ? 0.67 : 1.0;
        samples.push_back({round, 0, 1, 1.0 * jitter, true});
        samples.push_back({round, 1, 2, 0.5 * jitter, true});
        samples.push_back({round, 2, 1, 0.9 * jitter, true});
        samples.push_back({round, 3, 2, 0.45 / cpu1 * jitter / (1.0 + 0.004 * std::sin(7.1 * round)), true});
        probes.push_back({round,
                          {0, 1},
                          {{10, 10}, {10, 10}, {10, 10 * cpu1}, {10, 10 * cpu1}},
                          nan,
                          nan,
                          {1, 2, 3, 4},
                          {0, 0, 1, 1}});
    }
    EXPECT_EQ(probes_beside_cells(probes[0]), (std::vector<std::vector<std::size_t>>{{0, 1}, {1, 2, 3}}));
    const HostFigures figures = host_figures(plan, samples, probes, 20, inputs, StarvationRule{});
    std::set<int> late;
    for (int round = 11; round <= 20; ++round) {
        late.insert(round);
        EXPECT_EQ(figures.starvation.starved_cells.at(round), (std::set<std::size_t>{1})) << round;
    }
    EXPECT_EQ(figures.starvation.starved_rounds, late);
    EXPECT_NEAR(figures.starvation.relative[15][1], 0.67, 1e-9); // the round's worst cell
    // The first cell keeps every round; the second keeps its whole-machine rounds, at its level there.
    EXPECT_EQ(figures.clean.speedups[0].pairs, 20);
    EXPECT_EQ(figures.clean.speedups[1].pairs, 10);
    EXPECT_NEAR(figures.clean.speedups[1].speedup, 2.0, 0.01);
    EXPECT_EQ(figures.starved.speedups[0].pairs, 0);
    EXPECT_NEAR(figures.starved.speedups[1].speedup, 2.0 * 0.67, 0.02);
    const std::vector<Warning> warnings = starvation_warning(probes, figures.starvation, 20, "");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].message, "CPU 1 fell to 0.67 of the healthy rate in 10 of 20 rounds (50 %); in those "
                                   "rounds the cells timed beside the fall are left out of the figures");
    // A thread that waited for its CPU leaves out the cell of its call, beside any the fall took:
    // in round 3 the second cell's team, in round 15 the first cell's baseline.
    probes[2].waited = probes[14].waited = 0.5;
    probes[2].call_waited = {0.01, 0.01, 0.01, 0.5};
    probes[14].call_waited = {0.5, 0.01, 0.01, 0.01};
    const HostFigures contended = host_figures(plan, samples, probes, 20, inputs, StarvationRule{});
    EXPECT_EQ(contended.starvation.contended_rounds, (std::set<int>{3, 15}));
    EXPECT_EQ(contended.starvation.starved_cells.at(3), (std::set<std::size_t>{1}));
    EXPECT_EQ(contended.starvation.starved_cells.at(15), (std::set<std::size_t>{0, 1}));
    EXPECT_EQ(contended.clean.speedups[0].pairs, 19);
    EXPECT_EQ(contended.clean.speedups[1].pairs, 9);
    EXPECT_EQ(starvation_warning(probes, contended.starvation, 20, "").at(1).message,
              "a thread waited for its CPU behind other work in this system in 2 of 20 rounds (10 %), for up to 50 % "
              "of a call; in those rounds the cells whose calls waited are left out of the figures");
    // A call whose wait was not judged may have been hurt most: its cell goes too.
    probes[2].call_waited[1] = nan;
    const HostFigures unjudged = host_figures(plan, samples, probes, 20, inputs, StarvationRule{});
    EXPECT_EQ(unjudged.starvation.starved_cells.at(3), (std::set<std::size_t>{0, 1}));
    EXPECT_EQ(unjudged.clean.speedups[0].pairs, 18);
    probes[2].call_waited[1] = 0.01;
    // A round that does not say which of its calls waited is left out whole, and the warning says
    // so once any round is.
    probes[14].call_waited.clear();
    const HostFigures whole_round = host_figures(plan, samples, probes, 20, inputs, StarvationRule{});
    EXPECT_EQ(whole_round.starvation.starved_cells.count(15), 0u);
    EXPECT_EQ(whole_round.clean.speedups[0].pairs, 19);
    EXPECT_EQ(whole_round.clean.speedups[1].pairs, 9);
    EXPECT_EQ(starvation_warning(probes, whole_round.starvation, 20, "").at(1).message,
              "a thread waited for its CPU behind other work in this system in 2 of 20 rounds (10 %), for up to 50 % "
              "of a call; those rounds are left out of the figures");
    probes[2].waited = probes[14].waited = nan;
    // A round that does not say where its probes stood is judged whole: both cells are left out.
    for (ProbeRound& round : probes)
        round.after_calls.clear();
    const HostFigures whole = host_figures(plan, samples, probes, 20, inputs, StarvationRule{});
    EXPECT_EQ(whole.starvation.starved_rounds, late);
    EXPECT_EQ(whole.clean.speedups[0].pairs, 10);
    EXPECT_EQ(whole.clean.speedups[1].pairs, 10);
}

// Baseline valid in rounds 1-8, the team of 2 invalid in rounds 1-4, every round's ratio exactly
// 2: a point from every valid sample beside an interval from the paired rounds would read
// 2.25 [2.000, 2.000].
TEST(HostFigures, ThePointAndItsIntervalComeFromTheSamePairedRounds)
{
    const std::vector<Configuration> configurations = plan_configurations({2});
    std::vector<Sample> samples;
    for (int round = 1; round <= 12; ++round) {
        const double baseline = 0.5 + 0.125 * round;
        samples.push_back({round, 0, 1, baseline, true});
        samples.push_back({round, 1, 2, baseline / 2.0, round > 4});
    }
    const SpeedupSummary s = summarise_scan(configurations, samples, inputs).speedups[0];
    EXPECT_EQ(s.pairs, 8);
    EXPECT_DOUBLE_EQ(s.speedup, 2.0);
    EXPECT_DOUBLE_EQ(s.ci_low, 2.0);
    EXPECT_DOUBLE_EQ(s.ci_high, 2.0);
}

TEST(HostFigures, FewerThanSixCleanPairsAreNeverPrecise)
{
    const std::vector<Configuration> configurations = plan_configurations({2});
    for (int rounds = 1; rounds <= 7; ++rounds) {
        std::vector<Sample> samples;
        for (int round = 1; round <= rounds; ++round) {
            samples.push_back({round, 0, 1, 1.0, true});
            samples.push_back({round, 1, 2, 0.5, true});
        }
        const SpeedupSummary s = summarise_scan(configurations, samples, inputs).speedups[0];
        EXPECT_DOUBLE_EQ(s.speedup, 2.0) << rounds;
        // Below six pairs the figure stands alone: a bootstrap of one pair gives an interval of a
        // single point, which would read as perfect precision.
        if (rounds < min_interval_pairs) {
            EXPECT_TRUE(std::isnan(s.ci_low) && std::isnan(s.ci_high)) << rounds;
        } else {
            EXPECT_DOUBLE_EQ(s.ci_high - s.ci_low, 0.0) << rounds;
        }
        EXPECT_EQ(s.precision_reached, rounds >= min_interval_pairs) << rounds;
    }
}

TEST(HostFigures, AnUnfinishedRoundIsInNoFigure)
{
    Synthetic scan = synthetic_scan(std::vector<double>(4, 1.0));
    scan.samples.push_back({5, 0, 1, 9.0, true}); // round 5 was cut short after its baseline
    scan.probes.push_back({5, {0, 1}, {{1.0, 1.0}, {nan, nan}}});
    const HostFigures figures =
        host_figures(scan.configurations, scan.samples, scan.probes, 4, inputs, StarvationRule{});
    EXPECT_EQ(figures.clean.configurations[0].runs, 4);
    EXPECT_LT(figures.clean.configurations[0].max_s, 2.0);
    EXPECT_TRUE(figures.starvation.starved_rounds.empty()); // its low probe is not judged either
    // Nothing completed: nothing in the figures.
    const HostFigures none = host_figures(scan.configurations, scan.samples, scan.probes, 0, inputs, StarvationRule{});
    EXPECT_EQ(none.clean.configurations[0].runs, 0);
    EXPECT_TRUE(std::isnan(none.clean.speedups[1].speedup));
}

TEST(HostFigures, ALevelThatMovesInTheCleanRoundsIsAChangeOfRegime)
{
    // The probe saw nothing (CPU 1 at full rate throughout), yet the team of two slowed from round 13.
    Synthetic scan = synthetic_scan(std::vector<double>(24, 1.0));
    for (Sample& s : scan.samples)
        if (s.config == 2 && s.round >= 13)
            s.seconds *= 1.3;
    const HostFigures figures = figures_of(scan);
    ASSERT_EQ(figures.regime_changes.size(), 1u);
    EXPECT_EQ(figures.regime_changes[0].threads, 2);
    EXPECT_EQ(figures.regime_changes[0].round, 13);
    const std::vector<Warning> warnings = regime_warning(scan.configurations, figures.regime_changes);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].kind, "regime_change");
    EXPECT_NE(warnings[0].message.find("at 2 threads changed level at round 13"), std::string::npos);
    EXPECT_TRUE(figures_of(synthetic_scan(std::vector<double>(24, 1.0))).regime_changes.empty());
    // In a study, the edge is named with the thread count: both edges have a speed-up at 2.
    const std::vector<Warning> study =
        regime_warning(plan_cells(1024, {16, 64}, {1, 2}), {{2, 7, 2.5, 3}, {1, 9, 1.75, 0}});
    ASSERT_EQ(study.size(), 1u);
    EXPECT_EQ(study[0].message, "the speed-up at b 64 on 2 threads changed level at round 7 (drift 2.50 > 1.63); the "
                                "speed-up at b 16 on 1 thread changed level at round 9 (drift 1.75 > 1.63); the "
                                "rounds before and after measured different conditions");
}

TEST(HostProbe, ItGoesAroundTheParallelCallsOnTheCpusTheTeamsUse)
{
    const std::vector<Configuration> configurations = plan_configurations({1, 2});
    // Boundaries 0..3 of a round of three: before the first call, between calls, after the last.
    const struct {
        std::vector<std::size_t> order;
        std::vector<bool> points;
    } cases[] = {
        {{0, 1, 2}, {false, true, true, true}}, // the baseline first: from just before the team of 1
        {{1, 0, 2}, {true, true, true, true}},  // around each parallel call
        {{1, 2, 0}, {true, true, true, false}}, // the two parallel calls share the probe between them
    };
    for (const auto& c : cases)
        EXPECT_EQ(probe_points(configurations, c.order), c.points) << c.order[0] << c.order[1] << c.order[2];
    EXPECT_EQ(probe_points(plan_configurations({}), {0}), (std::vector<bool>{false, false}));
    // Cores first, then their siblings: two threads use the first two of the order.
    EXPECT_EQ(probe_cpus({0, 2, 1, 3}, 2), (std::vector<int>{0, 2}));
    EXPECT_EQ(probe_cpus({3, 1}, 8), (std::vector<int>{1, 3}));
    EXPECT_EQ(probe_cpus({0, 1, 0, 1}, 4), (std::vector<int>{0, 1})); // a team wider than the machine
    EXPECT_TRUE(probe_cpus({}, 2).empty());
    ProbeMode mode = ProbeMode::none;
    EXPECT_TRUE(parse_probe_mode("together", mode));
    EXPECT_EQ(mode, ProbeMode::together);
    EXPECT_FALSE(parse_probe_mode("all", mode));
    EXPECT_STREQ(probe_mode_name(ProbeMode::each), "each");
}

// A round is slow when one of its trips took twice the run's fast level or more (its tenth
// percentile, which one lucky trip does not move): a call beside it may have paid it. Only cells whose threads share
// their lines are said to follow it.
TEST(LinePassing, RoundsWithASlowLineTripAreCountedAndNamedWhereCellsShareLines)
{
    const auto round = [](int number, std::vector<std::vector<double>> trips) {
        ProbeRound r{number, {0, 1}, {}};
        r.line_ns = std::move(trips);
        return r;
    };
    std::vector<ProbeRound> rounds;
    for (int k = 1; k <= 6; ++k) // about 200 ns, and one probe of round 2 at 600
        rounds.push_back(round(k, {{200.0 + k}, {k == 2 ? 600.0 : 198.0}, {205.0}}));
    for (int k = 7; k <= 10; ++k) // about 600 ns; a probe not taken is skipped
        rounds.push_back(round(k, {{590.0 + k}, {nan}, {599.0}}));
    rounds.push_back(round(11, {{395.0}})); // just under twice 198
    rounds.push_back(round(12, {{150.0}})); // one lucky trip, below the level
    rounds.push_back(round(13, {{nan}}));   // no trip at all: not a round of the pair
    rounds.push_back({14, {0}, {{10.0}}});  // one CPU: no pair

    const std::vector<LinePassing> passing = judge_line_passing(rounds, {0});
    ASSERT_EQ(passing.size(), 1u);
    EXPECT_EQ(passing[0].from, 0);
    EXPECT_EQ(passing[0].to, 1);
    EXPECT_DOUBLE_EQ(passing[0].fastest_ns, 150.0);
    EXPECT_DOUBLE_EQ(passing[0].fast_ns, 198.0); // the third of 28 trips
    EXPECT_DOUBLE_EQ(passing[0].slowest_ns, 600.0);
    EXPECT_EQ(passing[0].slow_rounds, (std::vector<int>{2, 7, 8, 9, 10}));
    EXPECT_EQ(passing[0].fast_rounds, (std::vector<int>{1, 3, 4, 5, 6, 11, 12})); // not 13 (no trip) nor 14 (one CPU)

    const std::vector<Warning> warned = line_passing_warning(passing, {{1024, 8}, {512, 8}});
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_EQ(warned[0].kind, "line_passing");
    EXPECT_EQ(warned[0].message,
              "beside the calls of n 1024 b 8, n 512 b 8, whose threads share the lines of C they write, a cache "
              "line's round trip between CPUs 0 and 1 took 2 x its fast level (198 ns, the tenth percentile) or more "
              "in 5 of 12 rounds (150 to 600 ns over the run): in those rounds the CPUs passed lines more slowly, and "
              "those cells' times and speed-ups follow how fast they pass them");
    EXPECT_TRUE(line_passing_warning(passing, {}).empty()); // no cell feels it

    // Trips within a level, on three CPUs: each pair judged on its own.
    std::vector<ProbeRound> steady;
    for (int k = 1; k <= 10; ++k) {
        ProbeRound r{k, {0, 2, 5}, {}};
        r.line_ns = {{200.0 + 10 * k, 400.0 - k}, {196.0, 410.0}};
        steady.push_back(r);
    }
    const std::vector<LinePassing> pairs = judge_line_passing(steady, {0});
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_TRUE(pairs[0].slow_rounds.empty()); // 300 ns is 1.53 x 196
    EXPECT_EQ(pairs[1].to, 5);
    EXPECT_DOUBLE_EQ(pairs[1].fastest_ns, 390.0);
    EXPECT_TRUE(line_passing_warning(pairs, {{1024, 8}}).empty());
    EXPECT_TRUE(judge_line_passing({}, {0}).empty());
}

// In a study's round, of several cells, a cell's calls are judged by the probes beside them:
// a slow trip beside another cell's calls is not theirs, though it counts for the fastest.
TEST(LinePassing, InAStudyRoundEachCellIsJudgedByTheTripsBesideItsCalls)
{
    // Calls of cells 0, 1, 0, 1 with probes before the first, between each and after the last;
    // the trip is slow only after the fourth call, beside cell 1 alone.
    ProbeRound study{1, {0, 1}, {}};
    study.after_calls = {0, 1, 2, 3, 4};
    study.call_cells = {0, 1, 0, 1};
    study.gflops = std::vector<std::vector<double>>(5, {10.0, 10.0});
    study.line_ns = {{100.0}, {101.0}, {102.0}, {103.0}, {400.0}};
    ProbeRound calm = study;
    calm.round = 2;
    calm.line_ns = {{100.0}, {100.0}, {100.0}, {100.0}, {100.0}};
    const std::vector<LinePassing> first = judge_line_passing({study, calm}, {0});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].slow_rounds.empty());
    EXPECT_EQ(first[0].fast_rounds, (std::vector<int>{1, 2}));
    EXPECT_DOUBLE_EQ(first[0].slowest_ns, 400.0);
    EXPECT_EQ(judge_line_passing({study, calm}, {1})[0].slow_rounds, std::vector<int>{1});
    EXPECT_EQ(judge_line_passing({study, calm}, {0, 1})[0].slow_rounds, std::vector<int>{1});
    const LinePassing beside_none = judge_line_passing({study, calm}, {})[0]; // no cell to judge beside
    EXPECT_TRUE(beside_none.slow_rounds.empty() && beside_none.fast_rounds.empty());
}

// A speed-up whose cell does not share lines is said to follow the trip only when its clean
// rounds beside a slow trip and the others each number six or more, their medians' 95 %
// intervals lie apart and the medians differ by 5 % or more; teams of one thread, on one CPU,
// are never said to.
TEST(LinePassing, ASpeedUpThatFollowedTheTripIsNamedWithTheFiguresOfBothPlacements)
{
    // Three CPUs. Rounds 1 to 12 with every pair near (60 ns); 13 to 20 with CPU 2 far from CPU 0
    // (330 ns) and CPU 1 still near; 21 and 22, if timed, with no trip taken. Edge 64's 2-thread
    // call takes far[r - 13] in 13 to 20 and about 0.5 s otherwise, its 1-thread call 8 % longer
    // far; edge 128's calls never change. Every baseline takes 1 s.
    const std::vector<Configuration> plan = plan_cells(1024, {64, 128}, {1, 2});
    const auto judged = [&plan](const std::vector<double>& far, int last_round) {
        std::vector<Sample> samples;
        std::vector<ProbeRound> rounds;
        for (int r = 1; r <= last_round; ++r) {
            const bool away = r > 12 && r <= 20;
            const double jitter = 1.0 + 0.004 * ((r * 7) % 5 - 2);
            for (std::size_t c = 0; c < plan.size(); ++c) {
                double seconds = 1.0;
                if (c == 1)
                    seconds = away ? 1.08 : 1.0;
                else if (c == 2)
                    seconds = away ? far[static_cast<std::size_t>(r - 13)] : 0.5 * jitter;
                else if (c == 5)
                    seconds = 0.5 * jitter;
                samples.push_back({r, c, plan[c].threads, seconds});
            }
            ProbeRound round{r, {0, 1, 2}, {{10.0, 10.0, 10.0}}};
            round.line_ns = {{60.0, away ? 330.0 : 60.0}};
            if (r > 20)
                round.line_ns = {{nan, nan}};
            rounds.push_back(round);
        }
        return std::make_pair(rounds, line_following(plan, samples, rounds));
    };
    std::vector<double> far;
    for (int r = 13; r <= 20; ++r)
        far.push_back(0.54 * (1.0 + 0.004 * ((r * 7) % 5 - 2)));
    const auto [rounds, following] = judged(far, 22);
    ASSERT_EQ(following.size(), 1u);
    EXPECT_EQ(following[0].block, 64);
    EXPECT_EQ(following[0].threads, 2);
    EXPECT_EQ(following[0].far_rounds, 8);
    EXPECT_EQ(following[0].near_rounds, 12);                                                // not rounds 21 and 22
    EXPECT_NEAR(following[0].far_speedup, (1.0 / (0.54 * 0.996) + 1.0 / 0.54) / 2.0, 1e-9); // the middle two of eight
    EXPECT_NEAR(following[0].near_speedup, 2.0, 1e-9);

    // No cell shares lines: the trip is judged beside every cell and the speed-up says why it matters.
    const std::vector<Warning> warned = line_passing_warning(judge_line_passing(rounds, {0, 1}), {}, following);
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_EQ(warned[0].kind, "line_passing");
    EXPECT_EQ(warned[0].message,
              "a cache line's round trip between CPUs 0 and 2 took 2 x its fast level (60 ns, the tenth percentile) "
              "or more in 8 of 20 rounds (60 to 330 ns over the run): in those rounds the host placed the CPUs "
              "farther apart; the speed-up followed the line's trip at n 1024 b 64 on 2 threads: 1.856 in the 8 "
              "clean rounds with a slow trip beside its calls against 2.000 in the 12 with only fast ones (medians "
              "of the rounds' speed-ups, their 95 % intervals apart): those figures mix the host's two placements of "
              "the CPUs in the shares it chose");
    EXPECT_TRUE(line_passing_warning(judge_line_passing(rounds, {0, 1}), {}, {}).empty());

    // Five far rounds are too few to tell; 3 % apart is within a scan's precision; two levels of
    // far calls, 0.5 and 0.6 s, leave a median 9 % off whose interval reaches the near one.
    EXPECT_TRUE(judged(far, 17).second.empty());
    EXPECT_TRUE(judged(std::vector<double>(8, 0.515), 20).second.empty());
    EXPECT_TRUE(judged({0.5, 0.6, 0.5, 0.6, 0.5, 0.6, 0.5, 0.6}, 20).second.empty());
}

// The trip is timed between two threads bound to two CPUs. A thread that never comes (here the
// runtime is told to open no team) is given up on once the patience runs out, not waited for.
TEST(LineProbe, ATripIsTimedBetweenTwoCpusAndAMissingPartnerIsGivenUpOn)
{
    const Topology topology = load_topology();
    EXPECT_TRUE(std::isnan(line_round_trip_ns(topology, 0, 0)));
    if (omp_get_num_procs() >= 2) {
        const double trip = line_round_trip_ns(topology, 0, 1);
        EXPECT_GT(trip, 0.0);
        EXPECT_LT(trip, line_patience_s / line_trips * 1e9); // per trip, not per batch
    }
    // A CPU no thread can be bound to, or none asked for: the threads would run wherever the
    // system put them.
    EXPECT_TRUE(std::isnan(line_round_trip_ns(topology, 0, 4096)));
    EXPECT_TRUE(std::isnan(line_round_trip_ns(topology, -1, 0)));
    const int levels = omp_get_max_active_levels();
    omp_set_max_active_levels(0);
    const double alone = line_round_trip_ns(topology, 0, 1);
    omp_set_max_active_levels(levels);
    EXPECT_TRUE(std::isnan(alone));
}

} // namespace
