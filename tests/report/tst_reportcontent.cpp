// The workshop report's content and its PDF, without a window: every setting of both parameter pages
// with its caption and shown value, the maps with their axes, faults, the language's texts, the
// changes of a visit, and the file written whole or not at all.
#include "../support/PdfText.h"
#include "FieldCodec.h"
#include "FieldTable.h"
#include "MapAxes.h"
#include "MapRegions.h"
#include "ReportContent.h"
#include "ReportLanguage.h"
#include "ReportPdf.h"
#include "SettingCaptions.h"
#include "SettingsSections.h"
#include "Simulator.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kelvane;
using namespace kelvane::report;

namespace {

const QString LangDir = QStringLiteral(KELVANE_SOURCE_DIR "/lang");

ParameterImage factory()
{
    ParameterImage image;
    image.bytes = sim::factoryImage(57600);
    return image;
}

void set(ParameterImage &image, const char *control, double value)
{
    for (const FieldDef &f : fieldTable()) {
        if (QLatin1String(f.control) == QLatin1String(control)) {
            encodeField(image, f, value, DecodeContext { timeBasesFor(0) });
            return;
        }
    }
    QFAIL(control);
}

ReportDocument build(const ParameterImage &image, const LanguageTexts &texts = {})
{
    ReportSource src;
    src.image = &image;
    src.timeBases = timeBasesFor(0);
    src.texts = texts;
    src.created = QDateTime(QDate(2026, 12, 10), QTime(9, 30));
    return buildReport(src);
}

const SettingRow *rowOf(const ReportDocument &d, const QString &control)
{
    for (const SettingsPage &p : d.pages) {
        for (const SettingsBlock &b : p.blocks) {
            for (const SettingRow &r : b.rows) {
                if (r.control == control)
                    return &r;
            }
        }
    }
    return nullptr;
}

LanguageTexts languageFile(const char *name, CodePage page)
{
    return readLanguageFile(LangDir + QLatin1Char('/') + QLatin1String(name), page).texts;
}

JournalEntry entry(const QDateTime &time, const QString &action, int hw, int sw, std::vector<ChangeLine> changes = {})
{
    JournalEntry e;
    e.time = time.toUTC();
    e.action = action;
    e.hardwareRevision = static_cast<std::uint8_t>(hw);
    e.softwareRevision = static_cast<std::uint8_t>(sw);
    e.changes = std::move(changes);
    return e;
}

} // namespace

class TstReportContent : public QObject {
    Q_OBJECT

private slots:
    // Every control the two pages show is one row, in the pages' order, captioned as on the page.
    void everySettingOfBothPagesIsARowInThePagesOrder()
    {
        ParameterImage image = factory();
        set(image, "ComboBoxRpmSignal", 1); // "0-14V": the signal level is shown
        set(image, "ComboBoxPowrotZminRpm", 1); // the return time is shown
        const ReportDocument d = build(image);
        QCOMPARE(int(d.pages.size()), 2);
        const std::vector<SettingsSection> *pages[] = { &basicSections(), &advancedSections() };
        for (int p = 0; p < 2; ++p) {
            QCOMPARE(d.pages[std::size_t(p)].blocks.size(), pages[p]->size());
            for (std::size_t s = 0; s < pages[p]->size(); ++s) {
                const SettingsSection &sec = (*pages[p])[s];
                const SettingsBlock &block = d.pages[std::size_t(p)].blocks[s];
                QCOMPARE(block.title, QString::fromUtf8(sec.caption));
                QStringList expected, got;
                for (const char *c : sectionControls(sec)) {
                    if (!hiddenOnPage(c))
                        expected << QString::fromLatin1(c);
                }
                for (const SettingRow &r : block.rows) {
                    if (!r.control.startsWith(QLatin1String("Label")))
                        got << r.control;
                }
                QCOMPARE(got, expected);
            }
        }
        QCOMPARE(rowOf(d, "AbNumSpinMinInj")->caption, QString("min.inj"));
        QCOMPARE(rowOf(d, "ComboBoxRpmSet")->caption, QString("engine type"));
        QCOMPARE(rowOf(d, "AbNumSpinAdvHeatT")->caption, QString("Heat time")); // the page's "Heat time:"
        QCOMPARE(rowOf(d, "CheckBoxLevelSensorNegativ")->caption, QString("negative sensor"));
        QCOMPARE(rowOf(d, "Label12")->caption, QString("gas injection limits:"));
        QVERIFY(!rowOf(d, "CheckBoxValvetronic"));
    }

