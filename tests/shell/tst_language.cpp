// The language menu and help in the window, on a scripted controller: a choice replaces captions,
// combo items (keeping the selection the image gives), status, fault and adaptation texts and stores
// "lan.txt"; the start-up load follows "lan.txt"; broken language files leave the window working; a
// load sends nothing to the controller; help opens the "sch" folder.
#include "../support/WindowRig.h"
#include "AppState.h"
#include "DataDirs.h"
#include "ErrorMemoryView.h"
#include "LanguageFile.h"
#include "LanguageMenu.h"
#include "MainWindow.h"
#include "ScriptedSerial.h"
#include "SettingsControls.h"
#include "TAbColBitBtn.h"
#include "TextTargets.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>
#include <vector>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Targets of the text table that this window has no control for, and why. None today: every
// control the table names has its place in the window.
struct AbsentTarget {
    const char *name;
    const char *reason;
};
const std::vector<AbsentTarget> AbsentTargets = {};

const char *absentReason(const char *name)
{
    for (const AbsentTarget &a : AbsentTargets) {
        if (qstrcmp(a.name, name) == 0)
            return a.reason;
    }
    return nullptr;
}

bool isControlTarget(TextTargetKind kind)
{
    switch (kind) {
    case TextTargetKind::TabCaption:
    case TextTargetKind::MenuCaption:
    case TextTargetKind::Caption:
    case TextTargetKind::OnOffTexts:
    case TextTargetKind::OnText:
    case TextTargetKind::OffText:
    case TextTargetKind::ComboItem:
        return true;
    default:
        return false;
    }
}
} // namespace

