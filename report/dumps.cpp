// Matrix dumps: fixed notation in files (exact to six decimals, easy to diff), the stream's
// default six significant digits on the console (short enough to read).
#include "report/report.h"

#include "report/text_file.h"

#include <iostream>

void write_matrix_file(const char* file_name, Matrix matrix, int n)
{
    std::FILE* fp = open_report_file(file_name, "w");
    if (!fp)
        return;
    bool written = true;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            written = std::fprintf(fp, "%f ", static_cast<double>(matrix[i][j])) >= 0 && written;
        written = std::fprintf(fp, "\n") >= 0 && written;
    }
    close_report_file(fp, file_name, written);
}

void print_matrix(Matrix matrix, int n)
{
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            std::cout << matrix[i][j] << " ";
        std::cout << std::endl;
    }
}
