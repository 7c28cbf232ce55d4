#include "LanguageChoice.h"
#include "LanguageFile.h"
#include "Languages.h"
#include "TextTargets.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kelvane;

using Texts = QMap<int, QString>;
using Kind = LanguageProblem::Kind;
Q_DECLARE_METATYPE(kelvane::CodePage)
Q_DECLARE_METATYPE(kelvane::LanguageProblem::Kind)

namespace {

Texts toMap(const LanguageTexts &texts)
{
    Texts m;
    for (const auto &[id, text] : texts)
        m.insert(id, text);
    return m;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What every load must hold, whatever it read: only ids with a target, texts within the limit and
// free of control characters, a bounded problem list.
void checkInvariants(const LanguageLoad &load)
{
    for (const auto &[id, text] : load.texts) {
        QVERIFY2(hasTarget(id), qPrintable(QString::number(id)));
        QVERIFY(text.size() <= 2 * MaxLanguageTextLength);
        for (QChar c : text) {
            const char16_t u = c.unicode();
            QVERIFY((u >= 0x20 && (u < 0x7F || u > 0x9F)) || u == '\t');
        }
    }
    QVERIFY(static_cast<int>(load.problems.size()) <= MaxListedLanguageProblems + (load.stopped ? 1 : 0));
}

} // namespace

class TestLanguageFile : public QObject {
    Q_OBJECT
private slots:
    void entries_data();
    void entries();
    void aLineWithoutDecimalIdStopsTheReading_data();
    void aLineWithoutDecimalIdStopsTheReading();
    void unusableEntriesAreSkipped_data();
    void unusableEntriesAreSkipped();
    void aRepeatedIdKeepsTheLaterText();
    void adaptationTextFollowsEntryLines_data();
    void adaptationTextFollowsEntryLines();
    void problemListIsBounded();
    void randomBytesNeverBreakTheReader();
    void brokenFiles();
    void fileOfTheLanguageNumber();
};

void TestLanguageFile::entries_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<CodePage>("page");
    QTest::addColumn<Texts>("expected");
    const auto cp1252 = CodePage::Windows1252;
    const QString zazolc = QStringLiteral("Za\u017C\u00F3\u0142\u0107");

    QTest::newRow("blank separator") << QByteArray("100612 Show\n") << cp1252 << Texts { { 100612, "Show" } };
    QTest::newRow("tab separator") << QByteArray("100612\tShow\n") << cp1252 << Texts { { 100612, "Show" } };
    QTest::newRow("any separator") << QByteArray("100612xShow\n") << cp1252 << Texts { { 100612, "Show" } };
    QTest::newRow("only the first blank is the separator")
        << QByteArray("100612  two  blanks \n") << cp1252 << Texts { { 100612, " two  blanks " } };
    QTest::newRow("comment with id") << QByteArray("#100612 Hidden\n100001 Tab\n") << cp1252
                                     << Texts { { 100001, "Tab" } };
    QTest::newRow("six digits alone") << QByteArray("100612\n") << cp1252 << Texts { { 100612, "" } };
    QTest::newRow("six digits and separator") << QByteArray("100612 \n") << cp1252 << Texts { { 100612, "" } };
    QTest::newRow("CR LF") << QByteArray("100612 A\r\n100001 B\r\n") << cp1252
                           << Texts { { 100612, "A" }, { 100001, "B" } };
    QTest::newRow("CR alone") << QByteArray("100612 A\r100001 B\r") << cp1252
                              << Texts { { 100612, "A" }, { 100001, "B" } };
    QTest::newRow("last line without break")
        << QByteArray("100612 A\n100001 B") << cp1252 << Texts { { 100612, "A" }, { 100001, "B" } };
    QTest::newRow("empty and blank lines")
        << QByteArray("\n100612 A\n\n   \n\t\r\n100001 B\n") << cp1252 << Texts { { 100612, "A" }, { 100001, "B" } };
    QTest::newRow("windows-1250 bytes") << QByteArray("100612 Za\xBF\xF3\xB3\xE6\n") << CodePage::Windows1250
                                        << Texts { { 100612, zazolc } };
    QTest::newRow("same bytes read as windows-1252") << QByteArray(
        "100612 Za\xBF\xF3\xB3\xE6\n") << cp1252 << Texts { { 100612, QStringLiteral("Za\u00BF\u00F3\u00B3\u00E6") } };
    QTest::newRow("windows-1251 bytes") << QByteArray("100226 \xEE\xF8\xE8\xE1\xEA\xE0\n") << CodePage::Windows1251
                                        << Texts { { 100226, QStringLiteral("\u043E\u0448\u0438\u0431\u043A\u0430") } };
    QTest::newRow("UTF-8 file whatever the code page")
        << QByteArray("100612 Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\n") << cp1252 << Texts { { 100612, zazolc } };
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                         "100612 A\n")
                                           << cp1252 << Texts { { 100612, "A" } };
    QTest::newRow("UTF-8 separator of two bytes") << QByteArray("100612\xC2\xA0Text \xE2\x82\xAC\n") << cp1252
                                                  << Texts { { 100612, QStringLiteral("Text \u20AC") } };
}

