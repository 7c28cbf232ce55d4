#pragma once
// Reading a language file into texts by id.
//
// The file is lines of text. A line starting with "#" is a comment. Any other line is an entry:
// six decimal digits (the text id), one separator character (a blank or a tab; whatever it is, it
// is ignored) and the text up to the line break. Texts are single-byte texts in the language's
// code page, unless the whole file is valid UTF-8, which is then read as UTF-8 (a leading byte
// order mark is dropped).
//
// What this reader decides where the format says nothing:
// - line breaks are LF, CR LF or CR alone; the last line needs none;
// - an empty line, or one of blanks and tabs only, is skipped;
// - a line of exactly six digits gives its id an empty text;
// - a line whose first six characters are not all digits (also any line shorter than six) stops
//   the reading with an error: the entries before it stay, the lines after it are not read;
// - an entry is skipped, and listed as a problem, when its id names nothing, its text is longer
//   than 254 characters, holds a byte the code page leaves undefined or a control character
//   other than tab;
// - an id given twice keeps the later text (listed as a problem);
// - a file larger than 1 MiB, a UTF-16 file and anything but a regular file are not read at all.
//
// Loading the current language, as the window does it at start-up and after a menu choice
// (a choice first stores its number with storeLanguageChoice):
// 1. choice = readLanguageChoice(<start directory>/lan.txt); languageInfo(choice.number) is nullptr
//    for 0, 10 and above and an empty file: stop, the texts stay as they are.
// 2. load = loadLanguage(choice.number, <lang folder>); the lang folder from findDataDir (DataDirs.h).
// 3. status CannotOpen, TooLarge or Unsupported: the message box "ERROR", nothing applied.
// 4. For every text, in ascending id order, set each of targetsOf(id) (TextTargets.h); when
//    reselectRuleFor(id) has a rule, select reselectedItem(...) in that combo box (an index outside
//    its items selects nothing). Of two ids for one target (the diagnostic sub-tabs) the higher wins.
// 5. stopped: show problems.back().message; the texts before it are applied.
// 6. showsAdaptationT0(): RichEditAdapt shows adaptation text T0 as it is after step 4.

#include "CodePages.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace kelvane {

// Text by id, only ids that name a target (see TextTargets.h).
using LanguageTexts = std::map<int, QString>;

constexpr qint64 MaxLanguageFileBytes = 1024 * 1024;
constexpr int MaxLanguageTextLength = 254; // characters
// Problems listed one by one; any further ones are only counted, except the line that stopped the
// reading, which is always listed last.
constexpr int MaxListedLanguageProblems = 100;

struct LanguageProblem {
    enum class Kind : std::uint8_t {
        NotDecimal, // the line does not start with six digits: the reading stopped here
        NoTarget, // the id names nothing: skipped
        DuplicateId, // the id came before: the later text is used
        TextTooLong, // skipped
        UndefinedBytes, // skipped
        ControlCharacter, // skipped
        CannotOpen, // the file: missing, unreadable or not a regular file
        TooLarge, // the file: larger than MaxLanguageFileBytes
        Utf16, // the file: UTF-16, which is not read
    };
    Kind kind = Kind::NotDecimal;
    int line = 0; // 1-based; 0 for a problem of the whole file
    int id = -1; // the entry's id, -1 where there is none
    QString message; // one line for the fitter, starting with "line N: " for a line
};

struct LanguageLoad {
    enum class Status : std::uint8_t {
        Loaded, // the file was read (see `stopped` and `problems` for what was left out)
        NoLanguage, // the number names no language: the texts stay as they are
        CannotOpen, // the file is missing or cannot be read: nothing applied
        TooLarge, // nothing applied
        Unsupported, // UTF-16: nothing applied
    };
    Status status = Status::NoLanguage;
    QString path;
    bool utf8 = false; // read as UTF-8 rather than by the code page
    LanguageTexts texts;
    std::vector<LanguageProblem> problems;
    int unlistedProblems = 0;
    // Entry lines read (those with a decimal id, used or not). After every entry line the window
    // shows adaptation text T0, so a load with at least one shows T0 at the end.
    int entryLines = 0;
    bool stopped = false; // a line without a decimal id ended the reading

    bool showsAdaptationT0() const { return entryLines > 0; }
    // Read whole with nothing skipped, stopped or repeated.
    bool clean() const { return status == Status::Loaded && problems.empty() && unlistedProblems == 0; }
};

// Parses the bytes of a language file whose single-byte texts are in `page`.
LanguageLoad parseLanguageText(const QByteArray &bytes, CodePage page);
// Reads and parses the file at `path`, at most MaxLanguageFileBytes of it.
LanguageLoad readLanguageFile(const QString &path, CodePage page);
// The file of language `number` in the folder `langDir`, in that language's code page. When the
// exact file name is missing, a name differing only in letter case is taken ("ANG.TXT").
LanguageLoad loadLanguage(int number, const QString &langDir);

} // namespace kelvane
