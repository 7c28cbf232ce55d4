#pragma once
// The language a workshop report is written in: the texts of one language file, found as the
// window finds it (lan.txt of the start directory, the lang folder beside the parameter files, next
// to the program, or installed).

#include "LanguageFile.h"

#include <QString>

namespace kelvane::report {

struct ReportLanguage {
    QString name = QStringLiteral("English"); // the language's menu caption, or the file's name
    LanguageTexts texts; // empty: the window's own English texts
    QString error; // empty when the language was loaded (or English needs no file)
};

// `choice`: empty for the language chosen in <startDir>/lan.txt (English when the file is missing or
// names no language); a language's name as the "language" menu shows it ("Polish", any letter case);
// or the path of a language file, read in the code page of the shipped file of the same name
// (windows-1252 for another name) unless it is UTF-8. A language that cannot be loaded gives an
// error and no texts; English needs no file (its texts are built in).
ReportLanguage loadReportLanguage(const QString &choice, const QString &startDir, const QString &exeDir);

} // namespace kelvane::report
