#include "LanguageChoice.h"
#include "Languages.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kelvane;

using Source = LanguageChoice::Source;
using Status = LanguageChoiceStore::Status;
Q_DECLARE_METATYPE(kelvane::LanguageChoice::Source)

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestLanguageChoice : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readsTheFirstByte_data();
    void readsTheFirstByte();
    void missingOrUnreadableGivesEnglish();
    void storingCreatesAMissingFile();
    void storingReplacesOnlyTheFirstByte();
    void storingThatCannotWorkChangesNothing();
    void languageTable();
    void menuItemsChooseTheirLanguage();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestLanguageChoice::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QString::fromLatin1(LanguageChoiceFileName));
    QFile::remove(m_path);
}

void TestLanguageChoice::readsTheFirstByte_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Source>("source");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("file"); // the language file it names, empty for none
    QTest::newRow("byte 6") << QByteArray("\x06") << Source::Read << 6 << "ger.txt";
    QTest::newRow("digit 6 is byte 54") << QByteArray("6") << Source::Read << 54 << "";
    QTest::newRow("byte 0") << QByteArray("\x00", 1) << Source::Read << 0 << "";
    QTest::newRow("byte 9") << QByteArray("\x09") << Source::Read << 9 << "chor.txt";
    QTest::newRow("byte 10") << QByteArray("\x0A") << Source::Read << 10 << "";
    QTest::newRow("byte 255") << QByteArray("\xFF") << Source::Read << 255 << "";
    QTest::newRow("rest ignored") << QByteArray("\x02whatever follows") << Source::Read << 2 << "pol.txt";
    QTest::newRow("empty") << QByteArray() << Source::Empty << NoLanguageNumber << "";
}

void TestLanguageChoice::readsTheFirstByte()
{
    QFETCH(QByteArray, content);
    QFETCH(Source, source);
    QFETCH(int, number);
    QFETCH(QString, file);
    QVERIFY(writeFile(m_path, content));
    const LanguageChoice choice = readLanguageChoice(m_path);
    QCOMPARE(choice.source, source);
    QCOMPARE(choice.number, number);
    const LanguageInfo *info = languageInfo(choice.number);
    QCOMPARE(info ? QString::fromLatin1(info->fileName) : QString(), file);
}

void TestLanguageChoice::missingOrUnreadableGivesEnglish()
{
    LanguageChoice choice = readLanguageChoice(m_path);
    QCOMPARE(choice.source, Source::Missing);
    QCOMPARE(choice.number, DefaultLanguage);
    QCOMPARE(QString::fromLatin1(languageInfo(choice.number)->fileName), QStringLiteral("ang.txt"));

    QVERIFY(QDir(m_dir.path()).mkdir(QString::fromLatin1(LanguageChoiceFileName)));
    choice = readLanguageChoice(m_path);
    QCOMPARE(choice.source, Source::Unreadable);
    QCOMPARE(choice.number, DefaultLanguage);
    QVERIFY(QDir(m_dir.path()).rmdir(QString::fromLatin1(LanguageChoiceFileName)));

    // A FIFO in its place is not opened: the start would wait for a writer.
    QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
    choice = readLanguageChoice(m_path);
    QCOMPARE(choice.source, Source::Unreadable);
    QCOMPARE(choice.number, DefaultLanguage);
    QVERIFY(QFile::remove(m_path));
}

// Choosing a language when there is no "lan.txt" yet creates it, so the choice is kept.
void TestLanguageChoice::storingCreatesAMissingFile()
{
    const LanguageChoiceStore store = storeLanguageChoice(m_path, 6);
    QCOMPARE(store.status, Status::Created);
    QVERIFY(store.ok());
    QCOMPARE(readFile(m_path), QByteArray("\x06"));
    QCOMPARE(readLanguageChoice(m_path).number, 6);
    // No temporary file is left beside it.
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "lan.txt" });
}

