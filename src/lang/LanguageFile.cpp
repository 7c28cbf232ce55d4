#include "LanguageFile.h"

#include "Languages.h"
#include "TextTargets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kelvane {

namespace {

using Kind = LanguageProblem::Kind;

constexpr int IdDigits = 6;

void addProblem(LanguageLoad &load, Kind kind, int line, int id, const QString &message)
{
    // The line that stops the reading is always listed (last): the window shows it.
    if (kind != Kind::NotDecimal && static_cast<int>(load.problems.size()) >= MaxListedLanguageProblems) {
        ++load.unlistedProblems;
        return;
    }
    const QString text = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(message) : message;
    load.problems.push_back(LanguageProblem { kind, line, id, text });
}

bool blankOnly(const char *p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != ' ' && p[i] != '\t')
            return false;
    }
    return true;
}

// The bytes as ASCII, others as \xNN, for a message.
QString printable(const char *p, qsizetype n)
{
    QString s;
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<std::uint8_t>(p[i]);
        if (b >= 0x20 && b < 0x7F)
            s += QLatin1Char(static_cast<char>(b));
        else
            s += QStringLiteral("\\x%1").arg(static_cast<unsigned>(b), 2, 16, QLatin1Char('0'));
    }
    return s;
}

// Bytes of the UTF-8 sequence starting with `lead` (the file has been checked, so it is complete).
int utf8SequenceLength(std::uint8_t lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    return 2;
}

// The first control character of the text other than tab (C0, DEL, C1), or -1 for none.
int controlCharacter(const QString &text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t') || (u >= 0x7F && u <= 0x9F))
            return u;
    }
    return -1;
}

qsizetype codePointCount(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate()))
            ++n;
    }
    return n;
}

// One line without its line break; false when the reading stops here.
bool parseLine(LanguageLoad &load, const char *p, qsizetype n, int lineNo, CodePage page)
{
    if (n == 0 || blankOnly(p, n))
        return true;
    if (p[0] == '#')
        return true;
    int id = 0;
    bool decimal = n >= IdDigits;
    for (int i = 0; decimal && i < IdDigits; ++i) {
        if (p[i] < '0' || p[i] > '9')
            decimal = false;
        else
            id = id * 10 + (p[i] - '0');
    }
    if (!decimal) {
        const QString start = printable(p, std::min<qsizetype>(n, IdDigits));
        addProblem(load, Kind::NotDecimal, lineNo, -1,
            QStringLiteral("\"%1\" is not a six-digit text id; the lines after it were not read").arg(start));
        load.stopped = true;
        return false;
    }
    ++load.entryLines;
    if (!hasTarget(id)) {
        addProblem(load, Kind::NoTarget, lineNo, id, QStringLiteral("id %1 names no text; skipped").arg(id));
        return true;
    }

    // The separator is one character, whichever it is.
    qsizetype start = IdDigits;
    if (start < n)
        start += load.utf8 ? utf8SequenceLength(static_cast<std::uint8_t>(p[start])) : 1;
    start = std::min(start, n);
    const char *textBytes = p + start;
    const qsizetype textSize = n - start;

    QString text;
    if (load.utf8) {
        text = QString::fromUtf8(textBytes, textSize);
    } else if (!decodeCodePage(textBytes, textSize, page, text)) {
        addProblem(load, Kind::UndefinedBytes, lineNo, id,
            QStringLiteral("id %1: a byte that %2 does not define; skipped")
                .arg(id)
                .arg(QLatin1String(codePageName(page))));
        return true;
    }
    if (const int c = controlCharacter(text); c >= 0) {
        addProblem(load, Kind::ControlCharacter, lineNo, id,
            QStringLiteral("id %1: control character 0x%2 in the text; skipped")
                .arg(id)
                .arg(static_cast<unsigned>(c), 2, 16, QLatin1Char('0')));
        return true;
    }
    const qsizetype length = codePointCount(text);
    if (length > MaxLanguageTextLength) {
        addProblem(load, Kind::TextTooLong, lineNo, id,
            QStringLiteral("id %1: text of %2 characters, more than %3; skipped")
                .arg(id)
                .arg(length)
                .arg(MaxLanguageTextLength));
        return true;
    }
    if (load.texts.count(id))
        addProblem(load, Kind::DuplicateId, lineNo, id, QStringLiteral("id %1 given again; this text is used").arg(id));
    load.texts[id] = text;
    return true;
}

} // namespace