void TestLanguageFile::entries()
{
    QFETCH(QByteArray, bytes);
    QFETCH(CodePage, page);
    QFETCH(Texts, expected);
    const LanguageLoad load = parseLanguageText(bytes, page);
    QCOMPARE(toMap(load.texts), expected);
    QVERIFY2(load.clean(), load.problems.empty() ? "" : qPrintable(load.problems.front().message));
    QVERIFY(!load.stopped);
    QCOMPARE(load.entryLines, expected.size());
}

void TestLanguageFile::aLineWithoutDecimalIdStopsTheReading_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("two digits") << QByteArray("12");
    QTest::newRow("five digits") << QByteArray("10061");
    QTest::newRow("five digits and text") << QByteArray("10061 Text");
    QTest::newRow("letters") << QByteArray("abcdef Text");
    QTest::newRow("blank before the id") << QByteArray(" 100612 Text");
    QTest::newRow("sign") << QByteArray("+10061 Text");
    QTest::newRow("binary") << QByteArray("\x01\xFF\x00\x7F", 4);
}

// The entries before the line stay; nothing after it is read.
void TestLanguageFile::aLineWithoutDecimalIdStopsTheReading()
{
    QFETCH(QByteArray, line);
    const QByteArray bytes = QByteArray("100001 Before\n") + line + QByteArray("\n100002 After\n");
    const LanguageLoad load = parseLanguageText(bytes, CodePage::Windows1252);
    QCOMPARE(load.status, LanguageLoad::Status::Loaded);
    QVERIFY(load.stopped);
    QCOMPARE(toMap(load.texts), (Texts { { 100001, "Before" } }));
    QCOMPARE(load.entryLines, 1);
    QCOMPARE(load.problems.size(), std::size_t(1));
    QCOMPARE(load.problems[0].kind, Kind::NotDecimal);
    QCOMPARE(load.problems[0].line, 2);
    QVERIFY(load.problems[0].message.startsWith(QStringLiteral("line 2: ")));
}

void TestLanguageFile::unusableEntriesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<CodePage>("page");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("id");
    const auto cp1252 = CodePage::Windows1252;
    QTest::newRow("id without target") << QByteArray("100112 Nothing") << cp1252 << Kind::NoTarget << 100112;
    QTest::newRow("id zero") << QByteArray("000000 Nothing") << cp1252 << Kind::NoTarget << 0;
    QTest::newRow("below the range") << QByteArray("100000 Nothing") << cp1252 << Kind::NoTarget << 100000;
    QTest::newRow("above the range") << QByteArray("101304 Nothing") << cp1252 << Kind::NoTarget << 101304;
    QTest::newRow("largest id") << QByteArray("999999 Nothing") << cp1252 << Kind::NoTarget << 999999;
    QTest::newRow("255 characters") << QByteArray("100612 ") + QByteArray(255, 'x') << cp1252 << Kind::TextTooLong
                                    << 100612;
    QTest::newRow("10000 characters") << QByteArray("100612 ") + QByteArray(10000, 'x') << cp1252 << Kind::TextTooLong
                                      << 100612;
    QTest::newRow("255 two-byte characters in UTF-8")
        << QByteArray("100612 ") + QByteArray("\xC5\x82").repeated(255) << cp1252 << Kind::TextTooLong << 100612;
    QTest::newRow("undefined byte") << QByteArray("100612 A\x81"
                                                  "B")
                                    << cp1252 << Kind::UndefinedBytes << 100612;
    QTest::newRow("control character") << QByteArray("100612 A\x01"
                                                     "B")
                                       << cp1252 << Kind::ControlCharacter << 100612;
    QTest::newRow("NUL") << QByteArray("100612 A\0B", 10) << cp1252 << Kind::ControlCharacter << 100612;
    QTest::newRow("C1 control in UTF-8") << QByteArray("100612 A\xC2\x85"
                                                       "B")
                                         << cp1252 << Kind::ControlCharacter << 100612;
}

