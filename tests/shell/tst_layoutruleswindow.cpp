// The resize rules of the parameter pages' scroll boxes in the window: whenever the window is
// resized, the sections of "podstawowe" take the width V of the parameters tab - 40 and those of
// "zaawansowane" the width of their scroll box - 40 (at least 557), and every expand mark sits at
// left V - 51 in its scroll box, clear of the header's other controls. The translated texts fit the
// sections at the default size (and a screenshot of the German page when
// KELVANE_LAYOUT_SCREENSHOTS names a folder).
#include "../support/WindowRig.h"
#include "AppState.h"
#include "LanguageMenu.h"
#include "LayoutRules.h"
#include "MainWindow.h"
#include "ScriptedSerial.h"
#include "Simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kelvane;

class TstLayoutRulesWindow : public QObject {
    Q_OBJECT

    test::WindowRig rig;
    std::unique_ptr<ScriptedSerial> &line = rig.line;
    std::unique_ptr<AppState> &state = rig.state;
    std::unique_ptr<TForm1> &form = rig.form;
    QStringList &messages = rig.messages;

    template <class T> T *child(const QString &name)
    {
        T *w = form->findChild<T *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }

private slots:
    void init()
    {
        // The simulated controller on the scripted line, on its virtual clock: live readings in
        // the side strip, the same in every run.
        test::WindowRig::Options options;
        options.controller = test::WindowRig::Controller::SimulatorOnScriptedLine;
        QVERIFY2(rig.start(options), rig.error.c_str());
    }
    void cleanup() { rig.stop(); }

    // One window taken through the default size, a large one and back: the rule must follow every
    // resize, for the page in front and for the one shown later.
    void sectionsAndMarksFollowTheScrollBoxes()
    {
        form->F3parameters1Click();
        auto *pages = child<QTabWidget>(QStringLiteral("PageControlParametry"));
        struct Page {
            const char *scroll;
            const char *shape;
            const char *box;
            int count;
        };
        const Page sheets[2]
            = { { "ScrollBox2", "ShapePar", "GroupBoxPar", 6 }, { "ScrollBox1", "ShapeAdv", "GroupBoxAdv", 8 } };
        auto markName = [](int page, int n) {
            if (page == 0)
                return QStringLiteral("LabelParP%1").arg(n);
            return n == 1 ? QStringLiteral("LabelR0") : QStringLiteral("LabelAdvR%1").arg(n - 1);
        };

        QList<int> widths[2];
        for (const QSize size : { QSize(809, 650), QSize(1600, 1000), QSize(809, 650) }) {
            form->resizeOuter(size.width(), size.height());
            QTRY_COMPARE(form->frameGeometry().size(), size);
            for (int page : { 1, 0 }) {
                pages->setCurrentIndex(page);
                const Page &p = sheets[page];
                // Open every section, so every group box is laid out.
                for (int n = 1; n <= p.count; ++n) {
                    auto *mark = child<QLabel>(markName(page, n));
                    if (mark->text() == QLatin1String("- >>>>"))
                        QTest::mouseClick(mark, Qt::LeftButton);
                    QCOMPARE(mark->text(), QStringLiteral("- <<<<"));
                }
                QApplication::processEvents();
                auto *scroll = child<QScrollArea>(QString::fromLatin1(p.scroll));
                const int measured = page == 0 ? child<QWidget>(QStringLiteral("TabSheet2"))->width() : scroll->width();
                const int v = std::max(557, measured - 40);
                widths[page] << v;
                QWidget *content = scroll->widget();
                for (int n = 1; n <= p.count; ++n) {
                    const QString what = QStringLiteral("%1x%2 %3%4")
                                             .arg(size.width())
                                             .arg(size.height())
                                             .arg(QLatin1String(p.box))
                                             .arg(n);
                    auto *box = child<QGroupBox>(QLatin1String(p.box) + QString::number(n));
                    auto *shape = child<QWidget>(QLatin1String(p.shape) + QString::number(n));
                    auto *mark = child<QLabel>(markName(page, n));
                    QVERIFY2(
                        box->width() == v, qPrintable(what + QStringLiteral(": %1 != %2").arg(box->width()).arg(v)));
                    QVERIFY2(shape->width() == v, qPrintable(what));
                    QVERIFY2(mark->mapTo(content, QPoint(0, 0)).x() == v - 51,
                        qPrintable(what + QStringLiteral(": mark at %1").arg(mark->mapTo(content, QPoint(0, 0)).x())));
                    // The mark lies inside its shape and nothing else of the header reaches it.
                    QVERIFY2(
                        mark->parentWidget() == shape && shape->rect().contains(mark->geometry()), qPrintable(what));
                    for (QWidget *w : shape->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                        if (w != mark && w->isVisibleTo(shape))
                            QVERIFY2(w->geometry().right() < mark->x(), qPrintable(what + w->objectName()));
                    }
                }
            }
        }
        // The default size stays at the minimum width or close to it; the large one is wider.
        for (int page = 0; page < 2; ++page) {
            QVERIFY(widths[page][0] < 620);
            QVERIFY(widths[page][1] > 1000);
            QCOMPARE(widths[page][2], widths[page][0]);
        }
        qInfo("V at 809 x 650: %d (podstawowe), %d (zaawansowane); at 1600 x 1000: %d, %d", widths[0][0], widths[1][0],
            widths[0][1], widths[1][1]);
    }

