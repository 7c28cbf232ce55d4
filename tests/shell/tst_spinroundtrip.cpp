// Every spin edit of the settings, built as the window builds it from the field table, set from a
// stored value and left without an edit: its write-back keeps the stored value, whatever the
// control could show of it. An edit, and only an edit, is encoded.
#include "Conversions.h"
#include "FieldCodec.h"
#include "FocusLossNotifier.h"
#include "SettingsControls.h"
#include "TAbNumSpin.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>

using namespace kelvane;

namespace {
const DecodeContext At57600 { timeBasesFor(0) };

void store(ParameterImage &img, const FieldDef &f, int raw)
{
    if (f.width == FieldWidth::Byte)
        img.setByte(f.offset, static_cast<std::uint8_t>(raw));
    else
        img.setWord(f.offset, static_cast<std::uint16_t>(raw));
}

// All byte values; for words every 97th value, the ends and values whose decode the control cannot
// show exactly.
std::vector<int> samples(const FieldDef &f)
{
    std::vector<int> v;
    if (f.width == FieldWidth::Byte) {
        for (int raw = 0; raw < 256; ++raw)
            v.push_back(raw);
        return v;
    }
    for (int raw = 0; raw < 65536; raw += 97)
        v.push_back(raw);
    for (int raw : { 1, 12, 59, 98, 125, 1001, 1045, 2739, 32767, 32768, 65535 })
        v.push_back(raw);
    return v;
}
} // namespace

class TstSpinRoundTrip : public QObject {
    Q_OBJECT

    QWidget window;
    QLineEdit *elsewhere = nullptr;
    FocusLossNotifier notifier;

    TAbNumSpin *build(const FieldDef &f)
    {
        auto *spin = qobject_cast<TAbNumSpin *>(createSetting(&window, f.control));
        if (!spin)
            return nullptr;
        // The settings controls stay disabled until their write-back is wired; here the fitter may use them.
        spin->setEnabled(true);
        window.layout()->addWidget(spin);
        notifier.watch(spin);
        return spin;
    }

private slots:
    void initTestCase()
    {
        new QVBoxLayout(&window);
        elsewhere = new QLineEdit(&window);
        window.layout()->addWidget(elsewhere);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    void leavingAnUneditedSpinKeepsTheStoredValue()
    {
        QSignalSpy left(&notifier, &FocusLossNotifier::focusLost);
        int spins = 0;
        for (const FieldDef &f : fieldTable()) {
            if (f.controlKind != ControlKind::SpinEdit)
                continue;
            TAbNumSpin *spin = build(f);
            QVERIFY2(spin, f.control);
            ++spins;
            ParameterImage img;
            img.setByte(img::RpmSet, 3);
            for (int raw : samples(f)) {
                store(img, f, raw);
                const ParameterImage before = img;
                const Shown shown = decodeField(img, f, At57600);
                showSpin(*spin, shown);
                // The control holds the decoded number exactly and shows it rounded to its decimals.
                const double half = 0.5 * std::pow(10.0, -spin->decimals());
                if (spin->value() != shown.number || std::fabs(spin->spinBox()->value() - shown.number) > half + 1e-9)
                    QFAIL(qPrintable(QStringLiteral("%1 %2: holds %3, shows %4")
                                         .arg(f.control)
                                         .arg(raw)
                                         .arg(spin->value(), 0, 'g', 17)
                                         .arg(spin->spinBox()->text())));
                // The fitter tabs into the control and out again.
                const int losses = left.count();
                spin->setFocus(Qt::TabFocusReason);
                elsewhere->setFocus(Qt::TabFocusReason);
                if (left.count() != losses + 1 || spin->isEdited())
                    QFAIL(qPrintable(QStringLiteral("%1 %2: focus not left cleanly").arg(f.control).arg(raw)));
                const ImageWrites writes = writeBackSpin(img, f, *spin, At57600);
                if (img.bytes != before.bytes || writes.empty() || !(writes.front().index == f.sendIndex))
                    QFAIL(qPrintable(QStringLiteral("%1: stored %2 changed on leaving").arg(f.control).arg(raw)));
            }
            delete spin;
        }
        QCOMPARE(spins, 32);
    }

    void anEditIsEncodedOnLeaving()
    {
        const FieldDef &f = *findField("LevelE");
        TAbNumSpin *spin = build(f);
        QVERIFY(spin);
        QCOMPARE(spin->decimals(), 2);
        ParameterImage img;
        img.setWord(f.offset, 97); // 0.11834 V, shown as 0.12
        showSpin(*spin, decodeField(img, f, At57600));
        QCOMPARE(spin->spinBox()->text(), spin->spinBox()->textFromValue(0.12));
        spin->setFocus(Qt::TabFocusReason);
        spin->spinBox()->selectAll();
        QTest::keyClicks(spin->spinBox(), spin->spinBox()->textFromValue(0.12));
        elsewhere->setFocus(Qt::TabFocusReason);
        QVERIFY(spin->isEdited());
        QCOMPARE(spin->value(), 0.12);
        const ImageWrites writes = writeBackSpin(img, f, *spin, At57600);
        QCOMPARE(writes.size(), std::size_t(1));
        QVERIFY(writes.front() == ImageWrite::word(187));
        QCOMPARE(img.word(f.offset), std::uint16_t(98)); // trunc(0.12 x 819.2)
        // Shown from the image again, the control is no longer edited and keeps the new value.
        showSpin(*spin, decodeField(img, f, At57600));
        QVERIFY(!spin->isEdited());
        writeBackSpin(img, f, *spin, At57600);
        QCOMPARE(img.word(f.offset), std::uint16_t(98));
        delete spin;
    }
};

QTEST_MAIN(TstSpinRoundTrip)
#include "tst_spinroundtrip.moc"
