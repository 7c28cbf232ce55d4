#include "DataDirs.h"
#include "LanguageFile.h"
#include "Languages.h"
#include "TextTargets.h"

#include <QTemporaryDir>
#include <QtTest>

#include <set>

using namespace kelvane;

namespace {

const QString ShippedDir = QStringLiteral(KELVANE_LANG_DIR);

std::set<int> idsOf(const LanguageTexts &texts)
{
    std::set<int> ids;
    for (const auto &entry : texts)
        ids.insert(entry.first);
    return ids;
}

} // namespace

class TestShippedLanguages : public QObject {
    Q_OBJECT
private slots:
    void everyShippedFileIsCompleteAndClean_data();
    void everyShippedFileIsCompleteAndClean();
    void englishIsTheWindowsOwnText();
    void translationsAreDecodedByTheirCodePage();
    void dataFoldersNextToTheProgramOrInstalled();
};

void TestShippedLanguages::everyShippedFileIsCompleteAndClean_data()
{
    // Every language the menu offers is shipped.
    QTest::addColumn<int>("number");
    for (const LanguageInfo &info : languages()) {
        if (info.menuChoosable)
            QTest::newRow(info.menuCaption) << info.number;
    }
}

void TestShippedLanguages::everyShippedFileIsCompleteAndClean()
{
    QFETCH(int, number);
    const LanguageLoad load = loadLanguage(number, ShippedDir);
    QCOMPARE(load.status, LanguageLoad::Status::Loaded);
    QVERIFY2(load.clean(), load.problems.empty() ? "" : qPrintable(load.problems.front().message));
    QVERIFY(!load.stopped);
    // Written in the language's code page, as the format asks.
    QVERIFY(!load.utf8);
    const std::vector<int> table = textIds();
    QCOMPARE(idsOf(load.texts), std::set<int>(table.begin(), table.end()));
    QCOMPARE(load.entryLines, TextIdCount);
    for (const auto &[id, text] : load.texts)
        QVERIFY2(!text.isEmpty(), qPrintable(QString::number(id)));
}

void TestShippedLanguages::englishIsTheWindowsOwnText()
{
    const LanguageLoad load = loadLanguage(1, ShippedDir);
    for (const auto &[id, text] : load.texts)
        QCOMPARE(text, englishText(id));
    QCOMPARE(load.texts.at(100205), QStringLiteral("TG [\u00B0C]"));
}

void TestShippedLanguages::translationsAreDecodedByTheirCodePage()
{
    const LanguageLoad polish = loadLanguage(2, ShippedDir);
    QCOMPARE(polish.texts.at(100226), QStringLiteral("b\u0142\u0105d"));
    QCOMPARE(polish.texts.at(100917), QStringLiteral("\u015AREDNI PRZEP\u0141YW"));
    const LanguageLoad german = loadLanguage(6, ShippedDir);
    QCOMPARE(german.texts.at(100564), QStringLiteral("WARTUNG L\u00D6SCHEN"));
    QCOMPARE(german.texts.at(100008), QStringLiteral("Steuerger\u00E4t"));
    // Lithuanian in windows-1257, Spanish in windows-1252, Slovak in windows-1250.
    const LanguageLoad lithuanian = loadLanguage(5, ShippedDir);
    QCOMPARE(lithuanian.texts.at(100564), QStringLiteral("TRINTI SERVIS\u0104"));
    QCOMPARE(lithuanian.texts.at(101301), QStringLiteral("gr\u012F\u017Eimas \u012F dujas [s]:"));
    const LanguageLoad spanish = loadLanguage(7, ShippedDir);
    QCOMPARE(spanish.texts.at(100564), QStringLiteral("BORRAR REVISI\u00D3N"));
    const LanguageLoad slovak = loadLanguage(8, ShippedDir);
    QCOMPARE(slovak.texts.at(100564), QStringLiteral("ZMAZA\u0164 SERVIS"));
    QCOMPARE(slovak.texts.at(100917), QStringLiteral("STREDN\u00DD PRIETOK"));
    // Translations, not copies of the English file.
    for (const LanguageLoad *load : { &polish, &german, &lithuanian, &spanish, &slovak }) {
        int differing = 0;
        for (const auto &[id, text] : load->texts)
            differing += text != englishText(id) ? 1 : 0;
        QVERIFY2(differing > TextIdCount / 2, qPrintable(QString::number(differing)));
    }
}