// The line is skipped and listed; the lines around it are read.
void TestLanguageFile::unusableEntriesAreSkipped()
{
    QFETCH(QByteArray, line);
    QFETCH(CodePage, page);
    QFETCH(Kind, kind);
    QFETCH(int, id);
    const QByteArray bytes = QByteArray("100001 Before\n") + line + QByteArray("\n100002 After\n");
    const LanguageLoad load = parseLanguageText(bytes, page);
    QVERIFY(!load.stopped);
    QCOMPARE(toMap(load.texts), (Texts { { 100001, "Before" }, { 100002, "After" } }));
    QCOMPARE(load.entryLines, 3);
    QCOMPARE(load.problems.size(), std::size_t(1));
    QCOMPARE(load.problems[0].kind, kind);
    QCOMPARE(load.problems[0].line, 2);
    QCOMPARE(load.problems[0].id, id);
}

void TestLanguageFile::aRepeatedIdKeepsTheLaterText()
{
    // 254 characters is still a text.
    const QByteArray longest(254, 'y');
    const LanguageLoad load
        = parseLanguageText(QByteArray("100612 First\n100612 ") + longest + "\n", CodePage::Windows1252);
    QCOMPARE(toMap(load.texts), (Texts { { 100612, QString::fromLatin1(longest) } }));
    QCOMPARE(load.problems.size(), std::size_t(1));
    QCOMPARE(load.problems[0].kind, Kind::DuplicateId);
    QCOMPARE(load.problems[0].line, 2);
}

void TestLanguageFile::adaptationTextFollowsEntryLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("showsT0");
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("comments only") << QByteArray("# one\n# two\n") << false;
    QTest::newRow("an id without target") << QByteArray("100112 Nothing\n") << true;
    QTest::newRow("a skipped text") << QByteArray("100612 A\x01\n") << true;
    QTest::newRow("stopped at the first line") << QByteArray("12\n100612 A\n") << false;
    QTest::newRow("one entry") << QByteArray("100612 A\n") << true;
}

// After every entry line the window shows adaptation text T0, whatever the id.
void TestLanguageFile::adaptationTextFollowsEntryLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, showsT0);
    QCOMPARE(parseLanguageText(bytes, CodePage::Windows1252).showsAdaptationT0(), showsT0);
}

void TestLanguageFile::problemListIsBounded()
{
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += "999999 no target\n";
    bytes += "100612 Kept\n";
    const LanguageLoad load = parseLanguageText(bytes, CodePage::Windows1252);
    QCOMPARE(load.problems.size(), std::size_t(MaxListedLanguageProblems));
    QCOMPARE(load.unlistedProblems, 5000 - MaxListedLanguageProblems);
    QCOMPARE(toMap(load.texts), (Texts { { 100612, "Kept" } }));
    QCOMPARE(load.entryLines, 5001);

    // The line that stops the reading is listed even past the bound: the window shows the last one.
    bytes += "12\n";
    const LanguageLoad stopped = parseLanguageText(bytes, CodePage::Windows1252);
    QVERIFY(stopped.stopped);
    QCOMPARE(stopped.problems.size(), std::size_t(MaxListedLanguageProblems) + 1);
    QCOMPARE(stopped.problems.back().kind, LanguageProblem::Kind::NotDecimal);
    QCOMPARE(stopped.problems.back().line, 5002);
}

