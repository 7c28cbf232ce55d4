#include "FocusLossNotifier.h"
#include "PaintHelpers.h"
#include "TAb180Meter.h"
#include "TAb270Meter.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"
#include "TAbNumSpin.h"
#include "TAbToggleSwitch.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

bool isReddish(QRgb c)
{
    return qRed(c) > 150 && qGreen(c) < 100 && qBlue(c) < 100;
}

int countPixels(const QImage &img, const std::function<bool(QRgb)> &match)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += match(img.pixel(x, y)) ? 1 : 0;
    return n;
}

bool near(QRgb c, const QColor &want, int tol = 40)
{
    return std::abs(qRed(c) - want.red()) <= tol && std::abs(qGreen(c) - want.green()) <= tol
        && std::abs(qBlue(c) - want.blue()) <= tol;
}

QImage render(QWidget &w, QSize size)
{
    w.resize(size);
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT
private slots:
    void valueIsClampedToTheRange_data();
    void valueIsClampedToTheRange();
    void narrowingTheRangeClampsTheValue();
    void barWithZeroWidthRangeStaysEmpty();

    void numSpinEmitsOnlyOnUserActions();
    void numSpinClampsSilently();
    void numSpinHoldsTheExactValueUntilEdited();
    void toggleSwitchFlipsThenEmitsOnClickOnly();
    void colBitBtnClickEmitsAndKeepsState();
    void colBitBtnReleaseOutsideIsNoClick();
    void ledClickEmitsClicked();
    void ledBlinkTimerRunsOnlyWhileFlashing();

    void focusLossNotifierReportsTheControlLeft();
    void focusLossNotifierIgnoresPopupsAndInnerMoves();

    void meter270NeedleFollowsTheValue();
    void meter180NeedleFollowsTheValue();
    void barFillFollowsTheValue_data();
    void barFillFollowsTheValue();
    void cachedFaceFollowsRangeUnitAndCaption();
    void ledShowsStateColourWhenLit();
    void numberOverTheTroughReadsOnBothParts();
    void numbersFromGlyphsLookAsDrawTextDrawsThem_data();
    void numbersFromGlyphsLookAsDrawTextDrawsThem();
    void colBitBtnTextTakesTheStateColour();
    void toggleSwitchKnobMoves();
    void numSpinShowsItsValue();
};

// One row per widget kind: setValue(x) must read back as the clamped value.
void TestWidgets::valueIsClampedToTheRange_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("set");
    QTest::addColumn<double>("expected");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const char *kind : { "270", "180", "bar", "spin" }) {
        const QString k = QString::fromLatin1(kind);
        QTest::addRow("%s inside", kind) << k << 0.0 << 8.0 << 2.5 << 2.5;
        QTest::addRow("%s below", kind) << k << 0.0 << 8.0 << -1.0 << 0.0;
        QTest::addRow("%s above", kind) << k << 0.0 << 8.0 << 9.5 << 8.0;
        QTest::addRow("%s negative range", kind) << k << -40.0 << 150.0 << -60.0 << -40.0;
        QTest::addRow("%s NaN", kind) << k << 1.0 << 3.0 << nan << 1.0;
    }
}

void TestWidgets::valueIsClampedToTheRange()
{
    QFETCH(QString, kind);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, set);
    QFETCH(double, expected);
    double got = -12345;
    if (kind == "270" || kind == "180") {
        std::unique_ptr<TAbMeterBase> m;
        if (kind == "270")
            m.reset(new TAb270Meter);
        else
            m.reset(new TAb180Meter);
        m->setRange(min, max);
        m->setValue(set);
        got = m->value();
    } else if (kind == "bar") {
        TAbBar b;
        b.setRange(min, max);
        b.setValue(set);
        got = b.value();
    } else {
        TAbNumSpin s;
        s.setDecimals(2);
        s.setRange(min, max);
        s.setValue(set);
        got = s.value();
    }
    QCOMPARE(got, expected);
}