LanguageLoad parseLanguageText(const QByteArray &bytes, CodePage page)
{
    LanguageLoad load;
    load.status = LanguageLoad::Status::Loaded;
    const char *p = bytes.constData();
    qsizetype size = bytes.size();

    if (size >= 2
        && ((static_cast<std::uint8_t>(p[0]) == 0xFF && static_cast<std::uint8_t>(p[1]) == 0xFE)
            || (static_cast<std::uint8_t>(p[0]) == 0xFE && static_cast<std::uint8_t>(p[1]) == 0xFF))) {
        load.status = LanguageLoad::Status::Unsupported;
        addProblem(
            load, Kind::Utf16, 0, -1, QStringLiteral("the file is UTF-16; save it as UTF-8 or in its code page"));
        return load;
    }
    load.utf8 = isValidUtf8(p, size);
    if (load.utf8 && size >= 3 && static_cast<std::uint8_t>(p[0]) == 0xEF && static_cast<std::uint8_t>(p[1]) == 0xBB
        && static_cast<std::uint8_t>(p[2]) == 0xBF) {
        p += 3;
        size -= 3;
    }

    int lineNo = 0;
    qsizetype i = 0;
    while (i < size) {
        qsizetype end = i;
        while (end < size && p[end] != '\n' && p[end] != '\r')
            ++end;
        ++lineNo;
        if (!parseLine(load, p + i, end - i, lineNo, page))
            break;
        i = end;
        if (i < size)
            i += (p[i] == '\r' && i + 1 < size && p[i + 1] == '\n') ? 2 : 1;
    }
    return load;
}

LanguageLoad readLanguageFile(const QString &path, CodePage page)
{
    LanguageLoad load;
    load.path = path;
    const QFileInfo info(path);
    if (!info.exists()) {
        load.status = LanguageLoad::Status::CannotOpen;
        addProblem(load, Kind::CannotOpen, 0, -1, QStringLiteral("%1 does not exist").arg(path));
        return load;
    }
    if (!info.isFile()) {
        load.status = LanguageLoad::Status::CannotOpen;
        addProblem(load, Kind::CannotOpen, 0, -1, QStringLiteral("%1 is not a regular file").arg(path));
        return load;
    }
    if (info.size() > MaxLanguageFileBytes) {
        load.status = LanguageLoad::Status::TooLarge;
        addProblem(load, Kind::TooLarge, 0, -1,
            QStringLiteral("%1 has %2 bytes, more than a language file may have (%3)")
                .arg(path)
                .arg(info.size())
                .arg(MaxLanguageFileBytes));
        return load;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        load.status = LanguageLoad::Status::CannotOpen;
        addProblem(load, Kind::CannotOpen, 0, -1, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return load;
    }
    // The file may grow between the size check and the read: read one byte more than allowed.
    const QByteArray bytes = file.read(MaxLanguageFileBytes + 1);
    if (bytes.size() > MaxLanguageFileBytes) {
        load.status = LanguageLoad::Status::TooLarge;
        addProblem(load, Kind::TooLarge, 0, -1,
            QStringLiteral("%1 is larger than a language file may be (%2 bytes)").arg(path).arg(MaxLanguageFileBytes));
        return load;
    }
    if (file.error() != QFileDevice::NoError) {
        load.status = LanguageLoad::Status::CannotOpen;
        addProblem(load, Kind::CannotOpen, 0, -1, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return load;
    }
    LanguageLoad parsed = parseLanguageText(bytes, page);
    parsed.path = path;
    return parsed;
}

LanguageLoad loadLanguage(int number, const QString &langDir)
{
    const LanguageInfo *info = languageInfo(number);
    if (!info) {
        LanguageLoad load;
        load.status = LanguageLoad::Status::NoLanguage;
        return load;
    }
    const QDir dir(langDir);
    const QString fileName = QString::fromLatin1(info->fileName);
    QString path = dir.filePath(fileName);
    if (!QFileInfo::exists(path)) {
        const QStringList entries = dir.entryList(QDir::Files);
        for (const QString &e : entries) {
            if (e.compare(fileName, Qt::CaseInsensitive) == 0) {
                path = dir.filePath(e);
                break;
            }
        }
    }
    return readLanguageFile(path, info->codePage);
}

} // namespace kelvane
