// The field table checked whole: placement, writes, controls and item lists.
#include "FieldTable.h"
#include "ParameterImage.h"

#include <QtTest>

#include <bitset>
#include <set>
#include <string>

using namespace kelvane;

class TstFieldTable : public QObject {
    Q_OBJECT

private slots:
    void everyNamedFieldIsThere()
    {
        const QStringList names { "ImageMarker", "ServiceDue", "SavedPetrolWorkTime", "SavedGasWorkTime", "TempSw",
            "AdvTempHeat", "RpmSet", "TGsensor", "TRsensor", "PresSensor", "MAPSensType", "LevSensor", "InjTyp",
            "InjNum", "LambdaTyp", "BeepTime", "SwitchBright", "SwitchBrightStep", "ExtRelay", "BeepsWhenEmpty",
            "OffsetGlowny", "OnDelay", "WzbogacenieGlowne", "MinInj", "Hold", "Peak", "ExtraInj", "CisnieniePracy",
            "RpmSw", "MaxRpm", "MinRpm", "OffPres", "OffDelay", "LevelE", "Level14", "Level24", "Level34", "RezRef",
            "CylinderTime", "AdvHeatT", "AdvHeatLow", "MazdaMaxInj", "FilterStep", "MazdaMinRpm", "MazdaMinInj",
            "ObdHoldValue", "CylinderTimeQuarter", "DiagOffsetIn1", "DiagOffsetIn2", "DiagOffsetIn3", "DiagOffsetIn4",
            "DiagOffsetIn5", "DiagOffsetIn6", "DiagOffsetIn7", "DiagOffsetIn8", "PowrotZminRpmTime", "SignalChangeWord",
            "ErrorsBeep", "ValvetronicTable", "HeatLow2Rpm", "AdvHeatNornal", "DifPenEm28", "RpmSignalV", "AccelEnrich",
            "WskaznikZasilany", "LevelSensorPositive", "InjHeat", "MaxRpmOn", "Obd", "MinRpmOn", "ValvetronicOffA",
            "GazAutoOn", "SilentMode", "TempCorRed", "TempCorProp", "Turbo", "ValvetronicOffB", "BlowPressure", "Adv7",
            "GazStart", "RpmSignal", "HeatLow1", "BeepWhenGazOn", "BeepWhenSwClick", "BeepWhenError", "PowrotZminRpm",
            "FastCutOff", "AccRich", "ObdCorr" };
        for (const QString &n : names)
            QVERIFY2(findField(n), qPrintable(n));
        QCOMPARE(fieldTable().size(), static_cast<std::size_t>(names.size()));
        QVERIFY(!findField("NoSuchField"));
    }

    void placementAndWritesAgree()
    {
        std::set<std::string> names;
        std::bitset<768 * 8> used;
        for (const FieldDef &f : fieldTable()) {
            const QByteArray what = f.name;
            QVERIFY2(names.insert(f.name).second, what);
            QVERIFY2(f.offset >= 0 && f.offset + f.byteSize() <= 768, what);
            if (f.width == FieldWidth::Word || f.width == FieldWidth::Dword)
                QVERIFY2(f.offset % 2 == 0, what);
            if (f.width == FieldWidth::Bits)
                QVERIFY2(f.bitNo >= 0 && f.count >= 1 && f.bitNo + f.count <= 8, what);

            // A byte field sends its byte, a word its index, a bit the word holding its byte.
            switch (f.width) {
            case FieldWidth::Byte:
            case FieldWidth::ByteTable:
                QVERIFY2(f.send == SendKind::Byte && f.sendIndex == f.offset, what);
                break;
            case FieldWidth::Word:
                QVERIFY2(f.send == SendKind::Word && 2 * f.sendIndex == f.offset, what);
                break;
            case FieldWidth::Dword:
                QVERIFY2(f.send == SendKind::Dword && 2 * f.sendIndex == f.offset, what);
                break;
            case FieldWidth::Bits:
                QVERIFY2(f.send == SendKind::Word && f.sendIndex == f.offset / 2, what);
                break;
            }

            // No two fields share a bit.
            const int firstBit = f.width == FieldWidth::Bits ? f.offset * 8 + f.bitNo : f.offset * 8;
            const int bitCount = f.width == FieldWidth::Bits ? f.count : f.byteSize() * 8;
            for (int b = firstBit; b < firstBit + bitCount; ++b) {
                QVERIFY2(!used.test(static_cast<std::size_t>(b)), what + " overlaps at bit " + QByteArray::number(b));
                used.set(static_cast<std::size_t>(b));
            }
        }
    }

