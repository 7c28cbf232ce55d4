#include "TextTargets.h"

#include "Adaptation.h"
#include "AppState.h"
#include "ErrorMemory.h"
#include "FieldCodec.h"
#include "FieldTable.h"
#include "Readings.h"

#include <QtTest>

#include <map>
#include <set>

using namespace kelvane;

using K = TextTargetKind;

namespace {

// The member a StatusText or GlobalText row names, read from a default-constructed struct.
std::string moduleText(const TextTarget &t)
{
    static const StatusTexts status;
    static const GlobalTexts global;
    static const std::map<std::string, const std::string *> members = {
        { "gasoline", &status.gasoline },
        { "autoMode", &status.autoMode },
        { "gaz", &status.gaz },
        { "error", &status.error },
        { "errorPres", &status.errorPres },
        { "errorRpm", &status.errorRpm },
        { "errorCom", &status.errorCom },
        { "workTime", &status.workTime },
        { "serviceTimeLeft", &global.serviceTimeLeft },
        { "serviceOff", &global.serviceOff },
    };
    const bool statusKind = t.kind == K::StatusText;
    const bool isStatusMember = std::string(t.name) != "serviceTimeLeft" && std::string(t.name) != "serviceOff";
    if (statusKind != isStatusMember)
        return "<wrong kind>";
    const auto it = members.find(t.name);
    return it == members.end() ? std::string("<no such member>") : *it->second;
}

} // namespace

class TestTextTargets : public QObject {
    Q_OBJECT
private slots:
    void tableShape();
    void idsWithSeveralTargets();
    void defaultsAgreeWithTheModuleTexts();
    void comboItemsAgreeWithTheFieldTable();
    void reselectRulesFollowTheLastItemAndTheImage();
    void reselectedItemFromTheImage();
};

void TestTextTargets::tableShape()
{
    const auto &table = textTargets();
    const std::vector<int> ids = textIds();
    QCOMPARE(int(ids.size()), TextIdCount);
    QCOMPARE(ids.front(), FirstTextId);
    QCOMPARE(ids.back(), LastTextId);
    QVERIFY(std::is_sorted(table.begin(), table.end(), [](const auto &l, const auto &r) { return l.id < r.id; }));
    std::set<std::tuple<int, int, std::string, int>> seen;
    for (const TextTarget &t : table) {
        const QString where = QString::number(t.id);
        QVERIFY2(!defaultText(t).isEmpty(), qPrintable(where));
        QVERIFY2(defaultText(t).size() <= 254, qPrintable(where));
        // The table holds a text only where no other part of the program writes it down.
        const bool owned = t.kind == K::FaultText || t.kind == K::AdaptationText || t.kind == K::ComboItem;
        QVERIFY2(owned == (t.text == nullptr), qPrintable(where));
        const bool named = t.kind != K::FaultText && t.kind != K::AdaptationText;
        QVERIFY2(named == (t.name != nullptr), qPrintable(where));
        const bool indexed = t.kind == K::ComboItem || t.kind == K::FaultText || t.kind == K::AdaptationText;
        QVERIFY2(indexed == (t.index >= 0), qPrintable(where));
        QVERIFY2(seen.insert({ t.id, int(t.kind), t.name ? t.name : "", t.index }).second, qPrintable(where));
        QVERIFY(hasTarget(t.id));
        QVERIFY(!englishText(t.id).isEmpty());
    }
    // Every target is set by exactly one id, except the diagnostic sub-tabs, which have two each.
    std::map<std::tuple<int, std::string, int>, int> idsPerTarget;
    for (const TextTarget &t : table)
        ++idsPerTarget[{ int(t.kind), t.name ? t.name : "", t.index }];
    for (const auto &[target, count] : idsPerTarget) {
        const std::string name = std::get<1>(target);
        const int expected = (name == "TabSheet6" || name == "TabSheetOBD" || name == "TabSheet8") ? 2 : 1;
        QVERIFY2(count == expected, name.c_str());
    }
    for (int id : { 100000, 100013, 100112, 100118, 100207, 100301, 100616, 101218, 0, 999999 })
        QVERIFY2(!hasTarget(id) && targetsOf(id).empty(), qPrintable(QString::number(id)));
}

void TestTextTargets::idsWithSeveralTargets()
{
    auto rows = targetsOf(100220);
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0]->kind, K::Caption);
    QCOMPARE(QByteArray(rows[0]->name), QByteArray("LabelPasInjG"));
    QCOMPARE(rows[1]->kind, K::StatusText);
    QCOMPARE(QByteArray(rows[1]->name), QByteArray("gaz"));
    QCOMPARE(englishText(100220), QStringLiteral("propane"));

    rows = targetsOf(100224);
    QCOMPARE(rows.size(), std::size_t(8));
    for (std::size_t i = 0; i < 8; ++i) {
        QCOMPARE(rows[i]->kind, K::OffText);
        QCOMPARE(QByteArray(rows[i]->name), QByteArray("AbColBitBtnPasEmu") + QByteArray::number(int(i) + 1));
    }
    rows = targetsOf(100568);
    QCOMPARE(rows.size(), std::size_t(4));
    QVERIFY(std::all_of(rows.begin(), rows.end(), [](const TextTarget *t) { return t->kind == K::OnText; }));
    QCOMPARE(targetsOf(100569).size(), std::size_t(2));
    QCOMPARE(targetsOf(100219).front()->kind, K::OnOffTexts);
    QCOMPARE(targetsOf(100613).front()->kind, K::OnText);
    QCOMPARE(targetsOf(100614).front()->kind, K::OffText);
    QCOMPARE(QByteArray(targetsOf(100601).front()->name), QByteArray("TabSheet6"));
    QCOMPARE(QByteArray(targetsOf(100008).front()->name), QByteArray("TabSheet6"));
    // 100226 is the status text "error" alone: no control caption changes with it.
    QCOMPARE(targetsOf(100226).size(), std::size_t(1));
    QCOMPARE(targetsOf(100226).front()->kind, K::StatusText);
}

