#include "ReportLanguage.h"

#include "DataDirs.h"
#include "LanguageChoice.h"
#include "Languages.h"

#include <QDir>
#include <QFileInfo>

namespace kelvane::report {

namespace {

ReportLanguage fromLoad(const LanguageLoad &load, const QString &name)
{
    ReportLanguage r;
    if (load.status != LanguageLoad::Status::Loaded) {
        r.error = QStringLiteral("language file %1: %2")
                      .arg(load.path,
                          load.problems.empty() ? QStringLiteral("it cannot be read") : load.problems.back().message);
        return r;
    }
    r.name = name;
    r.texts = load.texts;
    return r;
}

ReportLanguage numbered(const LanguageInfo &info, const QString &startDir, const QString &exeDir)
{
    const QStringList dirs = dataDirCandidates(exeDir, QLatin1String(LanguageFolderName), startDir);
    QString found;
    for (const QString &dir : dirs) {
        if (QFileInfo(QDir(dir).filePath(QLatin1String(info.fileName))).isFile()) {
            found = dir;
            break;
        }
    }
    if (found.isEmpty() && info.number == DefaultLanguage)
        return {}; // English is built in
    if (found.isEmpty()) {
        ReportLanguage r;
        r.error = QStringLiteral("the language file %1 was not found (looked in: %2)")
                      .arg(QLatin1String(info.fileName), dirs.join(QStringLiteral(", ")));
        return r;
    }
    const QString name = info.menuCaption ? QString::fromLatin1(info.menuCaption) : QString::fromLatin1(info.fileName);
    return fromLoad(loadLanguage(info.number, found), name);
}

} // namespace

ReportLanguage loadReportLanguage(const QString &choice, const QString &startDir, const QString &exeDir)
{
    if (choice.isEmpty()) {
        const LanguageChoice c = readLanguageChoice(QDir(startDir).filePath(QLatin1String(LanguageChoiceFileName)));
        const LanguageInfo *info = languageInfo(c.number);
        if (!info)
            return {}; // no language chosen: the window keeps its English texts
        return numbered(*info, startDir, exeDir);
    }
    for (const LanguageInfo &info : languages()) {
        if (info.menuCaption && choice.compare(QLatin1String(info.menuCaption), Qt::CaseInsensitive) == 0)
            return numbered(info, startDir, exeDir);
    }
    const QFileInfo file(choice);
    if (!file.exists()) {
        ReportLanguage r;
        QStringList names;
        for (const LanguageInfo &info : languages()) {
            if (info.menuCaption && info.menuVisible)
                names << QString::fromLatin1(info.menuCaption);
        }
        r.error = QStringLiteral("%1 is neither a language (%2) nor a language file").arg(choice, names.join(", "));
        return r;
    }
    CodePage page = CodePage::Windows1252;
    for (const LanguageInfo &info : languages()) {
        if (file.fileName().compare(QLatin1String(info.fileName), Qt::CaseInsensitive) == 0)
            page = info.codePage;
    }
    return fromLoad(readLanguageFile(choice, page), file.fileName());
}

} // namespace kelvane::report