    // Every translation on a connected controller at the default size: every caption, heading and
    // check box of both parameter pages shows its whole text, inside its section, and no header
    // text runs into the expand mark.
    void translatedSectionsFitAtTheDefaultSize_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("screenshot");
        QTest::newRow("Polish") << 2 << "parameters-polish-809x650.png";
        QTest::newRow("German") << 6 << "parameters-german-809x650.png";
        QTest::newRow("Lithuanian") << 5 << "parameters-lithuanian-809x650.png";
        QTest::newRow("Spanish") << 7 << "parameters-spanish-809x650.png";
        QTest::newRow("Slovak") << 8 << "parameters-slovak-809x650.png";
    }
    void translatedSectionsFitAtTheDefaultSize()
    {
        QFETCH(int, language);
        QFETCH(QString, screenshot);
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        for (int i = 0; i < 40; ++i) {
            form->Timer1Timer();
            line->advance(70);
        }
        QTemporaryDir start;
        QVERIFY(start.isValid());
        QFile lan(start.filePath(QStringLiteral("lan.txt")));
        QVERIFY(lan.open(QIODevice::WriteOnly) && lan.putChar(static_cast<char>(language)));
        lan.close();
        state->startDirectory = start.path().toStdString();
        form->languageMenu()->LoadLanguage();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QVERIFY(form->languageMenu()->lastApply().applied > 200);

        form->resizeOuter(809, 650);
        QTRY_COMPARE(form->frameGeometry().size(), QSize(809, 650));
        form->F3parameters1Click();
        auto *pages = child<QTabWidget>(QStringLiteral("PageControlParametry"));
        QStringList clipped;
        for (int page : { 1, 0 }) {
            pages->setCurrentIndex(page);
            QWidget *content = child<QScrollArea>(QLatin1String(page == 0 ? "ScrollBox2" : "ScrollBox1"))->widget();
            for (QLabel *mark : content->findChildren<QLabel *>()) {
                if (mark->text() == QLatin1String("- >>>>"))
                    QTest::mouseClick(mark, Qt::LeftButton);
            }
            QApplication::processEvents();
            for (QWidget *w : content->findChildren<QWidget *>()) {
                auto *label = qobject_cast<QLabel *>(w);
                auto *check = qobject_cast<QCheckBox *>(w);
                if ((!label && !check) || !w->isVisibleTo(content) || (label && label->text().isEmpty()))
                    continue;
                const QString text = label ? label->text() : check->text();
                const QString what = QStringLiteral("%1 \"%2\"").arg(w->objectName(), text);
                if (w->width() < w->sizeHint().width())
                    clipped << what + QStringLiteral(": %1 of %2 pixels").arg(w->width()).arg(w->sizeHint().width());
                if (!w->parentWidget()->rect().contains(w->geometry()))
                    clipped << what + QStringLiteral(": outside its section");
            }
            for (QLabel *mark : content->findChildren<QLabel *>()) {
                if (mark->text() != QLatin1String("- <<<<"))
                    continue;
                for (QWidget *w :
                    mark->parentWidget()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                    if (w != mark && w->isVisibleTo(content) && w->geometry().right() >= mark->x())
                        clipped << w->objectName() + QStringLiteral(": runs into the mark");
                }
            }
        }
        for (const QString &c : clipped)
            qWarning("%s", qPrintable(c));
        QVERIFY2(clipped.isEmpty(), qPrintable(QStringLiteral("%1 texts clipped (listed above)").arg(clipped.size())));

        const QString folder = qEnvironmentVariable("KELVANE_LAYOUT_SCREENSHOTS");
        if (!folder.isEmpty()) {
            // "podstawowe" from the top, with its sections open.
            pages->setCurrentIndex(0);
            child<QScrollArea>(QStringLiteral("ScrollBox2"))->verticalScrollBar()->setValue(0);
            QApplication::processEvents();
            QVERIFY(form->grab().save(QDir(folder).filePath(screenshot)));
        }
    }
};

QTEST_MAIN(TstLayoutRulesWindow)
#include "tst_layoutruleswindow.moc"
