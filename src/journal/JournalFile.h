#pragma once
// The journal on disk: a folder holding journal.jsonl, one entry a line as a compact JSON object,
// and its older parts journal.1.jsonl (the newest of them) to journal.<keep>.jsonl. Each entry is
// appended and flushed on its own, so a crash or a kill loses at most the line being written; the
// next append starts on a fresh line after such a torn one. When an append would take
// journal.jsonl past the size limit, the parts move up by one and the oldest is dropped.

#include "JournalEntry.h"

#include <QString>

#include <vector>

namespace kelvane {

struct JournalReadResult {
    std::vector<JournalEntry> entries; // newest first
    int skippedLines = 0; // torn or malformed lines left out
    QString error; // empty when every part could be read
};

// The entries of one part's text, newest first (the last line is the newest); lines that are not
// whole entries (torn by a kill, malformed, not JSON) are counted in skippedLines.
JournalReadResult parseJournalText(const QByteArray &text);

class JournalFile {
public:
    static constexpr qint64 DefaultSizeLimit = 1024 * 1024;
    static constexpr int DefaultKeep = 3;
    // A part larger than this is not read: the appends never make one, so it is not a journal.
    static constexpr qint64 DefaultReadLimit = 4 * DefaultSizeLimit;

    // folder: created on the first append when missing.
    explicit JournalFile(const QString &folder, qint64 sizeLimit = DefaultSizeLimit, int keep = DefaultKeep,
        qint64 readLimit = DefaultReadLimit);

    QString folder() const { return m_folder; }
    // journal.jsonl (part 0) and journal.<n>.jsonl.
    QString partPath(int part) const;

    // Appends the entry as one line and flushes it to the disk; false with `error` set when the
    // folder or the file cannot be written.
    bool append(const JournalEntry &entry, QString *error = nullptr);

    // Every entry of every part, newest first. A part over the read limit, or one that is not a
    // regular file (a FIFO would wait for a writer for ever), is refused with a message in `error`
    // before any of it is read; the other parts are still read.
    JournalReadResult readAll() const;

private:
    bool rotate(QString *error);

    QString m_folder;
    qint64 m_sizeLimit;
    int m_keep;
    qint64 m_readLimit;
};

} // namespace kelvane
