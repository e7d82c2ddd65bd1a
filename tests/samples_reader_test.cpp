// Reading a scan's samples file back: what format_sample writes reads back the same, columns
// are found by name, and a damaged line is named rather than skipped.
#include "scan/samples_file.h"
#include "scan/samples_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(SamplesReader, ReadsBackWhatTheScanWrites)
{
    const Configuration sequential{false, 1}, parallel{true, 2};
    std::string text = std::string(samples_header) + "\n";
    text += format_sample(Sample{1, 0, 1, 0.412345, true}, sequential) + "\n";
    text += format_sample(Sample{1, 1, 2, 0.223456, false}, parallel) + "\r\n"; // CR LF alike
    std::vector<RecordedSample> samples;
    std::string problem;
    ASSERT_TRUE(read_samples(text, samples, problem)) << problem;
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].round, 1);
    EXPECT_FALSE(samples[0].configuration.parallel);
    EXPECT_DOUBLE_EQ(samples[0].seconds, 0.412345);
    EXPECT_TRUE(samples[0].valid);
    EXPECT_TRUE(samples[1].configuration.parallel);
    EXPECT_EQ(samples[1].configuration.threads, 2);
    EXPECT_EQ(samples[1].team, 2);
    EXPECT_FALSE(samples[1].valid);
}

TEST(SamplesReader, FindsColumnsByNameAndPassesOverOthers)
{
    std::vector<RecordedSample> samples;
    std::string problem;
    ASSERT_TRUE(
        read_samples("valid,extra,seconds,team,threads,config,round\n1,x,0.5,3,4,parallel,7\n", samples, problem))
        << problem;
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].round, 7);
    EXPECT_EQ(samples[0].configuration.threads, 4);
    EXPECT_EQ(samples[0].team, 3);
    EXPECT_DOUBLE_EQ(samples[0].seconds, 0.5);
}

TEST(SamplesReader, NamesTheFirstDamagedLine)
{
    const std::string header = std::string(samples_header) + "\n";
    expect_refusals<std::vector<RecordedSample>>(
        read_samples, {
                          {"", "it is empty"},
                          {"round,config\n1,parallel\n",
                           "line 1 is not the samples header \"" + header.substr(0, header.size() - 1) + "\""},
                          {header + "1,parallel,2,2,0.5,1\n0,parallel,2,2,0.5,1\n",
                           "line 3 is not a sample: \"0,parallel,2,2,0.5,1\""},
                          {header + "1,serial,1,1,0.5,1\n", "line 2 is not a sample: \"1,serial,1,1,0.5,1\""},
                          {header + "1,parallel,0,1,0.5,1\n", "line 2 is not a sample: \"1,parallel,0,1,0.5,1\""},
                          {header + "1,parallel,2,0,0.5,1\n", "line 2 is not a sample: \"1,parallel,2,0,0.5,1\""},
                          {header + "1,parallel,2,2,nan,1\n", "line 2 is not a sample: \"1,parallel,2,2,nan,1\""},
                          {header + "1,parallel,2,2,-0.5,1\n", "line 2 is not a sample: \"1,parallel,2,2,-0.5,1\""},
                          {header + "1,parallel,2,2,0.5,yes\n", "line 2 is not a sample: \"1,parallel,2,2,0.5,yes\""},
                          {header + "1,parallel,2,2,0.5\n", "line 2 is not a sample: \"1,parallel,2,2,0.5\""},
                          {header + "\n", "line 2 is not a sample: \"\""},
                      });
}

} // namespace
