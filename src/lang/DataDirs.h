#pragma once
// Where the folders the program ships beside itself are found: "lang" (the language files) and
// "sch" (the help folder). Language files are looked for in the start directory first; then a copy
// next to the executable wins (the program unpacked into one folder, or run from the build folder);
// otherwise the installed copy under <prefix>/share/kelvane.

#include <QString>
#include <QStringList>

namespace kelvane {

constexpr const char *LanguageFolderName = "lang";
constexpr const char *HelpFolderName = "sch";

// The places looked at for the folder `name`, in order: <startDir>/<name> when a start directory is
// given (language files a fitter keeps beside his parameter files win), <exeDir>/<name>, the data
// folder of an installation relative to <exeDir> (<exeDir>/../share/kelvane/<name> for the usual
// layout), and the data folder of the installation prefix the program was built for. Without
// duplicates.
QStringList dataDirCandidates(const QString &exeDir, const QString &name, const QString &startDir = QString());
// The first candidate that is an existing folder; empty when none is.
QString findDataDir(const QString &exeDir, const QString &name, const QString &startDir = QString());

} // namespace kelvane