void TestShippedLanguages::dataFoldersNextToTheProgramOrInstalled()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir root(dir.path());
    QVERIFY(root.mkpath(QStringLiteral("unpacked/lang")));
    QVERIFY(root.mkpath(QStringLiteral("prefix/bin")));
    QVERIFY(root.mkpath(QStringLiteral("prefix/share/kelvane/lang")));
    QVERIFY(root.mkpath(QStringLiteral("prefix/share/kelvane/sch")));
    QVERIFY(root.mkpath(QStringLiteral("empty/bin")));

    // Unpacked into one folder: beside the executable.
    QCOMPARE(findDataDir(root.filePath(QStringLiteral("unpacked")), QStringLiteral("lang")),
        root.filePath(QStringLiteral("unpacked/lang")));
    // Installed: <prefix>/share/kelvane beside <prefix>/bin.
    QCOMPARE(findDataDir(root.filePath(QStringLiteral("prefix/bin")), QStringLiteral("lang")),
        root.filePath(QStringLiteral("prefix/share/kelvane/lang")));
    QCOMPARE(findDataDir(root.filePath(QStringLiteral("prefix/bin")), QStringLiteral("sch")),
        root.filePath(QStringLiteral("prefix/share/kelvane/sch")));
    // A copy beside the executable wins over the installed one.
    QVERIFY(root.mkpath(QStringLiteral("prefix/bin/lang")));
    QCOMPARE(findDataDir(root.filePath(QStringLiteral("prefix/bin")), QStringLiteral("lang")),
        root.filePath(QStringLiteral("prefix/bin/lang")));
    // The start directory's folder comes first of all; without one there, the others as before.
    QVERIFY(root.mkpath(QStringLiteral("workshop/lang")));
    QCOMPARE(findDataDir(root.filePath(QStringLiteral("prefix/bin")), QStringLiteral("lang"),
                 root.filePath(QStringLiteral("workshop"))),
        root.filePath(QStringLiteral("workshop/lang")));
    QCOMPARE(findDataDir(root.filePath(QStringLiteral("prefix/bin")), QStringLiteral("lang"),
                 root.filePath(QStringLiteral("empty"))),
        root.filePath(QStringLiteral("prefix/bin/lang")));

    // Nothing near the executable: only the prefix the program was built for is left.
    const QStringList candidates = dataDirCandidates(root.filePath(QStringLiteral("empty/bin")), QStringLiteral("sch"));
    QCOMPARE(candidates.size(), 3);
    QCOMPARE(candidates.at(0), root.filePath(QStringLiteral("empty/bin/sch")));
    QCOMPARE(candidates.at(1), root.filePath(QStringLiteral("empty/share/kelvane/sch")));
    const QString found = findDataDir(root.filePath(QStringLiteral("empty/bin")), QStringLiteral("sch"));
    QCOMPARE(found, QFileInfo(candidates.at(2)).isDir() ? candidates.at(2) : QString());

    // The build puts the shipped folders beside its executables, this test's among them.
    const QString built = findDataDir(QCoreApplication::applicationDirPath(), QStringLiteral("lang"));
    QCOMPARE(built, QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/lang")));
    QVERIFY(QFileInfo::exists(built + QStringLiteral("/ang.txt")));
}

QTEST_GUILESS_MAIN(TestShippedLanguages)
#include "tst_shippedlanguages.moc"
