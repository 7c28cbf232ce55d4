// "report..." in the menu "file" on a scripted controller: the PDF of the connected controller with
// its settings, faults and the changes just made, the questions it asks, and nothing written when
// the controller's error memory cannot be read or the fitter cancels.
#include "../support/PdfText.h"
#include "../support/WindowRig.h"
#include "ErrorMemory.h"
#include "FileMenu.h"
#include "JournalFile.h"
#include "MainWindow.h"
#include "ReportItem.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace kelvane;

class TstReportWindow : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QStringList asked; // the questions, in order
    bool dropErrorReads = false;

    QString reportPath() const { return dir->filePath("car.pdf"); }
    void answer(const std::optional<QString> &text, const QString &file)
    {
        rig.user.answerText = [this, text](const QString &, const QString &label) {
            asked << label;
            return text;
        };
        rig.user.chooseReport = [this, file](const QString &suggestion) {
            asked << suggestion;
            return file;
        };
    }
    void setFaults(std::initializer_list<std::uint16_t> codes)
    {
        ecu->errors.fill(0);
        std::size_t k = 0;
        for (std::uint16_t c : codes) {
            ecu->errors[2 * k] = static_cast<std::uint8_t>(c & 0xFF);
            ecu->errors[2 * k + 1] = static_cast<std::uint8_t>(c >> 8);
            ++k;
        }
        ecu->errors[64] = static_cast<std::uint8_t>(k);
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        dropErrorReads = false;
        test::WindowRig::Options options;
        options.show = false;
        options.keepWrites = true;
        options.startImage = sim::factoryImage(57600);
        options.frameHook
            = [this](const std::vector<std::uint8_t> &w, int baud, const ScriptedSerial::Responder &controller) {
                  // The error memory's block requests left unanswered.
                  if (dropErrorReads && w.size() == 6 && w[0] == proto::code(proto::Command::Request)
                      && w[1] == proto::code(proto::Request::ErrorBlock))
                      return std::vector<ScriptedSerial::Delivery> {};
                  return controller(w, baud);
              };
        QVERIFY2(rig.start(options), rig.error.c_str());
        state->startDirectory = dir->path().toStdString();
        asked.clear();
    }
    void cleanup()
    {
        rig.stop();
        dir.reset();
    }

    void theItemStandsWithTheFileItems()
    {
        auto *file = form->findChild<QMenu *>(QStringLiteral("File1"));
        QVERIFY(file);
        QStringList names;
        for (QAction *a : file->actions()) {
            if (!a->objectName().isEmpty())
                names << a->objectName();
        }
        QVERIFY2(names.indexOf("compareWithECU1") < names.indexOf("report1")
                && names.indexOf("report1") < names.indexOf("exit1") && names.indexOf("compareWithECU1") >= 0,
            qPrintable(names.join(' ')));
        QCOMPARE(rig.child<QAction>("report1")->text(), QString("report..."));
    }

    // The report of the connected controller: its settings as the pages show them, its faults, the
    // fitter's text and the change just made.
    void reportOfTheConnectedController()
    {
        setFaults({ 8, 16 });
        QVERIFY(rig.connectEcu());
        rig.decode();
        form->F3parameters1Click();
        QTest::keyClick(rig.child<QComboBox>("ComboBoxRpmSet"), Qt::Key_Down); // one change of this visit
        const QString engine = rig.child<QComboBox>("ComboBoxRpmSet")->currentText();
        answer(QStringLiteral("Auto Serwis Nowak — VW Golf WX 12345"), reportPath());
        rig.child<QAction>("report1")->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith("The report is written to"), qPrintable(messages[0]));
        // The text first, then the file, suggested in the parameter folder with the date.
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0], QString("Workshop and car:"));
        QVERIFY2(
            asked[1].startsWith(dir->filePath("parametry/report-")) && asked[1].endsWith(".pdf"), qPrintable(asked[1]));
        const QString text = test::pdfText(reportPath());
        QVERIFY2(!text.isNull(), "pdftotext (poppler-utils) is needed");
        const JournalReadResult journal = JournalFile(state->journal.folder()).readAll();
        QVERIFY(!journal.entries.empty());
        for (const QString &needle :
            { QString("Auto Serwis Nowak — VW Golf WX 12345"), QString("hardware revision 2, software revision 3"),
                QString("8 ErrPres_L- Erorr Pressure Low"), QString("16 ErrRpm_L"), QString("engine type"), engine,
                QString("Changes of this visit"), journal.entries.front().action, QString("COM3") })
            QVERIFY2(text.contains(needle), qPrintable(needle + "\n---\n" + text));
        // The same text is offered again for the next report.
        asked.clear();
        rig.user.answerText = [this](const QString &, const QString &) -> std::optional<QString> { return {}; };
        rig.child<QAction>("report1")->trigger();
        QCOMPARE(messages.size(), 1);
    }

    // A controller whose error memory does not answer: said so, nothing written.
    void aFailingReadWritesNothing()
    {
        QVERIFY(rig.connectEcu());
        dropErrorReads = true;
        answer(QStringLiteral("car"), reportPath());
        rig.child<QAction>("report1")->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QLatin1String(ErrorReadFailedText)), qPrintable(messages[0]));
        QVERIFY(!QFileInfo::exists(reportPath()));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    }

    void nothingIsWrittenWithoutAControllerOrAnAnswer()
    {
        // Not connected: said so, nothing asked.
        answer(QStringLiteral("car"), reportPath());
        rig.child<QAction>("report1")->trigger();
        QCOMPARE(messages, QStringList { QString::fromLatin1(NoConnectionText) });
        QVERIFY(asked.isEmpty());
        QVERIFY(rig.connectEcu());
        messages.clear();
        // The text cancelled: no file asked for; the file cancelled: nothing written.
        answer(std::nullopt, reportPath());
        rig.child<QAction>("report1")->trigger();
        QCOMPARE(asked.size(), 1);
        answer(QStringLiteral("car"), QString());
        rig.child<QAction>("report1")->trigger();
        QVERIFY(messages.isEmpty());
        QVERIFY(!QFileInfo::exists(reportPath()));
        // A folder as the target is refused and stays a folder.
        QVERIFY(QDir(dir->path()).mkdir("car.pdf"));
        answer(QStringLiteral("car"), reportPath());
        rig.child<QAction>("report1")->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains("not a regular file"));
        QVERIFY(QFileInfo(reportPath()).isDir());
    }
};

QTEST_MAIN(TstReportWindow)
#include "tst_reportwindow.moc"
