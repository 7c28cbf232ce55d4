#pragma once
// The text of a PDF as a reader finds it, through Poppler's pdftotext (Debian's poppler-utils):
// what is drawn as text can be searched and copied. Null when pdftotext is not installed or fails.

#include <QProcess>
#include <QString>

namespace kelvane::test {

inline QString pdfText(const QString &path)
{
    QProcess p;
    p.start(
        QStringLiteral("pdftotext"), { QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-") });
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace kelvane::test
