// The data logger on the "DataLogger" page, on a scripted controller: the column check boxes, START
// and STOP writing "Log.csv" with a row per decode, the caption's progress mark, the file written when
// the window closes during a recording, and a STOP that cannot write: reported, kept, saved elsewhere.
#include "../support/WindowRig.h"
#include "DataLoggerPage.h"
#include "KelvaneApplication.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace kelvane;

namespace {
QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
}
} // namespace

class TstLogger : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString oldDir;
    std::unique_ptr<test::WindowRig> rig;
    DataLoggerPage *page = nullptr;
    QStringList prompts; // suggestions the save prompt was shown
    QStringList promptAnswers; // what it answers, in turn ("" cancels)

    QPushButton *button(const char *name) { return rig->child<QPushButton>(name); }
    void tickOnly(std::initializer_list<const char *> names)
    {
        for (const char *n : LogCheckBoxNames) {
            auto *box = rig->child<QCheckBox>(n);
            if (!box->isHidden())
                box->setChecked(false);
        }
        for (const char *n : names)
            rig->child<QCheckBox>(n)->setChecked(true);
    }
    // Rows with a known reducer temperature: 40, 41, 42, ...
    void record(int rows, int firstTemp = 40)
    {
        for (int k = 0; k < rows; ++k) {
            rig->setLive16(rec::TempReducer, static_cast<std::uint16_t>(firstTemp + k));
            rig->decode();
        }
    }
    QString logPath() const { return dir->filePath(QStringLiteral("Log.csv")); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir->path());
        rig = std::make_unique<test::WindowRig>(test::WindowRig::Options {});
        page = rig->form->findChild<DataLoggerPage *>(QStringLiteral("DataLoggerPage"));
        QVERIFY(page);
        prompts.clear();
        promptAnswers.clear();
        rig->user.chooseRecording = [this](const QString &suggestion) {
            prompts << suggestion;
            return promptAnswers.isEmpty() ? QString() : promptAnswers.takeFirst();
        };
        QVERIFY(rig->connectEcu());
    }
    void cleanup()
    {
        rig.reset();
        QDir::setCurrent(oldDir);
        dir.reset();
    }

    void checkBoxesCarryTheirHeadersAndDefaults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("gas time") << "CheckBoxGazTime"
                                  << "GazWorkTime (s)" << true << true;
        QTest::newRow("rpm") << "CheckBoxRpm"
                             << "RPM (rev./min)" << true << true;
        QTest::newRow("petrol 4") << "CheckBoxIB4"
                                  << "InjB4 (ms)" << true << true;
        QTest::newRow("petrol 5") << "CheckBoxIB5"
                                  << "InjB5 (ms)" << true << false;
        QTest::newRow("gas 8") << "CheckBoxG8"
                               << "InjG8 (ms)" << true << false;
        QTest::newRow("reducer") << "CheckBoxTr" << QString::fromUtf8("TR (\u00b0C)") << true << true;
        QTest::newRow("ecu temperature") << "CheckBoxTecu" << QString::fromUtf8("Tecu (\u00b0C)") << true << false;
        QTest::newRow("5 V") << "CheckBox5V"
                             << "5V (V)" << false << false;
        QTest::newRow("lambda") << "CheckBoxLambda1"
                                << "Lambda1 (V)" << true << true;
        QTest::newRow("errors") << "CheckBoxErrors"
                                << "NumberOfErrors (dec)" << false << false;
    }
    void checkBoxesCarryTheirHeadersAndDefaults()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(bool, shown);
        QFETCH(bool, ticked);
        auto *group = rig->child<QWidget>("GroupBoxLogsSelector");
        auto *box = group->findChild<QCheckBox *>(name);
        QVERIFY(box);
        QCOMPARE(box->text(), caption);
        QCOMPARE(!box->isHidden(), shown);
        QCOMPARE(box->isChecked(), ticked);
        QCOMPARE(group->findChildren<QCheckBox *>().size(), qsizetype(LogColumnCount));
    }

    void stopWritesLogCsvWithARowPerDecodeAndTheCaptionShowsProgress()
    {
        tickOnly({ "CheckBoxRpm", "CheckBoxTr" });
        const QString caption = rig->form->windowTitle();
        QVERIFY(!button("ButtonSaveLogsSTOP")->isEnabled());
        button("ButtonSaveLogsSTART")->click();
        QVERIFY(button("ButtonSaveLogsSTOP")->isEnabled());
        // A column ticked after START is not in this recording.
        rig->child<QCheckBox>("CheckBoxTg")->setChecked(true);
        record(1);
        QVERIFY(rig->form->windowTitle().startsWith(caption + QStringLiteral("...")));
        QVERIFY(rig->form->windowTitle().endsWith(QStringLiteral("Log.csv / ")));
        record(10, 41);
        QVERIFY2(rig->form->windowTitle().endsWith(QStringLiteral("Log.csv - ")), qPrintable(rig->form->windowTitle()));
        // Another page does not stop the rows.
        rig->form->F3parameters1Click();
        record(1, 51);
        QVERIFY(!QFile::exists(logPath())); // nothing on disk under the name before STOP
        button("ButtonSaveLogsSTOP")->click();
        QVERIFY(rig->messages.isEmpty());

        const QStringList lines = fileLines(logPath());
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[0], QString::fromUtf8("Time,RPM (rev./min),TR (\u00b0C),"));
        for (int k = 1; k <= 12; ++k) {
            const QStringList cells = lines[k].split(QLatin1Char(','));
            QCOMPARE(cells.size(), 4);
            QCOMPARE(cells[0], QString::number(0.07 * k, 'f', 2));
            QCOMPARE(cells[2], QStringLiteral("%1.000").arg(39 + k));
            QCOMPARE(cells[3], QString());
        }
        QVERIFY(!button("ButtonSaveLogsSTOP")->isEnabled());
        QVERIFY(rig->child<QLabel>("LabelLogStatus")->text().contains(QStringLiteral("12 rows")));
        QCOMPARE(page->logger().rows(), 12);
    }

    void closingTheWindowDuringARecordingWritesLogCsv()
    {
        tickOnly({ "CheckBoxTr" });
        button("ButtonSaveLogsSTART")->click();
        record(5);
        rig->form->close();
        QCOMPARE(rig->state->session.linkState.PortOpen, std::uint8_t(0));
        const QStringList lines = fileLines(logPath());
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[5], QStringLiteral("0.35,44.000,"));
        QVERIFY(rig->messages.isEmpty());
        // The recording file that took the rows is gone: it became Log.csv.
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList { QStringLiteral("Log.csv") });
    }

    void aStopThatCannotWriteKeepsTheRecordingAndSavesItElsewhere()
    {
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("Log.csv"))); // nothing can replace a folder
        tickOnly({ "CheckBoxTr" });
        button("ButtonSaveLogsSTART")->click();
        record(7);
        button("ButtonSaveLogsSTOP")->click();
        QCOMPARE(rig->messages.size(), 1);
        QVERIFY(rig->messages[0].contains(QStringLiteral("could not be saved")));
        QVERIFY(rig->messages[0].contains(logPath()));
        QVERIFY(rig->messages[0].contains(QStringLiteral("7 rows")));
        QCOMPARE(prompts.size(), 1); // the fitter was asked for another file and cancelled
        QVERIFY(page->logger().hasUnsavedRecording());
        QVERIFY(button("ButtonSaveLogsAs")->isEnabled());
        QVERIFY(button("ButtonSaveLogsDiscard")->isEnabled());
        QVERIFY(!button("ButtonSaveLogsSTOP")->isEnabled());

        // A new recording would lose the kept one: START refuses.
        button("ButtonSaveLogsSTART")->click();
        QCOMPARE(rig->messages.size(), 2);
        QVERIFY(rig->messages[1].contains(QStringLiteral("not been saved")));
        QVERIFY(!page->logger().logging());

        const QString elsewhere = dir->filePath(QStringLiteral("drive.csv"));
        promptAnswers << elsewhere;
        button("ButtonSaveLogsAs")->click();
        const QStringList lines = fileLines(elsewhere);
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[7], QStringLiteral("0.49,46.000,"));
        QVERIFY(!page->logger().hasUnsavedRecording());
        QVERIFY(!button("ButtonSaveLogsAs")->isEnabled());
        QCOMPARE(rig->messages.size(), 2);
    }

    void aKeptRecordingCanBeDiscarded()
    {
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("Log.csv")));
        button("ButtonSaveLogsSTART")->click();
        record(3);
        button("ButtonSaveLogsSTOP")->click();
        QVERIFY(page->logger().hasUnsavedRecording());
        button("ButtonSaveLogsDiscard")->click();
        QVERIFY(!page->logger().hasUnsavedRecording());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList()); // its recording file is gone too
        button("ButtonSaveLogsSTART")->click();
        QVERIFY(page->logger().logging());
    }

    // The disk refuses rows during the recording (a file size limit stands in for a full disk): the
    // page shows why, the rows wait in memory, STOP cannot write and the fitter saves elsewhere
    // once there is room again.
    void theRecordingFileRefusingRowsIsShownAndNoRowIsLost()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct Restore {
            rlimit limit;
            ~Restore() { setrlimit(RLIMIT_FSIZE, &limit); }
        } restore { old };
        rlimit small = old;
        small.rlim_cur = 20000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

        button("ButtonSaveLogsSTART")->click(); // the default columns
        const int rows = 300;
        record(rows);
        QVERIFY(!page->logger().spillError().empty());
        auto *status = rig->child<QLabel>("LabelLogStatus");
        QVERIFY2(
            status->text().contains(QString::fromStdString(page->logger().spillError())), qPrintable(status->text()));
        QTRY_COMPARE(rig->messages.size(), 1); // once, after the tick
        QVERIFY(rig->messages[0].contains(QStringLiteral("cannot be written to disk")));

        const QString elsewhere = dir->filePath(QStringLiteral("saved.csv"));
        rig->user.chooseRecording = [&](const QString &) {
            setrlimit(RLIMIT_FSIZE, &old); // room again
            return elsewhere;
        };
        button("ButtonSaveLogsSTOP")->click();
        QCOMPARE(rig->messages.size(), 2);
        QVERIFY(rig->messages[1].contains(QStringLiteral("could not be saved")));
        QVERIFY(!page->logger().hasUnsavedRecording());
        const QStringList lines = fileLines(elsewhere);
        QCOMPARE(lines.size(), rows + 1);
        QVERIFY(lines[rows].startsWith(QStringLiteral("21.00,")));
        QCOMPARE(page->logger().droppedRows(), 0);
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstLogger t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_logger.moc"