void TestTextTargets::defaultsAgreeWithTheModuleTexts()
{
    const FaultTexts faults;
    int faultRows = 0;
    int adaptationRows = 0;
    int moduleRows = 0;
    for (const TextTarget &t : textTargets()) {
        const QString where = QString::number(t.id);
        switch (t.kind) {
        case K::FaultText:
            ++faultRows;
            QCOMPARE(FaultTexts::idFor(t.index), t.id);
            QCOMPARE(QString::fromStdString(faults.text[static_cast<std::size_t>(t.index)]), defaultText(t));
            break;
        case K::AdaptationText:
            ++adaptationRows;
            QCOMPARE(adaptTextId(static_cast<AdaptText>(t.index)), t.id);
            QCOMPARE(QString::fromUtf8(adaptDefaultText(static_cast<AdaptText>(t.index))), defaultText(t));
            break;
        case K::StatusText:
        case K::GlobalText:
            ++moduleRows;
            QCOMPARE(QString::fromStdString(moduleText(t)), defaultText(t));
            break;
        default:
            break;
        }
    }
    QCOMPARE(faultRows, 30);
    QCOMPARE(FaultTexts::idFor(30), 0);
    QCOMPARE(adaptationRows, AdaptTextCount - 1); // all but the no-reply text
    QCOMPARE(moduleRows, 10);
}

void TestTextTargets::comboItemsAgreeWithTheFieldTable()
{
    // Settings boxes take their items from their field; the three map boxes from the map editors.
    int fromFields = 0;
    QStringList mapItems;
    for (const TextTarget &t : textTargets()) {
        if (t.kind != K::ComboItem)
            continue;
        const auto f = std::find_if(fieldTable().begin(), fieldTable().end(),
            [&](const FieldDef &d) { return QByteArray(d.control) == QByteArray(t.name); });
        if (f != fieldTable().end()) {
            QVERIFY2(t.index < f->items.size(), t.name);
            ++fromFields;
        } else {
            mapItems << defaultText(t);
        }
    }
    QCOMPARE(fromFields, 35);
    QCOMPARE(
        mapItems, QStringList({ "rpm DEF.", "injT. DEF.", "LOW FLOW", "MEDIUM FLOW", "BIG FLOW", "VERY BIG FLOW" }));
}

void TestTextTargets::reselectRulesFollowTheLastItemAndTheImage()
{
    const auto &rules = comboReselectRules();
    QCOMPARE(rules.size(), std::size_t(11));
    for (const ComboReselect &r : rules) {
        // The rule's id is the highest item id of its combo box.
        int last = 0;
        for (const TextTarget &t : textTargets()) {
            if (t.kind == K::ComboItem && QByteArray(t.name) == QByteArray(r.combo))
                last = std::max(last, t.id);
        }
        QCOMPARE(r.lastId, last);
        QCOMPARE(reselectRuleFor(r.lastId), &r);
        QVERIFY(!reselectRuleFor(r.lastId - 1) || reselectRuleFor(r.lastId - 1)->lastId == r.lastId - 1);

        // The field is one the box shows.
        if (r.field) {
            const FieldDef *f = findField(QString::fromLatin1(r.field));
            QVERIFY2(f, r.field);
            QCOMPARE(QByteArray(f->control), QByteArray(r.combo));
        }
    }
}

void TestTextTargets::reselectedItemFromTheImage()
{
    ParameterImage image;
    const TimeBases tb = timeBasesFor(0);
    auto item = [&](int id) { return reselectedItem(*reselectRuleFor(id), image, tb); };

    image.bytes[125] = 4;
    QCOMPARE(item(100480), 4);
    image.bytes[543] = 0x20;
    QCOMPARE(item(100442), 1);
    image.bytes[543] = 0xDF;
    QCOMPARE(item(100442), 0);
    image.bytes[541] = 0x10;
    QCOMPARE(item(100622), 1);
    image.bytes[150] = 14;
    QCOMPARE(item(100584), 14);
    image.bytes[548] = 0x20;
    QCOMPARE(item(100500), 1);
    image.bytes[549] = 0x01;
    QCOMPARE(item(100498), 1);
    image.bytes[139] = 7; // beyond the items: the window shows no selection
    QCOMPARE(item(100473), -1);

    // Heating mode: bit 3 of byte 545 and whether the word at byte 716 is 0xFFDC or 0 (both off).
    const struct {
        bool low1;
        std::uint16_t word;
        int item;
    } heat[]
        = { { false, 0xFFDC, 0 }, { true, 0xFFDC, 1 }, { false, 0, 0 }, { false, 0x0BB8, 2 }, { true, 0x1234, 3 } };
    for (const auto &h : heat) {
        image.bytes[545] = h.low1 ? 0x08 : 0xF7;
        image.setWord(716, h.word);
        QCOMPARE(item(100593), h.item);
    }

    for (int id : { 100914, 100915, 100919 })
        QCOMPARE(item(id), 0);
}

QTEST_GUILESS_MAIN(TestTextTargets)
#include "tst_texttargets.moc"
