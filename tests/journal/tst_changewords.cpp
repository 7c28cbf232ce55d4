// The settings a journal entry changed, in words: fields by their shown values, maps as counts of
// cells, and only what the entry sent.
#include "ChangeWords.h"
#include "Defaults.h"
#include "FieldCodec.h"

#include <QtTest>

#include <functional>
#include <set>

using namespace kelvane;

// Changes the image after the action and adds the image bytes the action sent to `sent`.
using Action = std::function<void(ParameterImage &after, std::set<int> &sent)>;
Q_DECLARE_METATYPE(Action)

namespace {

const TimeBases Tb = timeBasesFor(0);

ParameterImage base()
{
    ParameterImage img;
    applyResetDefaults(img, Tb, 100, 200);
    return img;
}

// Encodes a control's value as its write-back does and sends what the encode says.
void encode(ParameterImage &img, std::set<int> &sent, const char *field, double value)
{
    const FieldDef *f = findField(QString::fromLatin1(field));
    QVERIFY(f);
    for (const ImageWrite &w : encodeField(img, *f, value, DecodeContext { Tb })) {
        if (w.kind == ImageWrite::Kind::Byte) {
            sent.insert(w.index);
        } else {
            sent.insert(2 * w.index);
            sent.insert(2 * w.index + 1);
        }
    }
}

JournalEntry entryOf(const ParameterImage &before, const ParameterImage &after, const std::set<int> &sent)
{
    JournalEntry e;
    e.action = QStringLiteral("test");
    for (int i : sent)
        e.bytes.push_back({ i, before.byte(i), after.byte(i) });
    return e;
}

QStringList texts(const std::vector<ChangeLine> &lines)
{
    QStringList out;
    for (const ChangeLine &l : lines)
        out << changeText(l);
    return out;
}

} // namespace

class TstChangeWords : public QObject {
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("want");