void TestWidgets::narrowingTheRangeClampsTheValue()
{
    TAb270Meter m;
    m.setRange(0, 8);
    m.setValue(7);
    m.setRange(0, 5);
    QCOMPARE(m.value(), 5.0);
    TAbBar b;
    b.setRange(0, 35);
    b.setValue(30);
    b.setRange(0, 0);
    QCOMPARE(b.value(), 0.0);
}

void TestWidgets::barWithZeroWidthRangeStaysEmpty()
{
    // Lambda type "n/c": both bars get the range 0 to 0 and must neither divide by zero nor fill.
    TAbBar bar;
    bar.setBarColor(QColor(0, 0, 255));
    bar.setRange(0, 0);
    bar.setValue(0.9);
    QCOMPARE(bar.value(), 0.0);
    const QImage img = render(bar, QSize(40, 200));
    const int blue = countPixels(img, [](QRgb c) { return qBlue(c) > 150 && qRed(c) < 90 && qGreen(c) < 90; });
    QCOMPARE(blue, 0);
}

void TestWidgets::numSpinEmitsOnlyOnUserActions()
{
    TAbNumSpin spin;
    spin.setRange(0, 100);
    spin.setStep(5);
    QSignalSpy changed(&spin, &TAbNumSpin::changed);

    spin.setValue(40);
    spin.setValue(40.0);
    spin.setValue(1000);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(spin.value(), 100.0);

    spin.setValue(40);
    QTest::keyClick(spin.spinBox(), Qt::Key_Up); // arrow key steps by the step
    QCOMPARE(changed.count(), 1);
    QCOMPARE(spin.value(), 45.0);

    spin.spinBox()->stepDown(); // what the arrow button does
    QCOMPARE(changed.count(), 2);
    QCOMPARE(spin.value(), 40.0);

    spin.spinBox()->selectAll();
    QTest::keyClicks(spin.spinBox(), "72");
    QVERIFY(changed.count() >= 3);
    QCOMPARE(spin.value(), 72.0);

    const int before = changed.count();
    spin.setValue(10);
    QCOMPARE(changed.count(), before);
}