    void controlsAreComplete()
    {
        std::map<std::string, int> uses;
        for (const FieldDef &f : fieldTable()) {
            const QByteArray what = f.name;
            QCOMPARE(f.controlKind == ControlKind::None, QByteArray(f.control).isEmpty());
            if (f.controlKind != ControlKind::None)
                ++uses[f.control];
            switch (f.controlKind) {
            case ControlKind::ComboBox:
                QVERIFY2(!f.items.isEmpty(), what);
                break;
            case ControlKind::SpinEdit:
                QVERIFY2(f.min < f.max && f.step > 0, what);
                break;
            case ControlKind::TrackBar:
                QVERIFY2(f.min < f.max, what);
                break;
            default:
                QVERIFY2(f.items.isEmpty(), what);
                break;
            }
            if (f.width == FieldWidth::Bits && f.controlKind == ControlKind::ComboBox && f.codec != Codec::HeatMode)
                QVERIFY2(f.items.size() <= (1 << f.count), what);
            if (f.source)
                QVERIFY2(findField(f.source), what);
            // The enable flag of a speed item is a one-bit flag row without a control of its own.
            if (f.codec == Codec::OffRpmItem) {
                const FieldDef *enable = f.enableField ? findField(f.enableField) : nullptr;
                QVERIFY2(enable && enable->width == FieldWidth::Bits && enable->count == 1
                        && enable->controlKind == ControlKind::None,
                    what);
            }
        }
        // Only the two controls stored in more than one place are shared.
        for (const auto &[control, n] : uses) {
            const int expected = control == "CheckBoxValvetronic" ? 3 : control == "ComboBoxHeatMode" ? 2 : 1;
            QVERIFY2(n == expected, control.c_str());
        }
    }

    // The codecs of ComboBoxHeatMode and CheckBoxValvetronic find their places by these rows; the
    // image locations other modules share by constant are the same as the rows.
    void rowsTheCodecsAndModulesShare()
    {
        const struct {
            const char *name;
            int offset;
            int bitNo;
            int sendIndex;
        } rows[] = {
            { "HeatLow1", 545, 3, 272 },
            { "HeatLow2Rpm", 716, 0, 358 },
            { "ValvetronicOffA", 541, 3, 270 },
            { "ValvetronicOffB", 543, 7, 271 },
            { "ValvetronicTable", 570, 0, 570 },
            { "MaxRpmOn", 540, 6, 270 },
            { "MinRpmOn", 541, 2, 270 },
        };
        for (const auto &r : rows) {
            const FieldDef *f = findField(r.name);
            QVERIFY2(f, r.name);
            QCOMPARE(f->offset, r.offset);
            QCOMPARE(f->bitNo, r.bitNo);
            QCOMPARE(f->sendIndex, r.sendIndex);
        }
        QCOMPARE(findField("ValvetronicTable")->count, 8);
        QCOMPARE(findField("RpmSet")->offset, img::RpmSet);
        QCOMPARE(findField("RpmSignal")->offset, img::RpmSignal);
        QCOMPARE(findField("RpmSignal")->bitNo, 0);
        QCOMPARE(findField("RpmSignal")->count, 2);
    }

