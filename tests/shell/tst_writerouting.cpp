// Every frame that changes the controller passes the session's write dispatcher: a sweep of a
// fitter's actions in the window on a scripted controller (settings with presets and the
// engine-type cascade, a track bar's step button, a map edit, the service interval, injector
// switches, the mode switches, the map resets) and every controller-changing frame on the line has
// been seen by an observer, in the same order, each accepted.
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "MapAdvancedPage.h"
#include "MapGrid.h"
#include "MapPages.h"
#include "Protocol.h"
#include "ScriptedSerial.h"
#include "Simulator.h"
#include "TAbNumSpin.h"
#include "WriteDispatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace kelvane;

namespace {

// "b<offset>", "w<index>" or "c<command code>" for a frame that changes the controller; empty for
// one that only reads.
QString changingFrame(const std::vector<std::uint8_t> &b)
{
    using proto::Command;
    if (b.size() != 6)
        return {};
    const int byteBase = proto::code(Command::ImageByteBase), wordBase = proto::code(Command::ImageWordBase);
    if (b[0] >= byteBase && b[0] < byteBase + 15)
        return QStringLiteral("b%1").arg(((b[0] - byteBase) << 8) | b[1]);
    if (b[0] >= wordBase && b[0] < wordBase + 15)
        return QStringLiteral("w%1").arg(((b[0] - wordBase) << 8) | b[1]);
    if (b[0] == proto::code(Command::Request))
        return b[1] == proto::code(proto::Request::ObdErase) ? QStringLiteral("c%1").arg(b[0]) : QString();
    if (b[0] == proto::code(Command::Hello))
        return {};
    return QStringLiteral("c%1").arg(b[0]);
}

std::uint8_t commandCode(ControllerCommand c)
{
    using proto::Command;
    switch (c) {
    case ControllerCommand::ModeGas:
        return proto::code(Command::ModeGas);
    case ControllerCommand::ModeAuto:
        return proto::code(Command::ModeAuto);
    case ControllerCommand::ModePetrol:
        return proto::code(Command::ModePetrol);
    case ControllerCommand::ResetMapPetrol:
        return proto::code(Command::ResetMapPetrol);
    case ControllerCommand::ResetMapGas:
        return proto::code(Command::ResetMapGas);
    case ControllerCommand::EraseErrors:
        return proto::code(Command::EraseErrors);
    case ControllerCommand::ObdErase:
        return proto::code(Command::Request);
    case ControllerCommand::GasCutOffWord:
        return proto::code(Command::GasCutOff);
    case ControllerCommand::PetrolOverrideWord:
        return proto::code(Command::PetrolOverride);
    case ControllerCommand::CommitImage:
        return proto::code(Command::Commit);
    }
    return 0;
}

struct Seen : WriteObserver {
    QStringList frames;
    QStringList refused;
    QStringList actions;
    void actionBegun(const std::string &name, const ImageBytes &) override { actions << QString::fromStdString(name); }
    void imageWritten(const SentImageWrite &w, bool accepted) override
    {
        frames << QStringLiteral("%1%2").arg(w.write.kind == ImageWrite::Kind::Byte ? 'b' : 'w').arg(w.write.index);
        if (!accepted)
            refused << frames.back();
    }
    void commandSent(ControllerCommand what, std::uint16_t, bool accepted) override
    {
        frames << QStringLiteral("c%1").arg(commandCode(what));
        if (!accepted)
            refused << frames.back();
    }
    void actionEnded(const ImageBytes &) override { }
};
} // namespace

class TstWriteRouting : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    Seen seen;

    template <class T> T *child(const char *name) { return rig.child<T>(name); }
    QStringList changingFrames() const
    {
        QStringList out;
        for (const auto &w : line->written()) {
            const QString f = changingFrame(w.bytes);
            if (!f.isEmpty())
                out << f;
        }
        return out;
    }

private slots:
    void init()
    {
        test::WindowRig::Options options;
        options.startImage = sim::factoryImage(57600);
        options.keepWrites = true;
        QVERIFY2(rig.start(options), rig.error.c_str());
        seen = Seen();
        state->session.writes.addObserver(&seen);
    }
    void cleanup()
    {
        state->session.writes.removeObserver(&seen);
        rig.stop();
    }

    void everyChangingFrameIsSeenInOrder()
    {
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        QVERIFY(seen.frames.isEmpty()); // connecting reads only
        line->clearLog();

        // Settings: the engine type (every period re-encoded, the map header row too), an injector
        // preset, a spin edit, a check box with its follow-up, a track bar's step button.
        form->F3parameters1Click();
        auto *rpmSet = child<QComboBox>("ComboBoxRpmSet");
        QTest::keyClick(rpmSet, Qt::Key_Down);
        QTest::keyClick(child<QComboBox>("ComboBoxInjTyp"), Qt::Key_Down);
        auto *minInj = child<TAbNumSpin>("AbNumSpinMinInj");
        QTest::keyClick(minInj->spinBox(), Qt::Key_Up);
        child<QCheckBox>("CheckBoxGazStart")->click();
        child<QPushButton>("ButtonAccelPlus")->click();
        const int afterSettings = static_cast<int>(seen.frames.size());
        QVERIFY(afterSettings >= 10);
        QVERIFY(seen.actions.contains(QStringLiteral("ComboBoxRpmSet")));
        QVERIFY(seen.actions.contains(QStringLiteral("CheckBoxGazStart")));

        // A map edit.
        form->F7advancedmap1Click();
        MapGrid *grid = form->mapPages()->advancedMap()->grid();
        grid->setSelection({ 2, 3, 3, 3 });
        child<QPushButton>("ButtonInc5")->click();
        QVERIFY(seen.frames.size() > afterSettings);

        // Injector switches and the mode switches.
        form->AbColBitBtnGoffClick(2);
        form->AbColBitBtnEmuClick(3);
        form->petro1Click();
        form->propane1Click();
        form->auto1Click();

        QVERIFY(!seen.frames.isEmpty());
        QCOMPARE(seen.frames, changingFrames());
        QVERIFY2(seen.refused.isEmpty(), qPrintable(seen.refused.join(QLatin1Char(' '))));
        // The controller holds what the PC holds.
        QVERIFY(ecu->image == state->session.image.bytes);
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstWriteRouting t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_writerouting.moc"