void TestWidgets::numSpinClampsSilently()
{
    TAbNumSpin spin;
    spin.setDecimals(1);
    spin.setRange(0, 50);
    spin.setValue(42.5);
    QSignalSpy changed(&spin, &TAbNumSpin::changed);
    spin.setRange(0, 20); // pushes the value down to 20
    spin.setDecimals(0); // rounds 20.0: no change, no event either way
    spin.setStep(2);
    QCOMPARE(spin.value(), 20.0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(spin.maximum(), 20.0);
    QCOMPARE(spin.step(), 2.0);
}

void TestWidgets::numSpinHoldsTheExactValueUntilEdited()
{
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    auto *spin = new TAbNumSpin;
    auto *other = new QLineEdit;
    layout->addWidget(spin);
    layout->addWidget(other);
    spin->setDecimals(2);
    spin->setRange(0, 5);
    spin->setStep(0.05);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy changed(spin, &TAbNumSpin::changed);

    // 98 level counts read 0.11956 V: shown as 0.12, held as 0.11956.
    spin->setValue(0.11956);
    QCOMPARE(spin->spinBox()->text(), QLocale().toString(0.12, 'f', 2));
    QCOMPARE(spin->value(), 0.11956);
    QVERIFY(!spin->isEdited());
    // In and out again without a change: still the exact value, no event.
    spin->setFocus(Qt::TabFocusReason);
    QVERIFY(spin->spinBox()->hasFocus());
    other->setFocus(Qt::TabFocusReason);
    QCOMPARE(spin->value(), 0.11956);
    QVERIFY(!spin->isEdited());
    QCOMPARE(changed.count(), 0);
    // More decimals show more of the held value; fewer hide it again; the value stays.
    spin->setDecimals(4);
    QCOMPARE(spin->spinBox()->text(), QLocale().toString(0.1196, 'f', 4));
    spin->setDecimals(2);
    QCOMPARE(spin->value(), 0.11956);
    // A narrower range moves the held value in.
    spin->setRange(0.5, 5);
    QCOMPARE(spin->value(), 0.5);
    QVERIFY(!spin->isEdited());
    spin->setRange(0, 5);
    spin->setValue(0.11956);

    // The fitter steps it: the shown value plus a step, and the control is edited.
    QTest::keyClick(spin->spinBox(), Qt::Key_Up);
    QCOMPARE(changed.count(), 1);
    QVERIFY(spin->isEdited());
    QCOMPARE(spin->value(), 0.17);
    // Typing the shown text again is an edit too: the value is what was typed.
    spin->setValue(0.11834);
    spin->spinBox()->selectAll();
    QTest::keyClicks(spin->spinBox(), QLocale().toString(0.12, 'f', 2));
    QVERIFY(spin->isEdited());
    QCOMPARE(spin->value(), 0.12);
    // Set from code again: held and not edited.
    spin->setValue(4.20001);
    QVERIFY(!spin->isEdited());
    QCOMPARE(spin->value(), 4.20001);
    // Outside the range it holds the nearer end.
    spin->setValue(80);
    QCOMPARE(spin->value(), 5.0);
}

void TestWidgets::toggleSwitchFlipsThenEmitsOnClickOnly()
{
    TAbToggleSwitch sw;
    sw.resize(46, 24);
    QSignalSpy clicked(&sw, &TAbToggleSwitch::clicked);
    sw.setOn(true);
    sw.setOn(false);
    QCOMPARE(clicked.count(), 0);

    bool stateSeenBySlot = false;
    connect(&sw, &TAbToggleSwitch::clicked, this, [&] { stateSeenBySlot = sw.isOn(); });
    QTest::mouseClick(&sw, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(sw.isOn());
    QVERIFY(stateSeenBySlot); // flipped before the signal

    QTest::keyClick(&sw, Qt::Key_Space);
    QCOMPARE(clicked.count(), 2);
    QVERIFY(!sw.isOn());
    QVERIFY(!stateSeenBySlot);

    QTest::mouseClick(&sw, Qt::RightButton);
    QCOMPARE(clicked.count(), 2);
}

void TestWidgets::colBitBtnClickEmitsAndKeepsState()
{
    TAbColBitBtn btn;
    btn.resize(40, 20);
    QSignalSpy clicked(&btn, &TAbColBitBtn::clicked);
    btn.setOn(true);
    QCOMPARE(btn.currentText(), QString("on"));
    btn.setOn(false);
    QCOMPARE(btn.currentText(), QString("off"));
    QCOMPARE(clicked.count(), 0);

    QTest::mouseClick(&btn, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!btn.isOn());
    btn.setOn(true);
    QTest::mouseClick(&btn, Qt::LeftButton);
    QCOMPARE(clicked.count(), 2);
    QVERIFY(btn.isOn());
    QTest::keyClick(&btn, Qt::Key_Space);
    QCOMPARE(clicked.count(), 3);
    QVERIFY(btn.isOn());
}

void TestWidgets::colBitBtnReleaseOutsideIsNoClick()
{
    TAbColBitBtn btn;
    btn.resize(40, 20);
    QSignalSpy clicked(&btn, &TAbColBitBtn::clicked);
    QTest::mousePress(&btn, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&btn, Qt::LeftButton, {}, QPoint(100, 10));
    QCOMPARE(clicked.count(), 0);
}

void TestWidgets::ledClickEmitsClicked()
{
    TAbLED led;
    led.resize(80, 20);
    QSignalSpy clicked(&led, &TAbLED::clicked);
    led.setChecked(true);
    led.setStatusInt(1);
    led.setFlashing(false);
    led.setCaption("error");
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(&led, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

void TestWidgets::ledBlinkTimerRunsOnlyWhileFlashing()
{
    TAbLED led;
    led.setChecked(false);
    led.show();
    QVERIFY(QTest::qWaitForWindowExposed(&led));
    auto activeTimers = [&] {
        int n = 0;
        for (QTimer *t : led.findChildren<QTimer *>())
            n += t->isActive() ? 1 : 0;
        return n;
    };
    QCOMPARE(activeTimers(), 0);
    QVERIFY(!led.isLitNow());

    led.setFlashing(true);
    QCOMPARE(activeTimers(), 1);
    QVERIFY(led.isLitNow()); // a flashing lamp starts lit even when unchecked
    // one blink period later the lamp is dark
    QTimer *t = led.findChild<QTimer *>();
    QVERIFY(t);
    QCOMPARE(t->interval(), TAbLED::BlinkIntervalMs);
    QMetaObject::invokeMethod(t, "timeout", Qt::DirectConnection);
    QVERIFY(!led.isLitNow());

    led.hide();
    QCOMPARE(activeTimers(), 0);
    led.show();
    QCOMPARE(activeTimers(), 1);

    led.setFlashing(false);
    QCOMPARE(activeTimers(), 0);
    QVERIFY(!led.isLitNow());
    led.setChecked(true);
    QVERIFY(led.isLitNow());
}

void TestWidgets::focusLossNotifierReportsTheControlLeft()
{
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    auto *spin1 = new TAbNumSpin;
    auto *spin2 = new TAbNumSpin;
    auto *combo = new QComboBox;
    combo->addItems({ "a", "b" });
    auto *other = new QLineEdit; // not watched
    layout->addWidget(spin1);
    layout->addWidget(spin2);
    layout->addWidget(combo);
    layout->addWidget(other);

    FocusLossNotifier notifier;
    notifier.watch(spin1);
    notifier.watch(spin2);
    notifier.watch(combo);
    QSignalSpy lost(&notifier, &FocusLossNotifier::focusLost);

    window.show();
    QApplication::setActiveWindow(&window);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    spin1->setFocus(Qt::TabFocusReason);
    QVERIFY(spin1->spinBox()->hasFocus());
    QCOMPARE(lost.count(), 0);

    spin2->setFocus(Qt::TabFocusReason);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).value<QWidget *>(), static_cast<QWidget *>(spin1));

    combo->setFocus(Qt::MouseFocusReason);
    QCOMPARE(lost.count(), 2);
    QCOMPARE(lost.at(1).at(0).value<QWidget *>(), static_cast<QWidget *>(spin2));

    other->setFocus(Qt::TabFocusReason);
    QCOMPARE(lost.count(), 3);
    QCOMPARE(lost.at(2).at(0).value<QWidget *>(), static_cast<QWidget *>(combo));

    // leaving an unwatched widget reports nothing
    spin1->setFocus(Qt::TabFocusReason);
    QCOMPARE(lost.count(), 3);

    // an editor made after watch() is covered too
    combo->setEditable(true);
    combo->setFocus(Qt::TabFocusReason);
    QCOMPARE(lost.count(), 4); // spin1 left
    other->setFocus(Qt::TabFocusReason);
    QCOMPARE(lost.count(), 5);
    QCOMPARE(lost.at(4).at(0).value<QWidget *>(), static_cast<QWidget *>(combo));
}

void TestWidgets::focusLossNotifierIgnoresPopupsAndInnerMoves()
{
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    auto *spin = new TAbNumSpin;
    auto *combo = new QComboBox;
    combo->addItems({ "a", "b", "c" });
    auto *other = new QLineEdit;
    layout->addWidget(spin);
    layout->addWidget(combo);
    layout->addWidget(other);
    FocusLossNotifier notifier;
    notifier.watch(spin);
    notifier.watch(combo);
    QSignalSpy lost(&notifier, &FocusLossNotifier::focusLost);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Opening a combo box's list moves the focus into the popup: that is not leaving the combo box.
    combo->setFocus(Qt::TabFocusReason);
    lost.clear(); // the window gave its first focus to the spin edit
    combo->showPopup();
    QVERIFY(combo->view()->isVisible());
    combo->hidePopup();
    QCOMPARE(lost.count(), 0);

    spin->setFocus(Qt::TabFocusReason);
    QCOMPARE(lost.count(), 1); // the combo box was left
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && spin->isAncestorOf(editor));

    // A focus-out while the focus stays inside the control (its own spin box) is no loss.
    spin->spinBox()->setFocus(Qt::OtherFocusReason);
    QFocusEvent inner(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(editor, &inner);
    QCOMPARE(lost.count(), 1);

    // With the focus elsewhere, focus-outs for a popup, a menu or the window losing activation are
    // still no loss (sent directly, as the platform would send them).
    other->setFocus(Qt::MouseFocusReason);
    QCOMPARE(lost.count(), 2);
    for (Qt::FocusReason reason : { Qt::PopupFocusReason, Qt::ActiveWindowFocusReason, Qt::MenuBarFocusReason }) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(editor, &out);
    }
    QCOMPARE(lost.count(), 2);

    // a destroyed control is forgotten, not dereferenced
    const QWidget *gone = spin;
    QVERIFY(notifier.isWatched(gone));
    delete spin;
    QVERIFY(!notifier.isWatched(gone));
    combo->setFocus(Qt::TabFocusReason);
    other->setFocus(Qt::TabFocusReason);
    QCOMPARE(lost.count(), 3);
}

// The needle of the 270-degree dial points down-left at the minimum and down-right at the maximum.
// At 200 x 200 the dial is drawn 1:1 with the pivot in the middle.
void TestWidgets::meter270NeedleFollowsTheValue()
{
    TAb270Meter m;
    m.setRange(0, 8);
    const double r = 50 / std::sqrt(2.0);
    const QPoint downLeft(qRound(100 - r), qRound(100 + r));
    const QPoint downRight(qRound(100 + r), qRound(100 + r));

    m.setValue(0);
    QCOMPARE(m.needleRotation(), -135.0);
    QImage img = render(m, QSize(200, 200));
    QVERIFY(isReddish(img.pixel(downLeft)));
    QVERIFY(!isReddish(img.pixel(downRight)));

    m.setValue(8);
    img = render(m, QSize(200, 200));
    QVERIFY(!isReddish(img.pixel(downLeft)));
    QVERIFY(isReddish(img.pixel(downRight)));
}

// The 180-degree dial: pivot at (100, 100) when drawn 1:1 (200 x 155); needle left at min, right at max.
void TestWidgets::meter180NeedleFollowsTheValue()
{
    TAb180Meter m;
    m.setRange(0.001, 3);
    m.setUnit("P[Bar]");
    m.setValue(0);
    QImage img = render(m, QSize(200, 155));
    QVERIFY(isReddish(img.pixel(50, 100)));
    QVERIFY(!isReddish(img.pixel(150, 100)));
    m.setValue(3);
    img = render(m, QSize(200, 155));
    QVERIFY(!isReddish(img.pixel(50, 100)));
    QVERIFY(isReddish(img.pixel(150, 100)));
    m.setValue(1.5);
    img = render(m, QSize(200, 155));
    QVERIFY(isReddish(img.pixel(100, 50))); // straight up
}

void TestWidgets::barFillFollowsTheValue_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("caption");
    QTest::newRow("vertical with caption and scale") << int(Qt::Vertical) << QSize(60, 200) << "TR";
    QTest::newRow("vertical narrow") << int(Qt::Vertical) << QSize(22, 100) << "";
    QTest::newRow("horizontal strip") << int(Qt::Horizontal) << QSize(70, 14) << "";
    QTest::newRow("horizontal with scale") << int(Qt::Horizontal) << QSize(200, 40) << "LAMBDA [V]";
}

