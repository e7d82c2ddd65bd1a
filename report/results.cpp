// The results file writers. Figures are floats widened to double for "%lf": fixed notation,
// six decimals, never an exponent, in the C locale the program never changes.
#include "report/report.h"

#include "report/text_file.h"

void write_results_header(const char* file_name)
{
    write_single_line(file_name, "w", "%s\n", results_header);
}

void append_result_row(const char* file_name, int nbThreads, int size, float executionTime, float speedUp,
                       float efficacity, float realEfficacity)
{
    const ResultRow row{nbThreads, size, executionTime, speedUp, efficacity, realEfficacity};
    append_whole_line(file_name, format_result_row(row) + "\n");
}

void append_sequential_row(const char* file_name, int size, float executionTime)
{
    append_whole_line(file_name, formatted("%d,%lf\n", size, static_cast<double>(executionTime)));
}

void append_parallel_row(const char* file_name, int size, float executionTime, int nbThreads)
{
    append_whole_line(file_name, formatted("%d,%d,%lf\n", nbThreads, size, static_cast<double>(executionTime)));
}