    void valuesAreShownAsTheControlsShowThem_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("unit");
        QTest::newRow("time spin") << "AbNumSpinMinInj" << 1.25 << "1.25"
                                   << "ms";
        QTest::newRow("pressure spin") << "AbNumSpinOffPres" << 0.75 << "0.75"
                                       << "bar";
        QTest::newRow("speed spin") << "AbNumSpinMinRpm" << 1200.0 << "1200"
                                    << "rpm";
        QTest::newRow("combo item") << "ComboBoxLambdaTyp" << 2.0 << "0-5V"
                                    << "";
        QTest::newRow("speed combo off") << "ComboBoxMaxRpm" << 0.0 << "off"
                                         << "rpm";
        QTest::newRow("check box on") << "CheckBoxGazStart" << 1.0 << "ON"
                                      << "";
        QTest::newRow("toggle off") << "AbToggleSwitchInjHeat" << 0.0 << "OFF"
                                    << "";
        QTest::newRow("track bar with its percent") << "TrackBarBeepTime" << 5.0 << "5 (50.0 %)"
                                                    << "";
    }
    void valuesAreShownAsTheControlsShowThem()
    {
        QFETCH(QString, control);
        QFETCH(double, value);
        QFETCH(QString, shown);
        QFETCH(QString, unit);
        ParameterImage image = factory();
        set(image, control.toLatin1().constData(), value);
        const ReportDocument doc = build(image); // the row points into it
        const SettingRow *r = rowOf(doc, control);
        QVERIFY(r);
        QCOMPARE(r->value, shown);
        QCOMPARE(r->unit, unit);
    }

    // Controls the page shows only in some states are in the report exactly then.
    void controlsShownOnlyInSomeStates()
    {
        ParameterImage image = factory();
        set(image, "ComboBoxRpmSignal", 0); // "12V"
        set(image, "ComboBoxPowrotZminRpm", 0);
        ReportDocument d = build(image);
        QVERIFY(!rowOf(d, "AbNumSpinRpmSignalV"));
        QVERIFY(!rowOf(d, "ComboBoxPowrotZminRpmTime"));
        set(image, "ComboBoxRpmSignal", 1); // "0-14V"
        set(image, "ComboBoxPowrotZminRpm", 1);
        d = build(image);
        QVERIFY(rowOf(d, "AbNumSpinRpmSignalV"));
        QVERIFY(rowOf(d, "ComboBoxPowrotZminRpmTime"));
    }

    void mapsCarryTheCellsAndTheAxes()
    {
        ParameterImage image = factory();
        maps::setCellValue(image, maps::Region::MainMap, 3, 5, 20);
        maps::setCellValue(image, maps::Region::MainMap, 15, 0, -12);
        maps::setCellValue(image, maps::Region::Map2D, 0, 4, 15);
        maps::setCellValue(image, maps::Region::GasTempPoints, 0, 2, 35);
        maps::setCellValue(image, maps::Region::ReducerTempCorrections, 0, 5, -7);
        const ReportDocument d = build(image);
        QCOMPARE(d.mainMap.percent[3][5], 20);
        QCOMPARE(d.mainMap.percent[15][0], -12);
        QCOMPARE(d.map2D.percent[4], 15);
        for (int c = 0; c < maps::MainMapCols; ++c)
            QCOMPARE(d.mainMap.rpm[std::size_t(c)], maps::rpmAxisText(image, c, timeBasesFor(0)));
        QCOMPARE(d.mainMap.injMs[0], maps::injAxisText(image, 0, timeBasesFor(0), '.', 2));
        QCOMPARE(d.map2D.injMs[15], d.mainMap.injMs[15]); // the same breakpoints
        const SettingsBlock &gas = d.pages[1].blocks[2];
        const SettingsBlock &reducer = d.pages[1].blocks[3];
        QVERIFY(gas.tempMap && reducer.tempMap);
        QCOMPARE(gas.tempMap->points[2], 35);
        QCOMPARE(reducer.tempMap->corrections[5], -7);
    }

    // The chosen language's texts where the language table has them, English elsewhere.
    void theLanguagesTextsReplaceTheEnglishOnes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("sectionTitle");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("fault8");
        QTest::newRow("Polish") << "pol.txt" << int(CodePage::Windows1250) << QString("1.Ustawienia pojazdu")
                                << QString("WŁ") << QString("8 ErrPres_L- ciśnienie za niskie");
        QTest::newRow("German") << "ger.txt" << int(CodePage::Windows1252) << QString("1.Fahrzeug") << QString("EIN")
                                << QString("8 ErrPres_L- Druck zu niedrig");
    }
    void theLanguagesTextsReplaceTheEnglishOnes()
    {
        QFETCH(QString, file);
        QFETCH(int, page);
        QFETCH(QString, sectionTitle);
        QFETCH(QString, on);
        QFETCH(QString, fault8);
        const LanguageTexts texts = languageFile(file.toLatin1().constData(), CodePage(page));
        QVERIFY(!texts.empty());
        ParameterImage image = factory();
        set(image, "CheckBoxGazStart", 1);
        ReportSource src;
        src.image = &image;
        src.timeBases = timeBasesFor(0);
        src.texts = texts;
        ErrorMemoryBytes bytes {};
        bytes[0] = 8;
        bytes[64] = 1;
        src.errors = decodeErrorMemory(bytes, FaultTexts());
        const ReportDocument d = buildReport(src);
        QCOMPARE(d.pages[0].blocks[0].title, sectionTitle);
        QCOMPARE(rowOf(d, "CheckBoxGazStart")->value, on);
        QCOMPARE(rowOf(d, "AbNumSpinMinInj")->caption, captionText("LabelMinIjj", texts));
        QVERIFY(d.faults.read);
        QCOMPARE(d.faults.lines, std::vector<QString> { fault8 });
        // The report's own headings have no language id: English.
        QCOMPARE(d.heading, QString("Workshop report"));
    }

    void theLanguageIsFoundByNameByLanTxtOrAsAFile()
    {
        QTemporaryDir start;
        // No lan.txt, no choice: English without a file.
        ReportLanguage l = loadReportLanguage(QString(), start.path(), QString());
        QVERIFY(l.error.isEmpty());
        QVERIFY(l.texts.empty());
        QCOMPARE(l.name, QString("English"));
        // The start directory's own lang/ is where the window looks first.
        QVERIFY(QDir(start.path()).mkdir("lang"));
        QVERIFY(QFile::copy(LangDir + "/ger.txt", start.filePath("lang/ger.txt")));
        l = loadReportLanguage(QStringLiteral("german"), start.path(), QString());
        QVERIFY2(l.error.isEmpty(), qPrintable(l.error));
        QCOMPARE(l.name, QString("German"));
        QCOMPARE(l.texts.at(100461), QString("1.Fahrzeug"));
        QFile lan(start.filePath("lan.txt"));
        QVERIFY(lan.open(QIODevice::WriteOnly));
        lan.write(QByteArray(1, char(6))); // German
        lan.close();
        QCOMPARE(loadReportLanguage(QString(), start.path(), QString()).name, QString("German"));
        l = loadReportLanguage(LangDir + "/pol.txt", start.path(), QString());
        QCOMPARE(l.texts.at(100568), QString("WŁ")); // read in the Polish code page
        // A language whose file is nowhere, and a name that is no language, give an error.
        QVERIFY(!loadReportLanguage(QStringLiteral("Polish"), start.path(), start.path()).error.isEmpty());
        QVERIFY(!loadReportLanguage(QStringLiteral("Klingon"), start.path(), QString()).error.isEmpty());
    }

    void faultsAndTroubleCodes()
    {
        const ParameterImage image = factory();
        ReportSource src;
        src.image = &image;
        src.timeBases = timeBasesFor(0);
        // From a file: nothing read.
        ReportDocument d = buildReport(src);
        QVERIFY(!d.faults.read);
        QVERIFY(!d.troubleCodes.read);
        // An empty error memory is read and says so; the codes as read.
        src.errors = decodeErrorMemory(ErrorMemoryBytes {}, FaultTexts());
        src.troubleCodes = std::vector<std::string> { "P0301", "P0171" };
        d = buildReport(src);
        QVERIFY(d.faults.read);
        QVERIFY(d.faults.lines.empty());
        QCOMPARE(d.troubleCodes.codes, (std::vector<QString> { "P0301", "P0171" }));
        // More faults than the list has rows: the rest is counted.
        ErrorMemoryBytes bytes {};
        for (int k = 0; k < 32; ++k)
            bytes[std::size_t(2 * k)] = 16;
        bytes[64] = 40;
        src.errors = decodeErrorMemory(bytes, FaultTexts());
        d = buildReport(src);
        QCOMPARE(int(d.faults.lines.size()), 32);
        QVERIFY(d.faults.lines[0].startsWith("16 ErrRpm_L"));
        QCOMPARE(d.faults.note, QString("(40 faults stored, the first 32 listed)"));
    }

    void serviceAndWorkTimes()
    {
        ParameterImage image = factory();
        image.setDword(8, 0);
        image.setDword(12, 3600);
        image.setDword(16, 7200);
        ReportSource src;
        src.image = &image;
        src.timeBases = timeBasesFor(0);
        ReportDocument d = buildReport(src);
        QCOMPARE(d.serviceText, QString("service off"));
        QVERIFY2(d.workTimeText.contains("gasoline: [ 1h : 0m : 0s ]") && d.workTimeText.contains("as saved"),
            qPrintable(d.workTimeText));
        image.setDword(8, 7200 + 3000);
        src.workTimes = WorkTimes { 100, 7200, true };
        d = buildReport(src);
        QCOMPARE(d.serviceText, QString("service time left [ 50 min. ], due at gas work time 2 h 50 min"));
        QVERIFY(!d.workTimeText.contains("as saved"));
    }

    void theVisitIsTodaysEntriesOfThisController()
    {
        const QDate today(2026, 12, 10);
        const QDateTime morning(today, QTime(8, 0)), noon(today, QTime(12, 0));
        const std::vector<JournalEntry> all = {
            entry(noon, "ComboBoxInjNum", 2, 3, { { "cylinders", "4", "6" }, { "peak", "4.00", "3.50" } }),
            entry(morning, "main map +5", 0, 0), // revisions not known: counted
            entry(morning, "other controller", 1, 3),
            entry(QDateTime(today.addDays(-1), QTime(17, 0)), "yesterday", 2, 3),
        };
        const std::vector<JournalEntry> visit = visitEntries(all, today, 2, 3);
        QCOMPARE(int(visit.size()), 2);
        const ParameterImage image = factory();
        ReportSource src;
        src.image = &image;
        src.timeBases = timeBasesFor(0);
        src.changes = visit;
        const ReportDocument d = buildReport(src);
        // Oldest first; an entry without its changes in words is its action alone.
        QCOMPARE(int(d.changes.size()), 3);
        QCOMPARE(d.changes[0].action, QString("main map +5"));
        QVERIFY(d.changes[0].setting.isEmpty());
        QCOMPARE(d.changes[0].time, QString("08:00:00"));
        QCOMPARE(d.changes[1].setting, QString("cylinders"));
        QCOMPARE(d.changes[1].before, QString("4"));
        QCOMPARE(d.changes[1].after, QString("6"));
        QCOMPARE(d.changes[2].setting, QString("peak"));
    }

    // The PDF holds the texts as text: captions, values, axes, faults and the fitter's own text.
    void thePdfCanBeSearchedForWhatItShows()
    {
        QTemporaryDir dir;
        ParameterImage image = factory();
        set(image, "AbNumSpinMinInj", 1.35);
        maps::setCellValue(image, maps::Region::MainMap, 2, 2, 17);
        ReportSource src;
        src.image = &image;
        src.timeBases = timeBasesFor(0);
        src.fitterText = QStringLiteral("Auto Serwis Nowak, ul. Długa 5 — VW Golf WX 12345");
        src.created = QDateTime(QDate(2026, 12, 10), QTime(9, 30));
        src.fromController = true;
        src.hardwareRevision = 2;
        src.softwareRevision = 3;
        src.source = "COM3 (/dev/ttyUSB0), 57600 baud";
        ErrorMemoryBytes bytes {};
        bytes[0] = 8;
        bytes[64] = 1;
        src.errors = decodeErrorMemory(bytes, FaultTexts());
        const ReportDocument d = buildReport(src);
        const QString path = dir.filePath("car.pdf");
        QString error;
        QVERIFY2(writeReportPdf(d, path, &error), qPrintable(error));
        const QString text = test::pdfText(path);
        QVERIFY2(!text.isNull(), "pdftotext (poppler-utils) is needed");
        for (const QString &needle : { src.fitterText, QString("2026-12-10 09:30"), src.source,
                 QString("hardware revision 2, software revision 3"), QString("8 ErrPres_L- Erorr Pressure Low"),
                 QString("+17"), d.mainMap.rpm[7], d.mainMap.injMs[15] })
            QVERIFY2(text.contains(needle), qPrintable(needle));
        // Every row's caption and value, in the order of the pages.
        int at = 0;
        for (const SettingsPage &p : d.pages) {
            for (const SettingsBlock &b : p.blocks) {
                for (const SettingRow &r : b.rows) {
                    for (const QString &s : { r.caption, r.value }) {
                        if (s.isEmpty())
                            continue;
                        const int found = text.indexOf(s, at);
                        QVERIFY2(found >= 0, qPrintable(r.control + ": " + s));
                    }
                }
            }
        }
        QVERIFY(text.contains("1.35"));
    }

    // Refused and failed targets are left as they were; nothing half-written stays behind.
    void aTargetThatCannotTakeTheReportIsLeftAlone()
    {
        QTemporaryDir dir;
        const ParameterImage image = factory();
        const ReportDocument d = build(image);
        QString error;
        // A folder.
        QVERIFY(QDir(dir.path()).mkdir("folder.pdf"));
        QVERIFY(!writeReportPdf(d, dir.filePath("folder.pdf"), &error));
        QVERIFY(error.contains("not a regular file"));
        QVERIFY(QFileInfo(dir.filePath("folder.pdf")).isDir());
        // A FIFO: refused without opening it (which would wait for a reader).
        const QString fifo = dir.filePath("fifo.pdf");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!writeReportPdf(d, fifo, &error));
        QVERIFY(!QFileInfo(fifo).isFile());
        // A folder that does not exist: nothing is created.
        QVERIFY(!writeReportPdf(d, dir.filePath("no/such/car.pdf"), &error));
        QVERIFY(!QFileInfo::exists(dir.filePath("no")));
        // A regular file is replaced whole; no temporary file stays.
        QFile old(dir.filePath("car.pdf"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QVERIFY2(writeReportPdf(d, old.fileName(), &error), qPrintable(error));
        QFile back(old.fileName());
        QVERIFY(back.open(QIODevice::ReadOnly));
        QVERIFY(back.readAll().startsWith("%PDF"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "car.pdf" });
    }
};

int main(int argc, char **argv)
{
    // Fonts and PDF painting need Qt Gui; no display is used.
    QGuiApplication app(argc, argv);
    TstReportContent t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_reportcontent.moc"