void TestLanguageChoice::storingReplacesOnlyTheFirstByte()
{
    QVERIFY(writeFile(m_path, QByteArray("\x01kept")));
    const LanguageChoiceStore store = storeLanguageChoice(m_path, 5);
    QCOMPARE(store.status, Status::Stored);
    QCOMPARE(readFile(m_path), QByteArray("\x05kept"));

    QVERIFY(writeFile(m_path, QByteArray()));
    QCOMPARE(storeLanguageChoice(m_path, 2).status, Status::Stored);
    QCOMPARE(readFile(m_path), QByteArray("\x02"));
}

void TestLanguageChoice::storingThatCannotWorkChangesNothing()
{
    const QString inMissingFolder = m_dir.filePath(QStringLiteral("no/such/folder/lan.txt"));
    LanguageChoiceStore store = storeLanguageChoice(inMissingFolder, 6);
    QCOMPARE(store.status, Status::Failed);
    QVERIFY(!store.error.isEmpty());
    QVERIFY(!QFileInfo::exists(inMissingFolder));

    QVERIFY(QDir(m_dir.path()).mkdir(QString::fromLatin1(LanguageChoiceFileName)));
    QCOMPARE(storeLanguageChoice(m_path, 6).status, Status::Failed);
    QVERIFY(QFileInfo(m_path).isDir());
    QVERIFY(QDir(m_dir.path()).rmdir(QString::fromLatin1(LanguageChoiceFileName)));

    QVERIFY(writeFile(m_path, QByteArray("\x01")));
    QCOMPARE(storeLanguageChoice(m_path, 256).status, Status::Failed);
    QCOMPARE(storeLanguageChoice(m_path, -1).status, Status::Failed);
    QCOMPARE(readFile(m_path), QByteArray("\x01"));
}

void TestLanguageChoice::languageTable()
{
    struct Expected {
        int number;
        const char *file;
        int charset;
        CodePage page;
    };
    const Expected expected[] = {
        { 1, "ang.txt", 1, CodePage::Windows1252 },
        { 2, "pol.txt", 1, CodePage::Windows1250 },
        { 3, "rus.txt", 204, CodePage::Windows1251 },
        { 4, "thai.txt", 1, CodePage::Windows874 },
        { 5, "lit.txt", 186, CodePage::Windows1257 },
        { 6, "ger.txt", 1, CodePage::Windows1252 },
        { 7, "spain.txt", 1, CodePage::Windows1252 },
        { 8, "svk.txt", 1, CodePage::Windows1250 },
        { 9, "chor.txt", 238, CodePage::Windows1250 },
    };
    for (const Expected &e : expected) {
        const LanguageInfo *info = languageInfo(e.number);
        QVERIFY(info);
        QCOMPARE(info->number, e.number);
        QCOMPARE(QString::fromLatin1(info->fileName), QString::fromLatin1(e.file));
        QCOMPARE(info->fontCharset, e.charset);
        QCOMPARE(info->codePage, e.page);
    }
    for (int number : { NoLanguageNumber, 0, 10, 255, 256 })
        QVERIFY(!languageInfo(number));
}

void TestLanguageChoice::menuItemsChooseTheirLanguage()
{
    const std::pair<const char *, int> choosable[] = { { "English1", 1 }, { "Polish1", 2 }, { "Lithuanian1", 5 },
        { "German1", 6 }, { "Spain1", 7 }, { "Slovakia1", 8 } };
    for (const auto &[item, number] : choosable) {
        const LanguageInfo *info = languageOfMenuItem(item);
        QVERIFY2(info, item);
        QCOMPARE(info->number, number);
        QVERIFY(info->menuVisible);
    }
    // Hidden items that do nothing, and names that are no language item.
    for (const char *item : { "Russian1", "Thai1", "language1", "", static_cast<const char *>(nullptr) })
        QVERIFY(!languageOfMenuItem(item));
    QVERIFY(!languageInfo(3)->menuVisible);
    QVERIFY(!languageInfo(4)->menuVisible);
    QVERIFY(!languageInfo(9)->menuItem);
}

QTEST_GUILESS_MAIN(TestLanguageChoice)
#include "tst_languagechoice.moc"
