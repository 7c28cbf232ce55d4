#pragma once
// The program's options: --demo, --com N=PATH (repeatable), --screenshot FILE, --size WxH,
// --user-data.

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
    // Work in the per-user data folder (userDataDirectory) instead of the current directory: the
    // desktop entry starts the program so, and "lan.txt", "Log.csv" and "parametry" stay out of the
    // home folder.
    bool userData = false;

    // Nobody watches the run (a screenshot run): no message box may wait for a click.
    bool unattended() const { return !screenshot.empty(); }
};

// False with a one-line message on a bad option or value.
bool parseCommandLine(const std::vector<std::string> &args, CommandLine &out, std::string &error);
const char *commandLineUsage();

// The per-user data folder: "kelvane" in the XDG data home (~/.local/share/kelvane unless
// XDG_DATA_HOME says otherwise).
std::string userDataDirectory();
// Creates the per-user data folder when missing and makes it the current directory, which the
// window takes as its start directory. False with a one-line reason when it cannot.
bool enterUserDataDirectory(std::string &error);

} // namespace kelvane
