// A language file as the window loads it: the first input byte picks the code page the file's
// single-byte texts are read in, the rest is the file. Whatever the bytes, the reader must not
// crash and must hand the window only texts it can use.

#include "FuzzInput.h"
#include "LanguageFile.h"
#include "TextTargets.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>

using namespace kelvane;
using namespace kelvane::fuzz;

namespace {

constexpr CodePage Pages[] = { CodePage::Windows874, CodePage::Windows1250, CodePage::Windows1251,
    CodePage::Windows1252, CodePage::Windows1257 };

// True when some line of the file starts with the six digits of `id` (a line starts at the
// beginning, after a byte order mark, or after CR or LF).
bool someLineStartsWith(const QByteArray &file, int id)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06d", id);
    for (qsizetype at = file.indexOf(digits); at >= 0; at = file.indexOf(digits, at + 1)) {
        if (at == 0 || file[at - 1] == '\n' || file[at - 1] == '\r' || (at == 3 && file.startsWith("\xEF\xBB\xBF")))
            return true;
    }
    return false;
}

qsizetype characters(const QString &text)
{
    return static_cast<qsizetype>(text.toUcs4().size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const CodePage page = Pages[data[0] % std::size(Pages)];
    const QByteArray file(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    const LanguageLoad load = parseLanguageText(file, page);

    const bool utf16 = file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF");
    check(load.status == (utf16 ? LanguageLoad::Status::Unsupported : LanguageLoad::Status::Loaded),
        "UTF-16 refused, anything else read");
    if (utf16)
        check(load.texts.empty() && load.entryLines == 0, "nothing read from a UTF-16 file");
    check(load.problems.size() <= static_cast<std::size_t>(MaxListedLanguageProblems) + (load.stopped ? 1 : 0),
        "problems list bounded");
    check(load.entryLines >= static_cast<int>(load.texts.size()), "every text comes from an entry line");
    check(!load.stopped || (!load.problems.empty() && load.problems.back().kind == LanguageProblem::Kind::NotDecimal),
        "a stopped reading ends with the line that stopped it");

    for (const auto &[id, text] : load.texts) {
        check(hasTarget(id), "a text for an id that names nothing");
        check(id >= 0 && id <= 999999, "id of six digits");
        check(someLineStartsWith(file, id), "a text whose id no line starts with");
        check(characters(text) <= MaxLanguageTextLength, "an over-long text kept");
        for (QChar c : text) {
            const char16_t u = c.unicode();
            check(!((u < 0x20 && u != '\t') || (u >= 0x7F && u <= 0x9F)), "a control character kept in a text");
        }
    }
    KELVANE_FUZZ_TRACE("%s, %zu bytes: %zu texts, %d entry lines, %zu problems%s%s\n", codePageName(page), size - 1,
        load.texts.size(), load.entryLines, load.problems.size(), load.utf8 ? ", UTF-8" : "",
        load.stopped ? ", stopped" : "");
    return 0;
}