    // The write-back runs from the first row of a control: a later row of the same control that
    // asked for a side effect, step buttons, a revision gate or other triggers would be ignored.
    // Step buttons belong to track bars, and a side effect to a row with a control.
    void writeBackColumnsOnlyOnTheControlsFirstRow()
    {
        std::set<std::string> seen;
        for (const FieldDef &f : fieldTable()) {
            if (!*f.control) {
                QVERIFY2(f.effect == SideEffect::None && !f.stepDown && !f.stepUp, f.name);
                continue;
            }
            if (!seen.insert(f.control).second) {
                const FieldDef *first = nullptr;
                for (const FieldDef &g : fieldTable())
                    if (!first && std::string(g.control) == f.control)
                        first = &g;
                QVERIFY2(
                    f.effect == SideEffect::None && !f.stepDown && !f.stepUp && f.minSoftwareRevision == 0, f.name);
                QVERIFY2(f.controlKind == first->controlKind, f.name);
            }
            QVERIFY2((f.stepDown != nullptr) == (f.stepUp != nullptr), f.name);
            if (f.stepDown)
                QVERIFY2(f.controlKind == ControlKind::TrackBar, f.name);
            // A check box writes on every change of its state; a toggle switch only on a click.
            if (f.controlKind == ControlKind::CheckBox)
                QVERIFY2(f.runsOnCodeChange && !f.repeatsOnFocusOut, f.name);
            if (f.controlKind == ControlKind::ToggleSwitch)
                QVERIFY2(!f.runsOnCodeChange && !f.repeatsOnFocusOut, f.name);
        }
    }

    void itemLists_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("samples"); // index, text pairs
        QTest::newRow("TempSw") << "TempSw" << 56 << QStringList { "0", "15", "55", "70" };
        QTest::newRow("RpmSw") << "RpmSw" << 16 << QStringList { "0", "500", "1", "600", "15", "2000" };
        QTest::newRow("MaxRpm") << "MaxRpm" << 62 << QStringList { "0", "off", "1", "2000", "61", "8000" };
        QTest::newRow("MinRpm") << "MinRpm" << 18 << QStringList { "0", "off", "1", "400", "17", "2000" };
        QTest::newRow("DifPenEm28") << "DifPenEm28" << 16 << QStringList { "0", "1,5", "10", "2,5", "15", "3,0" };
        QTest::newRow("PowrotZminRpmTime") << "PowrotZminRpmTime" << 31 << QStringList { "0", "0", "30", "30" };
        QTest::newRow("BeepsWhenEmpty") << "BeepsWhenEmpty" << 16 << QStringList { "15", "15" };
        QTest::newRow("ErrorsBeep") << "ErrorsBeep" << 16 << QStringList { "0", "0" };
        QTest::newRow("InjNum") << "InjNum" << 9 << QStringList { "0", "...", "8", "8" };
        QTest::newRow("InjTyp") << "InjTyp" << 18 << QStringList { "7", "MAGIC JET", "17", "TARTARINI EVO" };
        QTest::newRow("LevSensor") << "LevSensor" << 7 << QStringList { "6", "Hall 5-0V" };
        QTest::newRow("ExtRelay") << "ExtRelay" << 15
                                  << QStringList { "5", "ON when 1 Emulator ON (PROPANE MODE)", "12",
                                         "ON when 8 Emulator ON (PROPANE MODE)", "13", "Allways ON", "14",
                                         "ON when PROPANE MODE and Warnings == 0" };
        QTest::newRow("TRsensor") << "TRsensor" << 8 << QStringList { "7", "10k" };
        QTest::newRow("RpmSet") << "RpmSet" << 7 << QStringList { "1", "DIS", "6", "8 cylinders" };
        QTest::newRow("RpmSignal") << "RpmSignal" << 3 << QStringList { "2", "INJ" };
        QTest::newRow("HeatMode") << "HeatLow2Rpm" << 4 << QStringList { "3", "NORMAL+LOW1+LOW2" };
        QTest::newRow("ObdCorr") << "ObdCorr" << 4 << QStringList { "2", "ENABLE ST" };
        QTest::newRow("Obd") << "Obd" << 2 << QStringList { "1", "ENABLE" };
        QTest::newRow("ObdHoldValue") << "ObdHoldValue" << 256
                                      << QStringList { "0", "0(-100)", "1", "1(-99,22)", "16", "16(-87,5)", "128",
                                             "128(0)", "200", "200(56,25)", "255", "255(99,22)" };
    }
    void itemLists()
    {
        QFETCH(QString, field);
        QFETCH(int, count);
        QFETCH(QStringList, samples);
        const FieldDef *f = findField(field);
        QVERIFY(f);
        QCOMPARE(f->items.size(), count);
        for (int i = 0; i + 1 < samples.size(); i += 2)
            QCOMPARE(f->items.at(samples.at(i).toInt()), samples.at(i + 1));
    }
};

QTEST_APPLESS_MAIN(TstFieldTable)
#include "tst_fieldtable.moc"
