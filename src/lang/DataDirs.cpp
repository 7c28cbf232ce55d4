#include "DataDirs.h"

#include <QDir>
#include <QFileInfo>

// Set by the build from the install layout: the data folder relative to the folder of the installed
// executables, and the same folder as an absolute path.
#ifndef KELVANE_DATA_FROM_BIN
#define KELVANE_DATA_FROM_BIN "../share/kelvane"
#endif
#ifndef KELVANE_DATA_INSTALLED
#define KELVANE_DATA_INSTALLED "/usr/local/share/kelvane"
#endif

namespace kelvane {

QStringList dataDirCandidates(const QString &exeDir, const QString &name, const QString &startDir)
{
    QStringList dirs;
    auto add = [&dirs](const QString &path) {
        const QString clean = QDir::cleanPath(path);
        if (!dirs.contains(clean))
            dirs.append(clean);
    };
    if (!startDir.isEmpty())
        add(startDir + QLatin1Char('/') + name);
    if (!exeDir.isEmpty()) {
        add(exeDir + QLatin1Char('/') + name);
        add(exeDir + QLatin1Char('/') + QLatin1String(KELVANE_DATA_FROM_BIN) + QLatin1Char('/') + name);
    }
    add(QLatin1String(KELVANE_DATA_INSTALLED) + QLatin1Char('/') + name);
    return dirs;
}

QString findDataDir(const QString &exeDir, const QString &name, const QString &startDir)
{
    for (const QString &dir : dataDirCandidates(exeDir, name, startDir)) {
        if (QFileInfo(dir).isDir())
            return dir;
    }
    return QString();
}

} // namespace kelvane