        QTest::newRow("a combo box") << Action([](ParameterImage &i, std::set<int> &s) { encode(i, s, "RpmSet", 5); })
                                     << QStringList { "RpmSet: 1 coil -> 6 cylinders" };
        QTest::newRow("a number") << Action([](ParameterImage &i, std::set<int> &s) {
            encode(i, s, "WzbogacenieGlowne", 4);
        }) << QStringList { "WzbogacenieGlowne: 0 -> 4" };
        QTest::newRow("a cascade: the injector and its preset") << Action([](ParameterImage &i, std::set<int> &s) {
            encode(i, s, "InjTyp", 6);
            encode(i, s, "MinInj", 2.5);
            encode(i, s, "Hold", 40);
            encode(i, s, "Peak", 3);
        }) << QStringList { "InjTyp: ... -> OMVL", "MinInj: 1.00 -> 2.50", "Hold: 35 -> 42", "Peak: 4.20 -> 3.00" };
        QTest::newRow("a main-map preset: every cell") << Action([](ParameterImage &i, std::set<int> &s) {
            for (int at = 167; at < 167 + 128; ++at) {
                i.setByte(at, static_cast<std::uint8_t>(i.byte(at) + 5));
                s.insert(at);
            }
        }) << QStringList { "main map: 128 cells" };
        QTest::newRow("maps and axes, sent cells that kept their value not counted")
            << Action([](ParameterImage &i, std::set<int> &s) {
                   i.setByte(295, 110);
                   i.setByte(296, 90);
                   s.insert({ 295, 296, 297 }); // 297 sent as it was
                   i.setByte(39, static_cast<std::uint8_t>(i.byte(39) + 1));
                   s.insert(39);
                   i.setWordAt(253, 300);
                   s.insert({ 506, 507 });
                   i.setWordAt(246, static_cast<std::uint16_t>(i.wordAt(246) + 7));
                   s.insert({ 492, 493 });
               })
            << QStringList { "gas temperature map: 1 cell", "2D map: 2 points", "rpm axis: 1 point",
                   "injection-time axis: 1 point" };
        QTest::newRow("bytes no setting shows") << Action([](ParameterImage &i, std::set<int> &s) {
            for (int b = 76; b <= 79; ++b)
                i.setByte(b, 0x55);
            s.insert({ 76, 77, 78 }); // 79 changed in the image, not sent
        }) << QStringList { "other bytes: 3 bytes" };
        QTest::newRow("a differing field the action did not send is left out") << Action(
            [](ParameterImage &i, std::set<int> &s) {
                encode(i, s, "WzbogacenieGlowne", 4);
                i.setByte(125, 5);
                i.setByte(167, 50);
            }) << QStringList { "WzbogacenieGlowne: 0 -> 4" };
        QTest::newRow("an axis point sent as it was that shows another speed") << Action(
            [](ParameterImage &i, std::set<int> &s) {
                i.setByte(125, 3);
                s.insert({ 490, 491 }); // RpmAxis 1 sent with its old period: same word, new engine
            }) << QStringList { "rpm axis: 1 point" };
        QTest::newRow("bytes sent as they were") << Action([](ParameterImage &, std::set<int> &s) {
            s = { 125, 340, 341, 167, 295, 553 };
        }) << QStringList {};
        QTest::newRow("the upload marker") << Action([](ParameterImage &i, std::set<int> &s) {
            i.setWordAt(0, 0xAAAA);
            s = { 0, 1 };
        }) << QStringList {};
    }
    void lines()
    {
        QFETCH(Action, action);
        QFETCH(QStringList, want);
        const ParameterImage before = base();
        ParameterImage after = before;
        std::set<int> sent;
        action(after, sent);
        const JournalEntry e = entryOf(before, after, sent);
        QCOMPARE(texts(describeChanges(e, before.bytes, after.bytes, Tb)), want);
    }

    // A change the control cannot show still reads as one: with the stored values.
    void hiddenByTheControl()
    {
        ParameterImage before = base();
        before.setWord(382, 0); // RezRef below the control's range shows as 1
        before.setWord(342, 100);
        ParameterImage after = before;
        after.setWord(382, 1);
        after.setWord(342, 101); // MinInj: the same to the spin edit's two decimals
        const JournalEntry e = entryOf(before, after, { 342, 343, 382, 383 });
        QCOMPARE(texts(describeChanges(e, before.bytes, after.bytes, Tb)),
            QStringList({ "MinInj: 0.44 (stored 100) -> 0.44 (stored 101)", "RezRef: 1 (stored 0) -> 1 (stored 1)" }));
    }

    // The program names a field as its window does; a field it has no words for keeps its name, and
    // a control kept in two places is one line.
    void captions()
    {
        const ParameterImage before = base();
        ParameterImage after = before;
        std::set<int> sent;
        encode(after, sent, "RpmSet", 3);
        encode(after, sent, "HeatLow1", 3); // both places: bit 545.3 and word 358
        const FieldCaption caption = [](const FieldDef &f) {
            if (QLatin1String(f.name) == QLatin1String("RpmSet"))
                return QStringLiteral("engine type");
            if (QLatin1String(f.control) == QLatin1String("ComboBoxHeatMode"))
                return QStringLiteral("heating");
            return QString();
        };
        const JournalEntry e = entryOf(before, after, sent);
        QCOMPARE(texts(describeChanges(e, before.bytes, after.bytes, Tb, caption)),
            QStringList({ "engine type: 1 coil -> 4 cylinders", "heating: NORMAL -> NORMAL+LOW1+LOW2" }));
        QCOMPARE(texts(describeChanges(e, before.bytes, after.bytes, Tb)),
            QStringList({ "RpmSet: 1 coil -> 4 cylinders", "HeatLow1: NORMAL -> NORMAL+LOW1+LOW2",
                "HeatLow2Rpm: NORMAL -> NORMAL+LOW1+LOW2" }));
    }

    void text()
    {
        QCOMPARE(changeText({ "engine type", "4 cylinders", "6 cylinders" }),
            QString("engine type: 4 cylinders -> 6 cylinders"));
        QCOMPARE(changeText({ "main map", "", "128 cells" }), QString("main map: 128 cells"));
    }
};

QTEST_GUILESS_MAIN(TstChangeWords)
#include "tst_changewords.moc"
