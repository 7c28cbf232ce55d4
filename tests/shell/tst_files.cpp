// The menu "file" and "RESET ECU" in the window on a scripted controller: save, load, reset,
// restore points and the comparison with the ECU, with the frames they send and the messages
// they show.
#include "../support/WindowRig.h"
#include "CompareDialog.h"
#include "FileMenu.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "ParameterFile.h"
#include "ScriptedSerial.h"
#include "TAbBar.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";
const QDate Today(2026, 12, 10);

struct WordWrite {
    int index;
    int value;
};

bool isWordWrite(const std::vector<std::uint8_t> &w)
{
    const auto f = parseWriteFrame(w);
    return f && f->word;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray pattern(int size, int mul, int add)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>(i * mul + add);
    return b;
}
} // namespace

class TstFiles : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    FileMenu *files = nullptr;
    std::vector<FileDialogRequest> dialogs;
    QStringList questions;
    // During word writes: whether the timer ran or polling was on.
    bool timerRanDuringUpload = false;
    bool pollingDuringUpload = false;

    QString start() const { return dir->path(); }
    QString paramDir() const { return start() + QStringLiteral("/parametry"); }

    // The open and save dialogs answer `answer` (empty: Cancel) and remember what was asked.
    void answerDialogs(const QString &answer)
    {
        rig.user.chooseFile = [this, answer](const FileDialogRequest &r) {
            dialogs.push_back(r);
            return answer;
        };
    }
    void answerQuestions(bool ok)
    {
        rig.user.answerConfirm = [this, ok](const QString &, const QString &text) {
            questions << text;
            return ok;
        };
    }
    void connectEcu()
    {
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        line->clearLog();
        ecu->frames.clear();
    }
    std::vector<WordWrite> wordWrites() const
    {
        std::vector<WordWrite> out;
        for (const auto &w : line->written()) {
            if (isWordWrite(w.bytes))
                out.push_back({ parseWriteFrame(w.bytes)->index, parseWriteFrame(w.bytes)->value });
        }
        return out;
    }
    int commits() const
    {
        int n = 0;
        for (const auto &w : line->written())
            n += w.bytes.size() == 6 && w.bytes[0] == 0x45 ? 1 : 0;
        return n;
    }
    // The words of a whole upload of `image`: 0 ... 383, then (after whatever writes showing the
    // image makes) the marker in word 0 and the commit.
    void verifyWholeUpload(const QByteArray &image)
    {
        const auto words = wordWrites();
        QVERIFY(words.size() >= 385);
        for (int w = 0; w < 384; ++w) {
            QCOMPARE(words[std::size_t(w)].index, w);
            const int expected = std::uint8_t(image[2 * w]) | (std::uint8_t(image[2 * w + 1]) << 8);
            QCOMPARE(words[std::size_t(w)].value, expected);
        }
        QCOMPARE(words.back().index, 0);
        QCOMPARE(words.back().value, 0xAAAA);
        QCOMPARE(commits(), 1);
        // The commit is the last frame.
        QCOMPARE(line->written().back().bytes[0], std::uint8_t(0x45));
    }
    QStringList restorePoints() const
    {
        return QDir(paramDir() + QStringLiteral("/backup")).entryList(QDir::Files, QDir::Name);
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        test::WindowRig::Options options;
        options.show = false;
        options.keepWrites = true;
        options.startImage.emplace();
        for (int i = 0; i < 768; ++i)
            (*options.startImage)[std::size_t(i)] = std::uint8_t(i * 7 + 1);
        (*options.startImage)[133] = 4; // cylinders
        options.frameHook
            = [this](const std::vector<std::uint8_t> &w, int baud, const ScriptedSerial::Responder &controller) {
                  if (isWordWrite(w)) {
                      timerRanDuringUpload |= form->timer()->isActive();
                      pollingDuringUpload |= state->session.conn.PollingEnabled != 0;
                  }
                  return controller(w, baud);
              };
        QVERIFY2(rig.start(options), rig.error.c_str());
        state->startDirectory = start().toStdString();
        dialogs.clear();
        questions.clear();
        timerRanDuringUpload = pollingDuringUpload = false;
        files = form->findChild<FileMenu *>();
        QVERIFY(files);
        files->today = [] { return Today; };
    }
    void cleanup()
    {
        form.reset();
        state.reset();
        ecu.reset();
        line.reset();
        dir.reset();
    }

    void datedFirstSaveNameKeepsTheExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("kvset") << "/p/car.kvset"
                               << "/p/car2026-12-10.kvset";
        QTest::newRow("tqd") << "/p/my.car.tqd"
                             << "/p/my.car2026-12-10.tqd";
        QTest::newRow("no extension") << "/p/car"
                                      << "/p/car2026-12-10";
        QTest::newRow("dot in the folder only") << "/p.d/car"
                                                << "/p.d/car2026-12-10";
        QTest::newRow("leading dot") << "/p/.kvset"
                                     << "/p/.kvset2026-12-10";
    }
    void datedFirstSaveNameKeepsTheExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(datedFirstSaveName(chosen, Today), written);
    }

    void fileMenuOffersItsItemsInOrder()
    {
        auto *file = form->findChild<QMenu *>(QStringLiteral("File1"));
        QVERIFY(file);
        // Other items may stand between them; these keep their order.
        const QStringList ours = { "savetodisk1", "loadtoECU1", "restorePoint1", "compareWithECU1", "exit1" };
        QStringList names;
        for (QAction *a : file->actions()) {
            if (ours.contains(a->objectName()))
                names << a->objectName();
        }
        QCOMPARE(names, ours);
        const char *items[][2] = { { "savetodisk1", "save to disk" }, { "loadtoECU1", "load to ECU" },
            { "restorePoint1", "restore point..." }, { "compareWithECU1", "compare with ECU..." },
            { "RESET1", "RESET ECU" } };
        for (const auto &i : items) {
            auto *a = form->findChild<QAction *>(QString::fromLatin1(i[0]));
            QVERIFY2(a, i[0]);
            QCOMPARE(a->text(), QString::fromLatin1(i[1]));
            QVERIFY2(a->isEnabled(), i[0]);
        }
    }

    void firstSaveMakesTheFolderAndDatesTheNameLaterSavesDoNot()
    {
        connectEcu();
        answerDialogs(paramDir() + QStringLiteral("/car.kvset"));
        form->findChild<QAction *>(QStringLiteral("savetodisk1"))->trigger();
        QCOMPARE(dialogs.size(), std::size_t(1));
        QCOMPARE(dialogs[0].mode, FileDialogRequest::Mode::Save);
        QCOMPARE(dialogs[0].directory, paramDir());
        const QString dated = paramDir() + QStringLiteral("/car2026-12-10.kvset");
        const QByteArray image(reinterpret_cast<const char *>(state->session.image.bytes.data()), 768);
        QCOMPARE(fileBytes(dated), image);
        QVERIFY(!QFile::exists(paramDir() + QStringLiteral("/car.kvset")));

        // The folder exists now: the name is taken as chosen and an existing file is replaced.
        state->session.image.setByte(5, 0x5A);
        form->findChild<QAction *>(QStringLiteral("savetodisk1"))->trigger();
        const QByteArray saved = fileBytes(paramDir() + QStringLiteral("/car.kvset"));
        QCOMPARE(saved.size(), 768);
        QCOMPARE(std::uint8_t(saved[5]), std::uint8_t(0x5A));
        QVERIFY(messages.isEmpty());
        // Nothing goes to the controller.
        QVERIFY(line->written().empty());
    }

    void saveCancelledWritesNothingAndAFailedSaveIsReported()
    {
        answerDialogs(QString());
        form->findChild<QAction *>(QStringLiteral("savetodisk1"))->trigger();
        QCOMPARE(QDir(paramDir()).entryList(QDir::Files).size(), 0);
        QVERIFY(messages.isEmpty());

        // A folder where the file should go.
        QVERIFY(QDir().mkpath(paramDir() + QStringLiteral("/taken.kvset")));
        answerDialogs(paramDir() + QStringLiteral("/taken.kvset"));
        form->findChild<QAction *>(QStringLiteral("savetodisk1"))->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("The parameter file was not saved.")), qPrintable(messages[0]));
    }

    void loadUploadsTheFileWithTheTimerStoppedAndKeepsARestorePoint()
    {
        connectEcu();
        const QByteArray before(reinterpret_cast<const char *>(ecu->image.data()), 768);
        QByteArray file = pattern(768, 3, 9);
        file[139] = 3; // lambda probe type: its bars show 0.6 ... 1.8 once the image is shown
        QVERIFY(QDir().mkpath(paramDir()));
        const QString path = paramDir() + QStringLiteral("/car.kvset");
        QVERIFY(writeFile(path, file));
        form->timer()->start();
        answerDialogs(path);
        form->findChild<QAction *>(QStringLiteral("loadtoECU1"))->trigger();

        QCOMPARE(dialogs.size(), std::size_t(1));
        QCOMPARE(dialogs[0].mode, FileDialogRequest::Mode::Open);
        QCOMPARE(dialogs[0].directory, paramDir());
        verifyWholeUpload(file);
        QVERIFY(!timerRanDuringUpload);
        QVERIFY(!pollingDuringUpload);
        QVERIFY(form->timer()->isActive());
        QCOMPARE(state->session.conn.PollingEnabled, std::uint8_t(1));
        QVERIFY(files->lastUpload().ok());
        // The controller holds the file now, with the marker in word 0.
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(ecu->image.data()) + 2, 766), file.mid(2));
        // The controls show the image.
        QCOMPARE(form->findChild<TAbBar *>(QStringLiteral("AbBarLambda"))->maximum(), 1.8);
        auto *bar = form->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        QCOMPARE(bar->maximum(), 384);
        QCOMPARE(bar->value(), 384);
        // The controller's settings from before the load are kept, and the message says where.
        const QStringList points = restorePoints();
        QCOMPARE(points.size(), 1);
        QVERIFY(points[0].endsWith(QStringLiteral("_before-load.kvset")));
        QCOMPARE(fileBytes(paramDir() + QStringLiteral("/backup/") + points[0]), before);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("car.kvset is loaded into the ECU.")), qPrintable(messages[0]));
        QVERIFY2(messages[0].contains(QDir::toNativeSeparators(paramDir() + QStringLiteral("/backup/") + points[0])),
            qPrintable(messages[0]));
    }

    void loadOfAShortFileReplacesItsBytesOnlyAndSaysSo()
    {
        connectEcu();
        const QByteArray image(reinterpret_cast<const char *>(state->session.image.bytes.data()), 768);
        const QString path = start() + QStringLiteral("/short.kvset");
        QVERIFY(writeFile(path, pattern(100, 5, 2)));
        files->loadFile(path);
        QByteArray expected = image;
        expected.replace(0, 100, pattern(100, 5, 2));
        verifyWholeUpload(expected);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("100")), qPrintable(messages[0]));
    }

    void unreadableFileShowsFileErrorAndChangesNothing()
    {
        connectEcu();
        const ImageBytes image = state->session.image.bytes;
        QVERIFY(QDir().mkpath(paramDir() + QStringLiteral("/folder.kvset")));
        answerDialogs(paramDir() + QStringLiteral("/folder.kvset"));
        form->findChild<QAction *>(QStringLiteral("loadtoECU1"))->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("File Error: Can't perform one of the following file "
                                                       "operations: Open, Seek, Read, Close.")),
            qPrintable(messages[0]));
        QVERIFY(line->written().empty());
        QVERIFY(state->session.image.bytes == image);
        QCOMPARE(files->lastUpload().status, UploadStatus::FileError);
        QVERIFY(restorePoints().isEmpty());
    }

    void loadWithoutAControllerShowsTheFileAndNoConnection()
    {
        const QString path = start() + QStringLiteral("/car.kvset");
        const QByteArray file = pattern(768, 11, 3);
        QVERIFY(writeFile(path, file));
        answerDialogs(path);
        form->findChild<QAction *>(QStringLiteral("loadtoECU1"))->trigger();
        QCOMPARE(messages, QStringList { QStringLiteral("no connection") });
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(state->session.image.bytes.data()) + 2, 766), file.mid(2));
        QCOMPARE(state->session.image.wordAt(0), std::uint16_t(0xAAAA));
        QVERIFY(line->written().empty());
        QCOMPARE(files->lastUpload().status, UploadStatus::NotConnected);
    }

    void resetAsksWithTheItemsCaptionAndUploadsTheDefaults()
    {
        connectEcu();
        answerQuestions(false);
        form->findChild<QAction *>(QStringLiteral("RESET1"))->trigger();
        QCOMPARE(questions, QStringList { QStringLiteral("RESET ECU") });
        QVERIFY(line->written().empty());

        answerQuestions(true);
        form->findChild<QAction *>(QStringLiteral("RESET1"))->trigger();
        QVERIFY(files->lastUpload().ok());
        const auto words = wordWrites();
        QVERIFY(words.size() >= 385);
        QCOMPARE(words[0].value, 0); // word 0 first as 0, at the end as the marker
        QCOMPARE(words[253].value, 227); // the injection-time axis starts at 1 ms at 57600 baud
        QCOMPARE(words.back().value, 0xAAAA);
        QCOMPARE(commits(), 1);
        QCOMPARE(state->session.image.byte(133), std::uint8_t(4)); // the cylinders are kept
        QCOMPARE(restorePoints().size(), 1);
        QVERIFY(restorePoints()[0].endsWith(QStringLiteral("_before-reset.kvset")));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("The ECU is reset to its factory settings.")),
            qPrintable(messages[0]));
    }

    void resetWithoutAControllerSaysNoConnection()
    {
        answerQuestions(true);
        files->RESET1Click();
        QCOMPARE(messages, QStringList { QStringLiteral("No Connection") });
        QCOMPARE(state->session.image.wordAt(253), std::uint16_t(227));
        QVERIFY(line->written().empty());
    }

    void restorePointOpensTheBackupFolderAndLoadsTheSettingsBack()
    {
        connectEcu();
        files->restorePoint1Click();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(
            messages[0].startsWith(QStringLiteral("No restore point has been kept yet.")), qPrintable(messages[0]));
        QVERIFY(dialogs.empty());
        messages.clear();

        const std::array<std::uint8_t, 768> original = ecu->image;
        const QString path = start() + QStringLiteral("/other.kvset");
        QVERIFY(writeFile(path, pattern(768, 13, 1)));
        files->loadFile(path);
        QVERIFY(files->lastUpload().ok());
        const QString point = files->lastUpload().restorePoint;

        answerDialogs(point);
        form->findChild<QAction *>(QStringLiteral("restorePoint1"))->trigger();
        QCOMPARE(dialogs.size(), std::size_t(1));
        QCOMPARE(dialogs[0].directory, paramDir() + QStringLiteral("/backup"));
        QVERIFY(files->lastUpload().ok());
        // Back to what the controller held, apart from the upload marker.
        QVERIFY(std::equal(original.begin() + 2, original.end(), ecu->image.begin() + 2));
        QCOMPARE(ecu->image[0], std::uint8_t(0xAA));
    }

    void compareListsTheDifferencesByCaptionAndLoadsOnlyWhenAsked()
    {
        connectEcu();
        // The file differs from the ECU in the switch temperature (byte 23), the main enrichment
        // (word 170), the silent mode (bit 542.4) and one main-map cell.
        QByteArray file(reinterpret_cast<const char *>(state->session.image.bytes.data()), 768);
        file[23] = char(std::uint8_t(file[23]) + 5);
        file[542] = char(std::uint8_t(file[542]) ^ 0x10);
        file[340] = char(0x4C); // 1100: +10 %
        file[341] = char(0x04);
        file[167 + 8 * 2 + 4] = char(std::uint8_t(file[167 + 8 * 2 + 4]) + 3);
        const QString path = start() + QStringLiteral("/cmp.kvset");
        QVERIFY(writeFile(path, file));
        answerDialogs(path);

        std::vector<CompareRow> rows;
        QString summary;
        bool load = false;
        rig.user.answerDialog = [&](QDialog &d) {
            auto &dialog = static_cast<CompareDialog &>(d);
            QTableWidget *grid = dialog.grid();
            for (int r = 0; r < grid->rowCount(); ++r)
                rows.push_back({ grid->item(r, 0)->text(), grid->item(r, 1)->text(), grid->item(r, 4)->text(),
                    grid->item(r, 2)->text(), grid->item(r, 3)->text() });
            summary = dialog.summary()->text();
            return load ? QDialog::Accepted : QDialog::Rejected;
        };
        form->findChild<QAction *>(QStringLiteral("compareWithECU1"))->trigger();
        QCOMPARE(dialogs.size(), std::size_t(1));
        QCOMPARE(dialogs[0].directory, paramDir());
        QCOMPARE(rows.size(), std::size_t(4));
        // By the caption the window shows, where it shows it, with both values.
        QCOMPARE(rows[0].caption, QStringLiteral("temp"));
        QCOMPARE(rows[0].place, QStringLiteral("4.Switch to propane"));
        QCOMPARE(rows[0].field, QStringLiteral("TempSw"));
        QCOMPARE(rows[1].caption, QStringLiteral("Main enrichment"));
        QCOMPARE(rows[1].field, QStringLiteral("WzbogacenieGlowne"));
        QCOMPARE(rows[1].place, QStringLiteral("[F4]adjustment"));
        QVERIFY2(rows[1].ecu != rows[1].file, qPrintable(rows[1].ecu));
        QCOMPARE(rows[1].file, QStringLiteral("10"));
        QCOMPARE(rows[2].caption, QStringLiteral("SILENT ON/OFF"));
        QCOMPARE(rows[2].place, QStringLiteral("8.Extras"));
        QVERIFY(rows[2].ecu != rows[2].file);
        QCOMPARE(rows[3].caption, QStringLiteral("MainMap row 3 column 5"));
        QCOMPARE(rows[3].place, QStringLiteral("[F7]advanced map"));
        QVERIFY(rows[3].field.isEmpty());
        QVERIFY2(summary.startsWith(QStringLiteral("Loading this file changes 3 setting(s) and 1 map value(s)")),
            qPrintable(summary));
        // Cancel: nothing was sent, nothing changed.
        QVERIFY(line->written().empty());
        QCOMPARE(state->session.image.word(340), std::uint16_t(ecu->image[340] | (ecu->image[341] << 8)));
        QVERIFY(messages.isEmpty());

        // "load to ECU" goes on to load the same file.
        rows.clear();
        load = true;
        form->findChild<QAction *>(QStringLiteral("compareWithECU1"))->trigger();
        QVERIFY(files->lastUpload().ok());
        QVERIFY(wordWrites().size() >= 385);
        QCOMPARE(state->session.image.word(340), std::uint16_t(1100));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(ecu->image.data()) + 2, 766), file.mid(2));
    }

    void compareOfAnUnreadableFileShowsFileError()
    {
        QVERIFY(QDir().mkpath(start() + QStringLiteral("/dir.kvset")));
        answerDialogs(start() + QStringLiteral("/dir.kvset"));
        bool shown = false;
        rig.user.answerDialog = [&](QDialog &) {
            shown = true;
            return int(QDialog::Rejected);
        };
        files->compareWithECU1Click();
        QVERIFY(!shown);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QStringLiteral("File Error: ")));
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstFiles t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_files.moc"