// Filled up to the value from the minimum end: half way, the pixel a quarter from the start is the bar
// colour and the one a quarter from the end is not; at the minimum neither is, at the maximum both are.
void TestWidgets::barFillFollowsTheValue()
{
    QFETCH(int, orientation);
    QFETCH(QSize, size);
    QFETCH(QString, caption);
    TAbBar bar;
    bar.setOrientation(Qt::Orientation(orientation));
    bar.setCaption(caption);
    bar.setRange(-40, 150);
    bar.setBarColor(QColor(0, 0, 255));
    bar.resize(size);
    const QRectF t = bar.troughRect();
    QVERIFY(t.width() >= 4 && t.height() >= 4);
    QVERIFY(QRectF(bar.rect()).contains(t));
    const bool vertical = orientation == Qt::Vertical;
    const QPoint nearStart = vertical ? QPointF(t.center().x(), t.bottom() - t.height() / 4).toPoint()
                                      : QPointF(t.left() + t.width() / 4, t.center().y() - 1).toPoint();
    const QPoint nearEnd = vertical ? QPointF(t.center().x(), t.top() + t.height() / 4).toPoint()
                                    : QPointF(t.right() - t.width() / 4, t.center().y() - 1).toPoint();
    auto isBlue = [](QRgb c) { return qBlue(c) > 150 && qRed(c) < 110 && qGreen(c) < 110; };

    bar.setValue(55);
    QImage img = render(bar, size);
    QVERIFY(isBlue(img.pixel(nearStart)));
    QVERIFY(!isBlue(img.pixel(nearEnd)));
    bar.setValue(-40);
    img = render(bar, size);
    QVERIFY(!isBlue(img.pixel(nearStart)));
    QVERIFY(!isBlue(img.pixel(nearEnd)));
    bar.setValue(150);
    img = render(bar, size);
    QVERIFY(isBlue(img.pixel(nearStart)));
    QVERIFY(isBlue(img.pixel(nearEnd)));
}

