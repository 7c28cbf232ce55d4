#include "CodePages.h"

#include <QStringDecoder>
#include <QtTest>

using namespace kelvane;

Q_DECLARE_METATYPE(kelvane::CodePage)

class TestCodePages : public QObject {
    Q_OBJECT
private slots:
    void byteAboveAsciiDecodes_data();
    void byteAboveAsciiDecodes();
    void undefinedBytesAreReported_data();
    void undefinedBytesAreReported();
    void asciiIsTheSameInEveryPage();
    void tablesAgreeWithTheSystemConverter_data();
    void tablesAgreeWithTheSystemConverter();
    void utf8Validity_data();
    void utf8Validity();
};

void TestCodePages::byteAboveAsciiDecodes_data()
{
    QTest::addColumn<CodePage>("page");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("expected");
    QTest::newRow("1250 l-stroke") << CodePage::Windows1250 << 0xB3 << 0x0142;
    QTest::newRow("1250 A-ogonek") << CodePage::Windows1250 << 0xA5 << 0x0104;
    QTest::newRow("1250 s-acute") << CodePage::Windows1250 << 0x9C << 0x015B;
    QTest::newRow("1250 z-dot") << CodePage::Windows1250 << 0xBF << 0x017C;
    QTest::newRow("1250 degree") << CodePage::Windows1250 << 0xB0 << 0x00B0;
    QTest::newRow("1251 A") << CodePage::Windows1251 << 0xC0 << 0x0410;
    QTest::newRow("1251 ya") << CodePage::Windows1251 << 0xFF << 0x044F;
    QTest::newRow("1251 Yo") << CodePage::Windows1251 << 0xA8 << 0x0401;
    QTest::newRow("1252 sharp s") << CodePage::Windows1252 << 0xDF << 0x00DF;
    QTest::newRow("1252 u-umlaut") << CodePage::Windows1252 << 0xFC << 0x00FC;
    QTest::newRow("1252 euro") << CodePage::Windows1252 << 0x80 << 0x20AC;
    QTest::newRow("1257 S-caron") << CodePage::Windows1257 << 0xD0 << 0x0160;
    QTest::newRow("1257 a-ogonek") << CodePage::Windows1257 << 0xE0 << 0x0105;
    QTest::newRow("1257 e-dot") << CodePage::Windows1257 << 0xEB << 0x0117;
    QTest::newRow("874 ko kai") << CodePage::Windows874 << 0xA1 << 0x0E01;
    QTest::newRow("874 baht") << CodePage::Windows874 << 0xDF << 0x0E3F;
}

void TestCodePages::byteAboveAsciiDecodes()
{
    QFETCH(CodePage, page);
    QFETCH(int, byte);
    QFETCH(int, expected);
    const auto c = codePageChar(page, static_cast<std::uint8_t>(byte));
    QVERIFY(c.has_value());
    QCOMPARE(int(*c), expected);

    const char bytes[] = { 'a', static_cast<char>(byte), 'b' };
    QString text;
    QVERIFY(decodeCodePage(bytes, 3, page, text));
    QCOMPARE(text, QStringLiteral("a") + QChar(char16_t(expected)) + QStringLiteral("b"));
}

void TestCodePages::undefinedBytesAreReported_data()
{
    QTest::addColumn<CodePage>("page");
    QTest::addColumn<int>("byte");
    QTest::newRow("1250 0x83") << CodePage::Windows1250 << 0x83;
    QTest::newRow("1251 0x98") << CodePage::Windows1251 << 0x98;
    QTest::newRow("1252 0x81") << CodePage::Windows1252 << 0x81;
    QTest::newRow("1257 0xA1") << CodePage::Windows1257 << 0xA1;
    QTest::newRow("874 0xFC") << CodePage::Windows874 << 0xFC;
}

