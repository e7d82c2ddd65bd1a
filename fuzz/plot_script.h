// The plot script builder's fuzz target, shared with its unit test: an input is a list of texts
// (file names, the record's machine, kernel, binding and warnings, the output's name) and of
// points, each text and point as hostile as the bytes make it.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The texts in the order plot_script_breach() reads them.
enum PlotText { record_file, cpu_model, kernel, bind, warning, results_file, output_name, text_count };

// The input that stands for these texts and (threads, figure) points.
std::string plot_script_input(const std::vector<std::string>& texts, const std::vector<std::pair<int, double>>& points);

// Empty when every script and table built from the input holds; otherwise what broke.
std::string plot_script_breach(const std::string& input);