// Scale, unit and caption are drawn once and kept: each change of them must show on the next paint.
// The value stays at the minimum, so the needle and fill do not move and only the static layer differs.
void TestWidgets::cachedFaceFollowsRangeUnitAndCaption()
{
    auto grab = [](QWidget &w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    TAb270Meter m;
    m.resize(200, 200);
    m.setRange(0, 8);
    m.setValue(0);
    grab(m); // the first grab polishes the widget and delivers its pending resize
    const QImage first = grab(m);
    QCOMPARE(grab(m), first); // nothing changed, same picture
    m.setRange(0, 80);
    m.setValue(0);
    const QImage widerRange = grab(m);
    QVERIFY(widerRange != first);
    m.setUnit("RPMx1000");
    const QImage withUnit = grab(m);
    QVERIFY(withUnit != widerRange);
    m.setDecimals(0); // the value box is sized for the range's widest number
    QVERIFY(grab(m) != withUnit);

    TAbBar bar;
    bar.resize(60, 200);
    bar.setRange(0, 5);
    grab(bar);
    const QImage plain = grab(bar);
    bar.setCaption("abs.");
    const QImage captioned = grab(bar);
    QVERIFY(captioned != plain);
    bar.setRange(0, 3);
    QVERIFY(grab(bar) != captioned);
}

void TestWidgets::ledShowsStateColourWhenLit()
{
    TAbLED led;
    const QPoint centre(10, 10);
    led.setChecked(true);
    QImage img = render(led, QSize(20, 20));
    const QRgb greenLit = img.pixel(centre + QPoint(2, 2));
    QVERIFY(qGreen(greenLit) > 150 && qRed(greenLit) < 120);

    led.setStatusInt(1);
    img = render(led, QSize(20, 20));
    QVERIFY(isReddish(img.pixel(centre + QPoint(2, 2))));

    led.setChecked(false);
    img = render(led, QSize(20, 20));
    const QRgb dark = img.pixel(centre + QPoint(2, 2));
    QVERIFY(qRed(dark) < 120 && qGreen(dark) < 120);

    led.setStatusInt(0);
    led.setLedColor(QColor(0, 0, 255));
    led.setChecked(true);
    img = render(led, QSize(20, 20));
    const QRgb blue = img.pixel(centre + QPoint(2, 2));
    QVERIFY(qBlue(blue) > 150 && qRed(blue) < 100);
}

// A bar too narrow for its number beside the trough draws it over the trough: dark where the bar
// is empty, white where it is filled, and both when the fill ends inside the number.
void TestWidgets::numberOverTheTroughReadsOnBothParts()
{
    TAbBar bar;
    bar.setOrientation(Qt::Horizontal);
    bar.setRange(0, 10);
    bar.setDecimals(2);
    bar.setBarColor(QColor(0, 0, 255));
    const QSize size(70, 22);
    bar.resize(size);
    const QRect trough = bar.troughRect().toAlignedRect().adjusted(2, 2, -2, -2);
    auto count = [&](double value) {
        bar.setValue(value);
        const QImage img = render(bar, size);
        int dark = 0, white = 0;
        for (int y = trough.top(); y <= trough.bottom(); ++y)
            for (int x = trough.left(); x <= trough.right(); ++x) {
                const QRgb c = img.pixel(x, y);
                dark += qRed(c) < 70 && qGreen(c) < 70 && qBlue(c) < 70; // not the blue fill
                white += qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235;
            }
        return std::make_pair(dark, white);
    };
    const auto [emptyDark, emptyWhite] = count(0);
    QVERIFY(emptyDark > 10);
    const auto [fullDark, fullWhite] = count(10);
    QCOMPARE(fullDark, 0);
    QVERIFY(fullWhite > 10);
    const auto [halfDark, halfWhite] = count(5); // the fill ends in the middle of "5.00"
    QVERIFY2(
        halfDark > 3 && halfWhite > 3, qPrintable(QStringLiteral("%1 dark, %2 white").arg(halfDark).arg(halfWhite)));
    Q_UNUSED(emptyWhite);
}

void TestWidgets::numbersFromGlyphsLookAsDrawTextDrawsThem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("align");
    QTest::addColumn<bool>("exact"); // drawn by drawText itself: the same pixels
    const int centre = Qt::AlignCenter, right = Qt::AlignRight | Qt::AlignVCenter;
    QTest::newRow("decimal, centred") << QStringLiteral("12.34") << centre << false;
    QTest::newRow("negative, right") << QStringLiteral("-0.05") << right << false;
    QTest::newRow("comma, top left") << QStringLiteral("1,50") << int(Qt::AlignLeft | Qt::AlignTop) << false;
    QTest::newRow("speed, bottom") << QStringLiteral("2850") << int(Qt::AlignHCenter | Qt::AlignBottom) << false;
    QTest::newRow("letters fall back") << QStringLiteral("OFF") << centre << true;
}