void TestCodePages::undefinedBytesAreReported()
{
    QFETCH(CodePage, page);
    QFETCH(int, byte);
    QVERIFY(!codePageChar(page, static_cast<std::uint8_t>(byte)).has_value());
    const char bytes[] = { 'x', static_cast<char>(byte) };
    QString text;
    QVERIFY(!decodeCodePage(bytes, 2, page, text));
    QCOMPARE(text, QStringLiteral("x\uFFFD"));
}

void TestCodePages::asciiIsTheSameInEveryPage()
{
    for (CodePage page : { CodePage::Windows874, CodePage::Windows1250, CodePage::Windows1251, CodePage::Windows1252,
             CodePage::Windows1257 }) {
        for (int b = 0; b < 0x80; ++b)
            QCOMPARE(int(codePageChar(page, static_cast<std::uint8_t>(b)).value_or(0xFFFF)), b);
    }
}

void TestCodePages::tablesAgreeWithTheSystemConverter_data()
{
    QTest::addColumn<CodePage>("page");
    for (CodePage page : { CodePage::Windows874, CodePage::Windows1250, CodePage::Windows1251, CodePage::Windows1252,
             CodePage::Windows1257 })
        QTest::newRow(codePageName(page)) << page;
}

// Our own tables against Qt's converter for the same page where this Qt has one (Qt built with ICU).
// A byte we leave undefined may come back from the converter as U+FFFD, as the C1 control of the
// same value or as a vendor's private-use character; every defined byte must match exactly.
void TestCodePages::tablesAgreeWithTheSystemConverter()
{
    QFETCH(CodePage, page);
    for (int b = 0x80; b <= 0xFF; ++b) {
        QStringDecoder decoder(codePageName(page));
        if (!decoder.isValid())
            QSKIP("this Qt has no converter for the page");
        const char byte = static_cast<char>(b);
        const QString theirs = decoder.decode(QByteArrayView(&byte, 1));
        QCOMPARE(theirs.size(), 1);
        const auto ours = codePageChar(page, static_cast<std::uint8_t>(b));
        if (ours) {
            QVERIFY2(theirs.at(0).unicode() == *ours,
                qPrintable(QStringLiteral("byte 0x%1: ours U+%2, Qt U+%3")
                               .arg(b, 2, 16)
                               .arg(int(*ours), 4, 16, QLatin1Char('0'))
                               .arg(int(theirs.at(0).unicode()), 4, 16, QLatin1Char('0'))));
        } else {
            const char16_t u = theirs.at(0).unicode();
            const bool privateUse = u >= 0xE000 && u <= 0xF8FF;
            QVERIFY2(u == 0xFFFD || u == b || privateUse,
                qPrintable(QStringLiteral("byte 0x%1 undefined here, Qt gives U+%2")
                               .arg(b, 2, 16)
                               .arg(int(u), 4, 16, QLatin1Char('0'))));
        }
    }
}

void TestCodePages::utf8Validity_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("ascii") << QByteArray("100612 Show") << true;
    QTest::newRow("two bytes") << QByteArray("\xC5\x82") << true;
    QTest::newRow("three bytes") << QByteArray("\xE2\x82\xAC") << true;
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true;
    QTest::newRow("highest") << QByteArray("\xF4\x8F\xBF\xBF") << true;
    QTest::newRow("windows-1250 text") << QByteArray("Za\xBF\xF3\xB3\xE6") << false;
    QTest::newRow("over-long two") << QByteArray("\xC0\x80") << false;
    QTest::newRow("over-long three") << QByteArray("\xE0\x80\xAF") << false;
    QTest::newRow("over-long four") << QByteArray("\xF0\x8F\xBF\xBF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("F5 lead") << QByteArray("\xF5\x80\x80\x80") << false;
    QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
    QTest::newRow("cut off at the end") << QByteArray("ab\xE2\x82") << false;
    QTest::newRow("ASCII in the middle") << QByteArray("\xE2\x82 ") << false;
}

void TestCodePages::utf8Validity()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(isValidUtf8(bytes.constData(), bytes.size()), valid);
}

QTEST_GUILESS_MAIN(TestCodePages)
#include "tst_codepages.moc"