// Random bytes, and random lines built from digits, separators, line breaks and high bytes.
void TestLanguageFile::randomBytesNeverBreakTheReader()
{
    QRandomGenerator rng(20240611);
    const char alphabet[] = "0123456789 \t\r\n#\x80\x81\xC5\x82\xEF\xBB\xBF\x00\x01";
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(static_cast<qsizetype>(rng.bounded(4000)), Qt::Uninitialized);
        const bool structured = round % 2 == 0;
        for (char &c : bytes)
            c = structured ? alphabet[rng.bounded(int(sizeof alphabet - 1))] : static_cast<char>(rng.bounded(256));
        if (structured && round % 4 == 0)
            bytes.prepend("100612 ");
        for (CodePage page : { CodePage::Windows1250, CodePage::Windows1251, CodePage::Windows1252,
                 CodePage::Windows1257, CodePage::Windows874 }) {
            const LanguageLoad load = parseLanguageText(bytes, page);
            checkInvariants(load);
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestLanguageFile::brokenFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // Larger than any language file: refused without reading, nothing applied.
    const QString big = dir.filePath(QStringLiteral("big.txt"));
    {
        QByteArray line("100612 Text\n");
        QByteArray bytes = line.repeated(10 * 1024 * 1024 / line.size() + 1);
        QVERIFY(writeFile(big, bytes));
    }
    LanguageLoad load = readLanguageFile(big, CodePage::Windows1252);
    QCOMPARE(load.status, LanguageLoad::Status::TooLarge);
    QVERIFY(load.texts.empty());
    QCOMPARE(load.entryLines, 0);
    QCOMPARE(load.problems.front().kind, Kind::TooLarge);

    // Exactly the largest size is read.
    const QString largest = dir.filePath(QStringLiteral("largest.txt"));
    {
        QByteArray bytes("100612 Text\n");
        bytes += QByteArray(MaxLanguageFileBytes - bytes.size() - 1, '#');
        bytes += '\n';
        QCOMPARE(bytes.size(), MaxLanguageFileBytes);
        QVERIFY(writeFile(largest, bytes));
    }
    load = readLanguageFile(largest, CodePage::Windows1252);
    QCOMPARE(load.status, LanguageLoad::Status::Loaded);
    QCOMPARE(toMap(load.texts), (Texts { { 100612, "Text" } }));

    // Binary bytes: read up to the first line without an id, nothing unusable applied.
    const QString binary = dir.filePath(QStringLiteral("binary.txt"));
    QByteArray noise(65536, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char &c : noise)
        c = static_cast<char>(rng.bounded(256));
    QVERIFY(writeFile(binary, QByteArray("100612 Good\n") + noise));
    load = readLanguageFile(binary, CodePage::Windows1252);
    QCOMPARE(load.status, LanguageLoad::Status::Loaded);
    QCOMPARE(load.texts.at(100612), QStringLiteral("Good"));
    QVERIFY(load.stopped);
    checkInvariants(load);

    // UTF-16 is refused as a whole.
    const QString utf16 = dir.filePath(QStringLiteral("utf16.txt"));
    QVERIFY(writeFile(utf16,
        QByteArray("\xFF\xFE"
                   "1\0"
                   "0\0"
                   "0\0"
                   "6\0"
                   "1\0"
                   "2\0"
                   " \0"
                   "A\0"
                   "\n\0",
            20)));
    load = readLanguageFile(utf16, CodePage::Windows1252);
    QCOMPARE(load.status, LanguageLoad::Status::Unsupported);
    QVERIFY(load.texts.empty());
    QCOMPARE(load.entryLines, 0);

    // Not there, a folder, a FIFO (which must not be waited on).
    load = readLanguageFile(dir.filePath(QStringLiteral("missing.txt")), CodePage::Windows1252);
    QCOMPARE(load.status, LanguageLoad::Status::CannotOpen);
    QCOMPARE(load.problems.front().kind, Kind::CannotOpen);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
    QCOMPARE(readLanguageFile(dir.filePath(QStringLiteral("folder.txt")), CodePage::Windows1252).status,
        LanguageLoad::Status::CannotOpen);
    const QString fifo = dir.filePath(QStringLiteral("fifo.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(readLanguageFile(fifo, CodePage::Windows1252).status, LanguageLoad::Status::CannotOpen);
}

void TestLanguageFile::fileOfTheLanguageNumber()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // German in windows-1252, Polish in windows-1250, Lithuanian in windows-1257 (under an upper-case
    // name, as a file copied from a Windows machine may have).
    QVERIFY(writeFile(dir.filePath(QStringLiteral("ger.txt")), QByteArray("100226 Fehler \xFC\n")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("pol.txt")),
        QByteArray("100226 b\xB3\xB9"
                   "d\n")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("LIT.TXT")), QByteArray("100226 klaida \xEB\n")));

    LanguageLoad load = loadLanguage(6, dir.path());
    QCOMPARE(load.status, LanguageLoad::Status::Loaded);
    QCOMPARE(load.path, dir.filePath(QStringLiteral("ger.txt")));
    QCOMPARE(load.texts.at(100226), QStringLiteral("Fehler \u00FC"));
    QCOMPARE(loadLanguage(2, dir.path()).texts.at(100226), QStringLiteral("b\u0142\u0105d"));
    load = loadLanguage(5, dir.path());
    QCOMPARE(load.path, dir.filePath(QStringLiteral("LIT.TXT")));
    QCOMPARE(load.texts.at(100226), QStringLiteral("klaida \u0117"));

    QCOMPARE(loadLanguage(1, dir.path()).status, LanguageLoad::Status::CannotOpen);
    for (int number : { NoLanguageNumber, 0, 10, 255 })
        QCOMPARE(loadLanguage(number, dir.path()).status, LanguageLoad::Status::NoLanguage);
}

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
