#include "JournalFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <algorithm>
#include <iterator>

namespace kelvane {

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

JournalFile::JournalFile(const QString &folder, qint64 sizeLimit, int keep, qint64 readLimit)
    : m_folder(folder)
    , m_sizeLimit(sizeLimit)
    , m_keep(std::max(keep, 0))
    , m_readLimit(readLimit)
{
}

QString JournalFile::partPath(int part) const
{
    return QDir(m_folder).filePath(
        part == 0 ? QStringLiteral("journal.jsonl") : QStringLiteral("journal.%1.jsonl").arg(part));
}

bool JournalFile::rotate(QString *error)
{
    // The oldest part goes; with nothing kept, journal.jsonl itself.
    QFile::remove(partPath(m_keep));
    for (int part = m_keep - 1; part >= 0; --part) {
        if (!QFile::exists(partPath(part)))
            continue;
        if (!QFile::rename(partPath(part), partPath(part + 1))) {
            setError(error, QStringLiteral("The journal file %1 could not be renamed.").arg(partPath(part)));
            return false;
        }
    }
    return true;
}

bool JournalFile::append(const JournalEntry &entry, QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        setError(error, QStringLiteral("The journal folder %1 could not be created.").arg(m_folder));
        return false;
    }
    QByteArray line = QJsonDocument(entryToJson(entry)).toJson(QJsonDocument::Compact);
    line += '\n';
    const QFileInfo current(partPath(0));
    if (current.exists() && current.size() > 0 && current.size() + line.size() > m_sizeLimit && !rotate(error))
        return false;

    QFile file(partPath(0));
    if (!file.open(QIODevice::ReadWrite)) {
        setError(error,
            QStringLiteral("The journal file %1 could not be opened: %2").arg(file.fileName(), file.errorString()));
        return false;
    }
    // A line torn by a crash stays a line of its own: the next entry starts after a line break.
    if (file.size() > 0) {
        file.seek(file.size() - 1);
        char lastChar = '\n';
        if (file.read(&lastChar, 1) == 1 && lastChar != '\n')
            line.prepend('\n');
    }
    file.seek(file.size());
    const bool written = file.write(line) == line.size() && file.flush();
#ifdef Q_OS_UNIX
    const bool synced = written && ::fsync(file.handle()) == 0;
#else
    const bool synced = written;
#endif
    if (!synced) {
        setError(error,
            QStringLiteral("The journal file %1 could not be written: %2").arg(file.fileName(), file.errorString()));
        return false;
    }
    return true;
}

JournalReadResult parseJournalText(const QByteArray &text)
{
    JournalReadResult result;
    std::vector<JournalEntry> entries;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
        std::optional<JournalEntry> e;
        if (parseError.error == QJsonParseError::NoError && doc.isObject())
            e = entryFromJson(doc.object());
        if (e)
            entries.push_back(std::move(*e));
        else
            ++result.skippedLines;
    }
    result.entries.assign(std::make_move_iterator(entries.rbegin()), std::make_move_iterator(entries.rend()));
    return result;
}

JournalReadResult JournalFile::readAll() const
{
    JournalReadResult result;
    QStringList errors;
    // Part 0 is the newest.
    for (int part = 0; part <= m_keep; ++part) {
        const QFileInfo info(partPath(part));
        if (!info.exists())
            continue;
        if (!info.isFile()) {
            errors
                << QStringLiteral("The journal file %1 is not a regular file; it was not read.").arg(info.filePath());
            continue;
        }
        const auto tooLarge = [&](qint64 size) {
            errors << QStringLiteral(
                "The journal file %1 is %2 bytes, more than the %3 bytes a journal file may hold; it was not read.")
                          .arg(info.filePath())
                          .arg(size)
                          .arg(m_readLimit);
        };
        if (info.size() > m_readLimit) {
            tooLarge(info.size());
            continue;
        }
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            errors
                << QStringLiteral("The journal file %1 could not be read: %2").arg(file.fileName(), file.errorString());
            continue;
        }
        // One byte more than the limit tells a part that grew past it since the size was taken.
        const QByteArray data = file.read(m_readLimit + 1);
        if (file.error() != QFileDevice::NoError) {
            errors
                << QStringLiteral("The journal file %1 could not be read: %2").arg(file.fileName(), file.errorString());
            continue;
        }
        if (data.size() > m_readLimit) {
            tooLarge(data.size());
            continue;
        }
        JournalReadResult partResult = parseJournalText(data);
        result.skippedLines += partResult.skippedLines;
        result.entries.insert(result.entries.end(), std::make_move_iterator(partResult.entries.begin()),
            std::make_move_iterator(partResult.entries.end()));
    }
    result.error = errors.join(QLatin1Char('\n'));
    return result;
}

} // namespace kelvane
