#pragma once
// Runs the real rvx-vantix-cli with arguments, its stdin an open pipe that
// nothing is written to (a run that waited for input would never end), and
// gives back its exit code, stdout and stderr.
#include <string>
#include <vector>

namespace clitest {

struct Run {
    int exitCode = -1;
    std::string out;
    std::string err;
};

Run runCli(const std::vector<std::string>& arguments);

// A scratch folder for files the runs write, removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

} // namespace clitest
