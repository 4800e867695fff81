#pragma once
// A text the program wrote (a report, a log, stderr) as its lines, without the line feeds.
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
