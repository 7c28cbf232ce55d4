// A part of the change journal as the History dialog, `kelvane-cli history` and the report read it:
// the lines parsed into entries, then each entry's list text and its changes in words. The input
// is the part's text (FuzzInput.h).
//
// Besides the sanitizers: every non-empty line is either an entry or counted as skipped; an entry
// keeps inside the image and the word range; and an entry written back as the recorder writes it
// reads back as the same entry, so what the reader accepts is exactly what the writer can say.

#include "ChangeWords.h"
#include "FuzzInput.h"
#include "JournalFile.h"

#include <QJsonDocument>

using namespace kelvane;
using namespace kelvane::fuzz;

namespace {

bool sameEntry(const JournalEntry &a, const JournalEntry &b)
{
    return a.time == b.time && a.action == b.action && a.kind == b.kind && a.state == b.state
        && a.beforeKnown == b.beforeKnown && a.bytes == b.bytes && a.frames == b.frames && a.changes == b.changes
        && a.softwareRevision == b.softwareRevision && a.hardwareRevision == b.hardwareRevision;
}

int nonEmptyLines(const QByteArray &text)
{
    int n = 0;
    for (const QByteArray &line : text.split('\n'))
        n += line.trimmed().isEmpty() ? 0 : 1;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const JournalReadResult r = parseJournalText(text);
    check(r.error.isEmpty(), "parsing text sets no file error");
    check(int(r.entries.size()) + r.skippedLines == nonEmptyLines(text), "every line is an entry or skipped");

    for (const JournalEntry &e : r.entries) {
        check(e.time.isValid() && e.time.timeSpec() == Qt::UTC, "an entry's time is valid and in UTC");
        for (const TouchedByte &b : e.bytes)
            check(b.offset >= 0 && b.offset < ImageSize, "touched byte inside the image");
        for (const JournalFrame &f : e.frames) {
            if (f.type == JournalFrame::Type::Byte)
                check(f.index >= 0 && f.index < ImageSize && f.value <= 0xFF, "byte frame inside the image");
            else if (f.type == JournalFrame::Type::Word)
                check(f.index >= 0 && f.index < ImageWordCount, "word frame inside the image");
        }

        // What the recorder would write for this entry reads back as the same entry.
        const QByteArray line = QJsonDocument(entryToJson(e)).toJson(QJsonDocument::Compact);
        const JournalReadResult again = parseJournalText(line);
        check(again.entries.size() == 1 && again.skippedLines == 0, "an entry written back reads back");
        check(sameEntry(again.entries.front(), e), "an entry written back reads back unchanged");

        const QString listed = entryText(e);
        check(!listed.isEmpty(), "an entry has a list text");
        for (const ChangeLine &c : e.changes)
            check(changeText(c).contains(c.setting), "a change's text names its setting");
        KELVANE_FUZZ_TRACE("%s (%zu bytes, %zu frames, %zu changes)\n", qPrintable(listed), e.bytes.size(),
            e.frames.size(), e.changes.size());
    }
    KELVANE_FUZZ_TRACE("%zu entries, %d lines skipped\n", r.entries.size(), r.skippedLines);
    return 0;
}