// The instruments' numbers come from cached glyphs: they must land where drawText puts them, in
// the same size, for every alignment the instruments use.
void TestWidgets::numbersFromGlyphsLookAsDrawTextDrawsThem()
{
    QFETCH(QString, text);
    QFETCH(int, align);
    QFETCH(bool, exact);
    const QFont font = widgetpaint::withPixelSize(QFont(), 15, true);
    const QRectF box(6, 4, 70, 26);
    auto draw = [&](bool glyphs) {
        QImage img(90, 36, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setPen(Qt::black);
        widgetpaint::NumberPainter numbers;
        if (glyphs) {
            numbers.draw(p, font, box, align, text);
        } else {
            p.setFont(font);
            p.drawText(box, align, text);
        }
        return img;
    };
    auto ink = [](const QImage &img) {
        QRect r;
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 128) {
                    r |= QRect(x, y, 1, 1);
                    ++n;
                }
        return std::make_pair(r, n);
    };
    const QImage byText = draw(false), byGlyphs = draw(true);
    if (exact) {
        QCOMPARE(byGlyphs, byText);
        return;
    }
    const auto [textBox, textInk] = ink(byText);
    const auto [glyphBox, glyphInk] = ink(byGlyphs);
    QVERIFY(textInk > 20);
    const auto close = [](const QRect &a, const QRect &b) {
        return std::abs(a.left() - b.left()) <= 1 && std::abs(a.right() - b.right()) <= 1
            && std::abs(a.top() - b.top()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
    };
    QVERIFY2(close(glyphBox, textBox),
        qPrintable(QStringLiteral("glyphs %1,%2 %3x%4, drawText %5,%6 %7x%8")
                       .arg(glyphBox.x())
                       .arg(glyphBox.y())
                       .arg(glyphBox.width())
                       .arg(glyphBox.height())
                       .arg(textBox.x())
                       .arg(textBox.y())
                       .arg(textBox.width())
                       .arg(textBox.height())));
    QVERIFY2(std::abs(glyphInk - textInk) <= textInk / 10,
        qPrintable(QStringLiteral("%1 vs %2").arg(glyphInk).arg(textInk)));
}

void TestWidgets::colBitBtnTextTakesTheStateColour()
{
    TAbColBitBtn btn;
    const QColor onColor(0x80, 0x00, 0x00), offColor(0xff, 0x00, 0x00);
    QCOMPARE(btn.onColor(), onColor); // the switches' default: maroon on, red off
    QCOMPARE(btn.offColor(), offColor);
    btn.setOnColor(QColor(0, 160, 0));
    btn.setOn(true);
    QImage img = render(btn, QSize(40, 20));
    const int greenOn = countPixels(img, [](QRgb c) { return near(c, QColor(0, 160, 0)); });
    const int redOn = countPixels(img, [&](QRgb c) { return near(c, offColor); });
    btn.setOn(false);
    img = render(btn, QSize(40, 20));
    const int greenOff = countPixels(img, [](QRgb c) { return near(c, QColor(0, 160, 0)); });
    const int redOff = countPixels(img, [&](QRgb c) { return near(c, offColor); });
    QVERIFY2(greenOn > 5 && redOn == 0, qPrintable(QString("%1 %2").arg(greenOn).arg(redOn)));
    QVERIFY2(redOff > 5 && greenOff == 0, qPrintable(QString("%1 %2").arg(redOff).arg(greenOff)));
}

void TestWidgets::toggleSwitchKnobMoves()
{
    TAbToggleSwitch sw;
    // the knob is white-ish; the track is grey (off) or green (on)
    auto isKnob = [](QRgb c) { return qRed(c) > 225 && qGreen(c) > 225 && qBlue(c) > 225; };
    QImage img = render(sw, QSize(46, 24));
    QVERIFY(isKnob(img.pixel(12, 12)));
    QVERIFY(!isKnob(img.pixel(34, 12)));
    sw.setOn(true);
    img = render(sw, QSize(46, 24));
    QVERIFY(!isKnob(img.pixel(12, 12)));
    QVERIFY(isKnob(img.pixel(34, 12)));
    const QRgb track = img.pixel(12, 12);
    QVERIFY(qGreen(track) > qRed(track) + 40);
}

void TestWidgets::numSpinShowsItsValue()
{
    TAbNumSpin spin;
    spin.setDecimals(1);
    spin.setRange(0, 50);
    spin.setValue(12.5);
    QCOMPARE(spin.spinBox()->text(), QLocale().toString(12.5, 'f', 1));
    const QImage img = render(spin, QSize(80, 24));
    const int darkPixels = countPixels(img, [](QRgb c) { return qGray(c) < 100; });
    QVERIFY(darkPixels > 10); // the digits are drawn
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