class TstLanguage : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> startDir;
    QString previousDir;

    template <class T> T *child(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString tabText(const char *page)
    {
        QWidget *sheet = child<QWidget>(page);
        auto *tabs = child<QTabWidget>("PageControl1");
        return tabs->tabText(tabs->indexOf(sheet));
    }
    void tick()
    {
        form->Timer1Timer();
        line->advance(35);
    }
    void connectEcu()
    {
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
    }
    QString lanTxt() const { return startDir->filePath(QStringLiteral("lan.txt")); }

    // What the controls a target names show for it: one entry per text (a two-state button shows
    // two); empty when the window has no control of that name.
    QStringList shownTexts(const TextTarget &t)
    {
        const QString name = QString::fromLatin1(t.name);
        QStringList shown;
        switch (t.kind) {
        case TextTargetKind::TabCaption:
            for (QWidget *page : form->findChildren<QWidget *>(name)) {
                for (QWidget *p = page->parentWidget(); p; p = p->parentWidget()) {
                    if (auto *tabs = qobject_cast<QTabWidget *>(p)) {
                        if (tabs->indexOf(page) >= 0)
                            shown << tabs->tabText(tabs->indexOf(page));
                        break;
                    }
                }
            }
            break;
        case TextTargetKind::MenuCaption:
            for (QMenu *menu : form->findChildren<QMenu *>(name))
                shown << menu->title();
            for (QAction *action : form->findChildren<QAction *>(name))
                shown << action->text();
            break;
        case TextTargetKind::Caption:
            for (QWidget *w : form->findChildren<QWidget *>(name)) {
                if (auto *label = qobject_cast<QLabel *>(w))
                    shown << label->text();
                else if (auto *button = qobject_cast<QAbstractButton *>(w))
                    shown << button->text();
                else if (auto *box = qobject_cast<QGroupBox *>(w))
                    shown << box->title();
                else if (auto *bit = qobject_cast<TAbColBitBtn *>(w))
                    shown << bit->onText() << bit->offText();
            }
            break;
        case TextTargetKind::OnOffTexts:
        case TextTargetKind::OnText:
        case TextTargetKind::OffText: {
            const bool on = t.kind != TextTargetKind::OffText;
            const bool off = t.kind != TextTargetKind::OnText;
            for (TAbColBitBtn *bit : form->findChildren<TAbColBitBtn *>(name)) {
                if (on)
                    shown << bit->onText();
                if (off)
                    shown << bit->offText();
            }
            for (TextToggleSwitch *sw : form->findChildren<TextToggleSwitch *>(name)) {
                if (on)
                    shown << sw->onText();
                if (off)
                    shown << sw->offText();
            }
            break;
        }
        case TextTargetKind::ComboItem:
            for (QComboBox *combo : form->findChildren<QComboBox *>(name))
                shown << (t.index < combo->count() ? combo->itemText(t.index)
                                                   : QStringLiteral("<%1 items only>").arg(combo->count()));
            break;
        default:
            break;
        }
        return shown;
    }

private slots:
    void init()
    {
        // "lan.txt" lives in the start directory: every test starts in an empty one of its own.
        previousDir = QDir::currentPath();
        startDir = std::make_unique<QTemporaryDir>();
        QVERIFY(startDir->isValid());
        QVERIFY(QDir::setCurrent(startDir->path()));
        test::WindowRig::Options options;
        options.show = false;
        QVERIFY2(rig.start(options), rig.error.c_str());
        ecu->image[133] = 4;
        ecu->image[125] = 3; // RpmSet: "4 cylinders"
    }
    void cleanup()
    {
        form.reset();
        state.reset();
        ecu.reset();
        line.reset();
        QDir::setCurrent(previousDir);
        startDir.reset();
    }

    // A choice on a connected controller: captions, combo items with the image's selection, status,
    // fault and adaptation texts change; "lan.txt" is created; nothing is sent to the controller.
    void germanReplacesTheTextsAndStoresTheChoice()
    {
        QVERIFY(!form->languageMenu()->languageDir().isEmpty());
        // One stored fault, read after connecting.
        ecu->errors.fill(0);
        ecu->errors[0] = 1;
        ecu->errors[64] = 1;
        ecu->live[100] = 5; // the error-change marker
        // Heating mode "NORMAL+LOW1": the first low pulse on, the second off as 65500.
        ecu->image[545] = 0x08;
        ecu->image[716] = 0xDC;
        ecu->image[717] = 0xFF;
        connectEcu();
        tick();
        tick();
        auto *heatMode = child<QComboBox>("ComboBoxHeatMode");
        QCOMPARE(heatMode->currentIndex(), 1);
        auto *grid = child<QTableWidget>("StringGridErrorMemory");
        QCOMPARE(cell(grid, 1, 1), QStringLiteral("1 ErrTr_H  - Reducer Temp. Error High"));
        auto *rpmSet = child<QComboBox>("ComboBoxRpmSet");
        QCOMPARE(rpmSet->currentIndex(), 3);
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("[F2]readings"));
        QVERIFY(!QFile::exists(lanTxt()));

        line->clearLog();
        QAction *german = child<QAction>("German1");
        QVERIFY(german->isEnabled() && german->isVisible());
        german->trigger();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));

        QCOMPARE(readAll(lanTxt()), QByteArray(1, '\x06'));
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("[F2]Messwerte"));
        QCOMPARE(child<QLabel>("LabelOdT")->text(), QStringLiteral("TEMPERATUR [°C]"));
        QCOMPARE(child<QPushButton>("ButtonErrorShow")->text(), QStringLiteral("Fehler anzeigen"));
        QCOMPARE(child<QMenu>("language1")->title(), QStringLiteral("Sprache"));
        // The items are German, the image's item stays chosen.
        QCOMPARE(rpmSet->itemText(0), QStringLiteral("1 Zündspule"));
        QCOMPARE(rpmSet->itemText(6), QStringLiteral("8 Zylinder"));
        QCOMPARE(rpmSet->currentIndex(), 3);
        QCOMPARE(heatMode->currentIndex(), 1);
        QCOMPARE(state->statusTexts.error, std::string("Fehler"));
        QCOMPARE(state->statusTexts.errorPres, std::string("Fehler Druck"));
        QCOMPARE(cell(grid, 1, 1), QStringLiteral("1 ErrTr_H  - Verdampfertemp. zu hoch"));
        QVERIFY(child<QPlainTextEdit>("RichEditAdapt")->toPlainText().startsWith(QStringLiteral("Adaption:")));
        // Not replaceable: German1 keeps its own caption.
        QCOMPARE(german->text(), QStringLiteral("German"));
        // Targets the window does not have are skipped, not reported as errors.
        const auto &report = form->languageMenu()->lastApply();
        QVERIFY(report.attempted);
        QVERIFY(report.applied > 100);
        qInfo("German: %d targets applied, %d skipped", report.applied, report.skipped);

        // Nothing went to the controller, and the next decode runs as before.
        QVERIFY(line->written().empty());
        tick();
        tick();
        QVERIFY(!line->written().empty());
        QVERIFY(state->session.conn.Connected);

        // Back to English: the English file's texts, "lan.txt" keeps one byte.
        child<QAction>("English1")->trigger();
        QCOMPARE(readAll(lanTxt()), QByteArray(1, '\x01'));
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("[F2]readings"));
        QCOMPARE(rpmSet->itemText(0), QStringLiteral("1 coil"));
        QCOMPARE(rpmSet->currentIndex(), 3);
    }

    // Every control the text table names is in the window under that name and shows what the loaded
    // file gives it: first German (so a text that never arrives cannot pass as the default), then
    // the shipped English file with a text for every id. Only the targets listed as absent are
    // left out, and those must really be absent.
    void everyControlTargetShowsTheLoadedText()
    {
        const QString dir = form->languageMenu()->languageDir();
        QVERIFY(!dir.isEmpty());
        const LanguageLoad english = loadLanguage(1, dir);
        QCOMPARE(english.status, LanguageLoad::Status::Loaded);
        for (int id : textIds())
            QVERIFY2(english.texts.count(id), qPrintable(QStringLiteral("ang.txt has no text for %1").arg(id)));

        for (const AbsentTarget &a : AbsentTargets) {
            QVERIFY2(!form->findChild<QObject *>(QString::fromLatin1(a.name)),
                qPrintable(QStringLiteral("%1 is in the window: take it off the absent list").arg(a.name)));
        }

        for (const int number : { 6, 1 }) {
            const LanguageLoad file = loadLanguage(number, dir);
            QCOMPARE(file.status, LanguageLoad::Status::Loaded);
            QVERIFY(writeFile(lanTxt(), QByteArray(1, static_cast<char>(number))));
            form->languageMenu()->LoadLanguage();
            QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));

            QStringList wrong;
            int checked = 0;
            for (const TextTarget &t : textTargets()) {
                if (!isControlTarget(t.kind) || absentReason(t.name))
                    continue;
                const auto text = file.texts.find(t.id);
                if (text == file.texts.end())
                    continue; // this language keeps the text it had
                const QStringList shown = shownTexts(t);
                const QString where = t.kind == TextTargetKind::ComboItem
                    ? QStringLiteral("%1 %2[%3]").arg(t.id).arg(t.name).arg(t.index)
                    : QStringLiteral("%1 %2 (%3)").arg(t.id).arg(t.name, kindName(t.kind));
                if (shown.isEmpty())
                    wrong << where + QStringLiteral(": no such control");
                for (const QString &s : shown) {
                    if (s != text->second)
                        wrong << where + QStringLiteral(": shows \"%1\", not \"%2\"").arg(s, text->second);
                }
                ++checked;
            }
            // One line each: the whole list is longer than a failure message holds.
            for (const QString &w : wrong)
                qWarning("%s", qPrintable(w));
            QVERIFY2(wrong.isEmpty(),
                qPrintable(QStringLiteral("language %1: %2 of %3 targets wrong (listed above)")
                               .arg(number)
                               .arg(wrong.size())
                               .arg(checked)));
        }
    }

    // The start-up load (what main() runs once the window exists) follows "lan.txt".
    void startUpLoadFollowsLanTxt_data()
    {
        QTest::addColumn<QByteArray>("lan");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("button");
        QTest::newRow("byte 2: Polish") << QByteArray("\x02rest ignored") << "[F2]odczyty"
                                        << "pokaż błędy";
        QTest::newRow("byte 6: German") << QByteArray(1, '\x06') << "[F2]Messwerte"
                                        << "Fehler anzeigen";
        QTest::newRow("the character 2: nothing") << QByteArray("2") << "[F2]readings"
                                                  << "ShowErrors";
        QTest::newRow("empty: nothing") << QByteArray() << "[F2]readings"
                                        << "ShowErrors";
        QTest::newRow("byte 3: Russian, no file") << QByteArray(1, '\x03') << "[F2]readings"
                                                  << "ShowErrors";
    }
    void startUpLoadFollowsLanTxt()
    {
        QFETCH(QByteArray, lan);
        QFETCH(QString, tab);
        QFETCH(QString, button);
        QVERIFY(writeFile(lanTxt(), lan));
        form->languageMenu()->LoadLanguage();
        QCOMPARE(tabText("TabSheet1"), tab);
        QCOMPARE(child<QPushButton>("ButtonErrorShow")->text(), button);
        // The start-up load never writes "lan.txt".
        QCOMPARE(readAll(lanTxt()), lan);
        if (lan == QByteArray(1, '\x03')) {
            // rus.txt is not shipped: "ERROR" and nothing applied.
            QCOMPARE(messages.size(), 1);
            QVERIFY(messages[0].startsWith(QStringLiteral("ERROR")));
        } else {
            QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        }
    }

    // Broken language files: what can be used is applied, the rest skipped; the window keeps working
    // and nothing reaches the controller.
    void brokenFilesLeaveTheWindowWorking_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("tab"); // TabSheet1's caption afterwards
        QTest::addColumn<bool>("message");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(static_cast<char>((i * 151 + 7) & 0xFF));
        QTest::newRow("binary") << binary << "[F2]readings" << true;
        QTest::newRow("binary after a good line") << (QByteArray("100001 good\n") + binary) << "good" << true;
        QTest::newRow("ids out of range")
            << QByteArray("000000 zero\n999999 nine\n100000 below\n101218 above\n100001 in range\n") << "in range"
            << false;
        QTest::newRow("a 10,000-character text")
            << (QByteArray("100001 ") + QByteArray(10000, 'x') + "\n100612 after\n") << "[F2]readings" << false;
        QTest::newRow("a combo item with a control character")
            << QByteArray("100474 bad\x01item\n100480 eight\n") << "[F2]readings" << false;
        QTest::newRow("NUL bytes and a cut-off last line")
            << QByteArray("100001 a\0b\n100001 tail", 22) << "tail" << false;
        QTest::newRow("missing file") << QByteArray() << "[F2]readings" << true;
    }
    void brokenFilesLeaveTheWindowWorking()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, tab);
        QFETCH(bool, message);
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkdir(QStringLiteral("lang")));
        if (QString(QTest::currentDataTag()) != QLatin1String("missing file"))
            QVERIFY(writeFile(data.filePath(QStringLiteral("lang/ger.txt")), file));
        form->languageMenu()->setDataRoot(data.path());
        connectEcu();
        auto *rpmSet = child<QComboBox>("ComboBoxRpmSet");
        const QStringList itemsBefore = [rpmSet] {
            QStringList l;
            for (int i = 0; i < rpmSet->count(); ++i)
                l << rpmSet->itemText(i);
            return l;
        }();
        const std::string errorBefore = state->statusTexts.error;
        line->clearLog();

        child<QAction>("German1")->trigger();

        QCOMPARE(readAll(lanTxt()), QByteArray(1, '\x06'));
        QCOMPARE(tabText("TabSheet1"), tab);
        QCOMPARE(messages.size(), message ? 1 : 0);
        if (message)
            QVERIFY(messages[0].startsWith(QStringLiteral("ERROR")));
        for (const QString &m : messages)
            QVERIFY(m.size() < 500);
        // Nothing beyond the valid lines changed: the status texts and the combo box's other items.
        QCOMPARE(state->statusTexts.error, errorBefore);
        QCOMPARE(rpmSet->count(), itemsBefore.size());
        QCOMPARE(rpmSet->currentIndex(), 3);
        QCOMPARE(rpmSet->itemText(0), itemsBefore[0]);
        if (QString(QTest::currentDataTag()).startsWith(QLatin1String("a combo item")))
            QCOMPARE(rpmSet->itemText(6), QStringLiteral("eight"));
        QVERIFY(line->written().empty());
        // The window still polls and switches pages.
        tick();
        tick();
        QVERIFY(!line->written().empty());
        child<QAction>("F3parameters1")->trigger();
        QCOMPARE(child<QTabWidget>("PageControl1")->currentWidget(), child<QWidget>("TabSheet2"));
    }

    // A control a target names that is not in the window is skipped without a message.
    void aMissingControlIsSkippedSilently()
    {
        delete child<QPushButton>("ButtonErrorShow");
        child<QAction>("German1")->trigger();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QVERIFY(form->languageMenu()->lastApply().skippedTargets.contains(QStringLiteral("ButtonErrorShow")));
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("[F2]Messwerte"));
    }

    // "lan.txt" that cannot be written: the choice is not stored, a message says so, and the
    // language "lan.txt" names is loaded (English: there is none).
    void aChoiceThatCannotBeStored()
    {
        QVERIFY(QDir(startDir->path()).mkdir(QStringLiteral("lan.txt")));
        child<QAction>("German1")->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("lan.txt")));
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("[F2]readings"));
    }

    // A language file in the start directory's "lang" wins over the one next to the program; a menu
    // item whose file is in no folder is disabled, so no failing choice is stored.
    void startDirectoryLanguagesWinAndMissingOnesAreDisabled()
    {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir(QStringLiteral("lang")));
        QVERIFY(writeFile(program.filePath(QStringLiteral("lang/ger.txt")), "100001 from the program\n"));
        QVERIFY(writeFile(program.filePath(QStringLiteral("lang/ang.txt")), "100001 English\n"));
        form->languageMenu()->setDataRoot(program.path());
        form->languageMenu()->LoadLanguage();
        QVERIFY(child<QAction>("German1")->isEnabled());
        QVERIFY(child<QAction>("English1")->isEnabled());
        for (const char *missing : { "Polish1", "Lithuanian1", "Spain1", "Slovakia1" })
            QVERIFY2(!child<QAction>(missing)->isEnabled(), missing);
        child<QAction>("Spain1")->trigger(); // disabled: nothing happens
        QVERIFY(!QFile::exists(lanTxt()));

        child<QAction>("German1")->trigger();
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("from the program"));

        QVERIFY(QDir(startDir->path()).mkdir(QStringLiteral("lang")));
        QVERIFY(writeFile(startDir->filePath(QStringLiteral("lang/ger.txt")), "100001 from the start directory\n"));
        form->languageMenu()->LoadLanguage();
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("from the start directory"));
        // English is looked for on its own, and found next to the program.
        QVERIFY(child<QAction>("English1")->isEnabled());
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    }

    // The hidden items choose nothing.
    void russianAndThaiAreHidden()
    {
        for (const char *name : { "Russian1", "Thai1" }) {
            QAction *a = child<QAction>(name);
            QVERIFY(!a->isVisible());
            a->trigger();
        }
        QVERIFY(!QFile::exists(lanTxt()));
        QCOMPARE(tabText("TabSheet1"), QStringLiteral("[F2]readings"));
    }

    void helpOpensTheSchFolder()
    {
        QList<QUrl> opened;
        bool result = true;
        rig.user.openFolderAnswer = [&](const QUrl &url) {
            opened << url;
            return result;
        };
        child<QAction>("help1")->trigger();
        QCOMPARE(opened.size(), 1);
        const QString expected
            = QFileInfo(findDataDir(QCoreApplication::applicationDirPath(), QStringLiteral("sch"))).absoluteFilePath();
        QVERIFY(!expected.isEmpty());
        QCOMPARE(opened[0], QUrl::fromLocalFile(expected));
        QVERIFY(messages.isEmpty());

        // The browser refused: the fitter is told.
        result = false;
        child<QAction>("help1")->trigger();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(expected));

        // No folder: a clear message, nothing opened.
        QTemporaryDir empty;
        form->languageMenu()->setDataRoot(empty.path());
        if (!form->languageMenu()->helpDir().isEmpty())
            QSKIP("an installed help folder exists on this machine");
        messages.clear();
        child<QAction>("help1")->trigger();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("\"sch\" was not found")));
    }
};

QTEST_MAIN(TstLanguage)
#include "tst_language.moc"
