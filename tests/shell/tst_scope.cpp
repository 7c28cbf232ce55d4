// The oscilloscope on the readings page, on a scripted controller: the channel choices, the traces
// the paint box shows after receive ticks, sampling only while the page is shown, and the pointer's
// readout and dragging.
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "ScopePanel.h"

#include <QComboBox>
#include <QMouseEvent>

using namespace kelvane;

namespace {
QColor traceColor(int channel)
{
    return QColor::fromRgb(scopeColorToRgb(ScopeChannelColors[static_cast<std::size_t>(channel)]));
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton)
{
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons(), Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}
} // namespace

class TstScope : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> rig;
    ScopePanel *panel = nullptr;
    ScopePaintBox *box = nullptr;

    const OSCYLOSKOP &scope() const { return box->scope(); }
    const ScopeFrame &frame() const { return box->scope().frame(); }
    void choose(int channel, int item) { panel->combo(channel)->setCurrentIndex(item); }

private slots:
    void init()
    {
        rig = std::make_unique<test::WindowRig>(test::WindowRig::Options {});
        panel = rig->child<ScopePanel>("PanelOsc");
        box = rig->child<ScopePaintBox>("PaintBoxScope");
        QVERIFY(box->width() > 200 && box->height() > 80);
    }
    void cleanup() { rig.reset(); }

    void channelChoicesStartOffAndWriteInTheirTraceColours()
    {
        for (int ch = 0; ch < ScopeShownChannels; ++ch) {
            auto *combo = rig->child<QComboBox>(ScopeComboNames[static_cast<std::size_t>(ch)]);
            QCOMPARE(combo, panel->combo(ch));
            QCOMPARE(combo->count(), ScopeItemCount);
            QCOMPARE(combo->currentText(), QStringLiteral("OFF"));
            QCOMPARE(combo->itemText(3), QStringLiteral("RPM [rev./min]"));
            QCOMPARE(combo->itemText(11), QStringLiteral("GLev[V]"));
            QCOMPARE(combo->palette().color(QPalette::ButtonText), traceColor(ch));
        }
    }

    // Four traces after receive ticks: the frame holds one point per tick, newest at the left, at
    // the rows of their values; the painted chart has each trace's colour on its row.
    void fourTracesAfterTicks()
    {
        QVERIFY(rig->connectEcu());
        choose(0, scope::TempGas); // -10 .. 110
        choose(1, scope::TempReducer); // -10 .. 110
        choose(2, scope::DifP); // 0 .. 3 bar
        choose(3, scope::Level); // 0 .. 5 V
        const int H = box->height();
        const int ticks = 30;
        for (int k = 0; k < ticks; ++k) {
            rig->setLive16(rec::TempGas, static_cast<std::uint16_t>(20 + k)); // rising: newest highest
            rig->setLive16(rec::TempReducer, 90);
            rig->setLive16(rec::PresDiff, 600); // 0.6 bar
            rig->setLive16(rec::LevelRaw, 3279); // 4.0 V
            rig->decode();
        }
        QCOMPARE(scope().SampleCount, ticks);
        const struct {
            int channel;
            double value, min, max;
        } expected[]
            = { { 0, 20 + ticks - 1, -10, 110 }, { 1, 90, -10, 110 }, { 2, 0.6, 0, 3 }, { 3, 3279 * 0.00122, 0, 5 } };
        QApplication::processEvents(); // the paint the ticks asked for
        const QImage picture = box->grab().toImage();
        for (const auto &e : expected) {
            const ScopeTrace &t = frame().traces[static_cast<std::size_t>(e.channel)];
            QVERIFY(t.enabled);
            QCOMPARE(t.pointCount, ticks);
            const int y = scopeValueY(e.value, e.min, e.max, H, 0);
            QCOMPARE(t.points[0], (ScopePoint { 0, y }));
            QCOMPARE(picture.pixelColor(0, y), traceColor(e.channel));
        }
        // The rising gas temperature: the oldest sample is the lowest, 29 pixels to the right.
        const ScopeTrace &tg = frame().traces[0];
        QCOMPARE(tg.points[ticks - 1], (ScopePoint { ticks - 1, scopeValueY(20, -10, 110, H, 0) }));
        QCOMPARE(scope().MaxMarkValue[0], float(20 + ticks - 1));
        QCOMPARE(scope().MinMarkValue[0], 20.0f);
        QCOMPARE(tg.maxLabel.text, std::string("49") + systemDecimalPoint() + "00");
        // Channels 4-7 have no combo box and stay off.
        for (int ch = 4; ch < ScopeChannels; ++ch)
            QVERIFY(!frame().traces[static_cast<std::size_t>(ch)].enabled);
    }

    void samplesOnlyWhileTheReadingsPageIsShown()
    {
        QVERIFY(rig->connectEcu());
        choose(0, scope::Rpm);
        for (int k = 0; k < 4; ++k)
            rig->decode();
        QCOMPARE(scope().SampleCount, 4);
        rig->form->F3parameters1Click();
        for (int k = 0; k < 5; ++k)
            rig->decode();
        QCOMPARE(scope().SampleCount, 4);
        QCOMPARE(rig->state->session.polling.stats().accepted, std::uint64_t(9)); // the decode goes on
        rig->form->F2readings1Click();
        rig->decode();
        QCOMPARE(scope().SampleCount, 5);
    }

    void offStopsTheTraceButKeepsItsSamples()
    {
        QVERIFY(rig->connectEcu());
        choose(1, scope::TempReducer);
        rig->setLive16(rec::TempReducer, 77);
        rig->decode();
        QVERIFY(frame().traces[1].enabled);
        choose(1, scope::Off);
        rig->setLive16(rec::TempReducer, 12);
        rig->decode();
        QVERIFY(!frame().traces[1].enabled);
        QCOMPARE(scope().sample(1, 0), 77.0f);
    }

    void theFocusedChoiceDrawsItsTraceTwoPixelsWide()
    {
        QVERIFY(rig->connectEcu());
        choose(0, scope::TempGas);
        choose(2, scope::TempReducer);
        rig->form->activateWindow();
        panel->combo(2)->setFocus();
        QTRY_VERIFY(panel->combo(2)->hasFocus());
        rig->decode();
        QCOMPARE(frame().traces[2].penWidth, 2);
        QCOMPARE(frame().traces[0].penWidth, 1);
    }

    // A frame is drawn over what the last one left; nothing of it may stay behind. Two moving
    // traces with their marks and a readout, then all off: the chart is as before the first trace.
    void aFrameLeavesNothingOfTheLastOneBehind()
    {
        QVERIFY(rig->connectEcu());
        QApplication::processEvents();
        const QImage empty = box->grab().toImage();
        choose(0, scope::TempGas); // -10 .. 110
        choose(1, scope::DifP); // 0 .. 3 bar
        for (int k = 0; k < 40; ++k) {
            rig->setLive16(rec::TempGas, static_cast<std::uint16_t>(20 + 2 * k));
            rig->setLive16(rec::PresDiff, static_cast<std::uint16_t>(300 + 40 * (k % 7)));
            rig->decode();
            QApplication::processEvents();
        }
        // The sample 5 pixels from the left is the gas temperature of tick 34.
        sendMouse(box, QEvent::MouseMove, QPoint(5, scopeValueY(20 + 2 * 34, -10, 110, box->height(), 0)));
        QCOMPARE(frame().readout.channel, 0);
        QApplication::processEvents();
        QVERIFY(box->grab().toImage() != empty);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(box, &leave);
        choose(0, 0);
        choose(1, 0);
        rig->decode(); // the next frame
        QApplication::processEvents();
        QCOMPARE(box->grab().toImage(), empty);
    }

    // The pointer over a trace shows its value; a press on it starts a drag, moving the pointer
    // shifts the trace, the next press ends the drag and the trace stays where it was left.
    void pointerReadoutAndDrag()
    {
        QVERIFY(rig->connectEcu());
        choose(0, scope::TempGas);
        rig->setLive16(rec::TempGas, 50);
        for (int k = 0; k < 20; ++k)
            rig->decode();
        const int H = box->height();
        const int y = scopeValueY(50, -10, 110, H, 0);

        sendMouse(box, QEvent::MouseMove, QPoint(5, y + 2));
        QCOMPARE(frame().readout.channel, 0);
        QCOMPARE(frame().readout.label.text, std::string("  | 50") + systemDecimalPoint() + "00 |  ");
        QCOMPARE(frame().readout.label.x, 9);
        QApplication::processEvents();
        const QImage withReadout = box->grab().toImage();
        QCOMPARE(withReadout.pixelColor(12, y + 4), QColor::fromRgb(scopeColorToRgb(0x800080)));

        sendMouse(box, QEvent::MouseButtonPress, QPoint(5, y), Qt::LeftButton);
        sendMouse(box, QEvent::MouseButtonRelease, QPoint(5, y), Qt::LeftButton);
        QVERIFY(scope().Dragging);
        sendMouse(box, QEvent::MouseMove, QPoint(5, y - 10));
        QCOMPARE(scope().Offset[0], std::int16_t(10));
        sendMouse(box, QEvent::MouseButtonPress, QPoint(5, y - 10), Qt::LeftButton);
        QVERIFY(!scope().Dragging);
        QCOMPARE(frame().traces[0].points[0].y, y - 10);
        sendMouse(box, QEvent::MouseMove, QPoint(5, y + 30));
        rig->decode();
        QCOMPARE(frame().traces[0].points[0].y, y - 10); // still the same quantity: it stays shifted

        // Leaving the chart takes the readout away.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(box, &leave);
        QCOMPARE(frame().readout.channel, -1);
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstScope t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_scope.moc"
