#pragma once
// The program's options: --demo, --com N=PATH (repeatable), --screenshot FILE, --size WxH.

#include <string>
#include <utility>
#include <vector>

namespace kelvane {

struct CommandLine {
    bool demo = false;
    bool help = false;
    std::vector<std::pair<int, std::string>> ports;
    std::string screenshot;
    int width = 0, height = 0;

    // Nobody watches the run (a screenshot run): no message box may wait for a click.
    bool unattended() const { return !screenshot.empty(); }
};

// False with a one-line message on a bad option or value.
bool parseCommandLine(const std::vector<std::string> &args, CommandLine &out, std::string &error);
const char *commandLineUsage();

} // namespace kelvane
