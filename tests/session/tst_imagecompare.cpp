// Comparing two images: the settings that show differently, map cells, and bytes no field covers.
#include "Defaults.h"
#include "ImageCompare.h"

#include <QtTest>

#include <functional>

using namespace kelvane;
using Change = std::function<void(ParameterImage &)>;
Q_DECLARE_METATYPE(Change)

namespace {
QStringList names(const ImageComparison &c)
{
    QStringList out;
    for (const FieldDifference &d : c.fields)
        out << QString::fromLatin1(d.field->name);
    for (const RegionDifference &d : c.regions)
        out << d.name;
    return out;
}
} // namespace

class TstImageCompare : public QObject {
    Q_OBJECT

    const TimeBases tb = timeBasesFor(0);

    // A realistic image: the factory defaults at 57600 baud.
    static ParameterImage base()
    {
        ParameterImage img;
        applyResetDefaults(img, timeBasesFor(0), 100, 200);
        return img;
    }

private slots:
    void differences_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("want");
        QTest::newRow("the same") << Change([](ParameterImage &) {}) << QStringList {};
        QTest::newRow("the upload marker only")
            << Change([](ParameterImage &i) { i.setWordAt(0, 0xAAAA); }) << QStringList {};
        QTest::newRow("main enrichment") << Change([](ParameterImage &i) { i.setWord(340, 1045); })
                                         << QStringList { "WzbogacenieGlowne" };
        QTest::newRow("a flag and an unnamed bit of its byte") << Change([](ParameterImage &i) {
            i.setBit(540, 5, false);
            i.setBit(540, 7, true);
        }) << QStringList { "InjHeat", "byte 540" };
        QTest::newRow("engine type: every speed shows differently")
            << Change([](ParameterImage &i) { i.setByte(125, 3); })
            << QStringList { "RpmSet", "RpmSw", "MazdaMinRpm", "RpmAxis 1", "RpmAxis 2", "RpmAxis 3", "RpmAxis 4",
                   "RpmAxis 5", "RpmAxis 6", "RpmAxis 7", "RpmAxis 8" };
        QTest::newRow("maps") << Change([](ParameterImage &i) {
            i.setByte(167 + 8 * 2 + 4, 90);
            i.setByte(310, 101);
            i.setByte(45, 3);
            i.setWordAt(253, 300);
        }) << QStringList { "GasTempMap correction 1", "MainMap row 3 column 5", "Map2D 16", "InjTimeAxis 1" };
        QTest::newRow("controller tables, in runs") << Change([](ParameterImage &i) {
            for (int b = 76; b <= 79; ++b)
                i.setByte(b, 0x55);
            i.setBit(553, 5, true);
        }) << QStringList { "bytes 76-79", "byte 553" };
    }
    void differences()
    {
        QFETCH(Change, change);
        QFETCH(QStringList, want);
        const ParameterImage a = base();
        ParameterImage b = a;
        change(b);
        const ImageComparison c = compareImages(a, b, tb);
        QCOMPARE(names(c), want);
        QCOMPARE(c.equal(), want.isEmpty());
    }

    // Each region names the image bytes it lies in, so that a caller can tell which bytes it covers.
    void regionsSayWhereTheyLie()
    {
        const ParameterImage a = base();
        ParameterImage b = a;
        b.setByte(45, 3);
        b.setByte(167 + 8 * 2 + 4, 90);
        b.setByte(310, 101);
        b.setWordAt(247, static_cast<std::uint16_t>(a.wordAt(247) + 1));
        b.setWordAt(253, 300);
        for (int i = 76; i <= 79; ++i)
            b.setByte(i, 0x55);
        b.setBit(553, 5, true);
        QStringList places;
        for (const RegionDifference &d : compareImages(a, b, tb).regions)
            places << QStringLiteral("%1 %2+%3").arg(d.name).arg(d.offset).arg(d.size);
        QCOMPARE(places,
            QStringList({ "GasTempMap correction 1 45+1", "MainMap row 3 column 5 187+1", "Map2D 16 310+1",
                "RpmAxis 3 494+2", "InjTimeAxis 1 506+2", "bytes 76-79 76+4", "byte 553 553+1" }));
    }

    void bothShownValuesAreGiven()
    {
        const ParameterImage a = base();
        ParameterImage b = a;
        b.setWord(340, 1045); // +4 %
        b.setByte(125, 3);
        b.setWord(382, 0); // RezRef: below the control's range, shows as 1 like a stored 1
        ParameterImage c = b;
        c.setWord(382, 1);
        const ImageComparison ab = compareImages(a, b, tb);
        const FieldDifference &enrich = ab.fields.at(1);
        QCOMPARE(QString(enrich.field->name), QString("WzbogacenieGlowne"));
        QCOMPARE(shownText(enrich.a), QString("0"));
        QCOMPARE(shownText(enrich.b), QString("4"));
        QCOMPARE(enrich.storedB, QString("1045"));
        const FieldDifference &type = ab.fields.at(0);
        QCOMPARE(shownText(type.a), QString("1 coil"));
        QCOMPARE(shownText(type.b), QString("4 cylinders"));
        // A difference the control's range hides is still listed, marked as stored only.
        const ImageComparison bc = compareImages(b, c, tb);
        QCOMPARE(bc.fields.size(), std::size_t(1));
        QCOMPARE(QString(bc.fields[0].field->name), QString("RezRef"));
        QVERIFY(bc.fields[0].storedOnly());
        QCOMPARE(bc.fields[0].storedA + "/" + bc.fields[0].storedB, QString("0/1"));
        // The marker when asked for.
        ParameterImage d = a;
        d.setWordAt(0, 0xAAAA);
        QCOMPARE(names(compareImages(a, d, tb, CompareOptions { true })), QStringList { "ImageMarker" });
    }
};

QTEST_GUILESS_MAIN(TstImageCompare)
#include "tst_imagecompare.moc"
