#pragma once
// The window on a scripted controller that keeps the image writes it receives (FakeEcu with
// applyWrites), started from the simulator's factory image, with helpers for the map editors.

#include "../support/FakeEcu.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "MapAdvancedPage.h"
#include "MapPages.h"
#include "MappingViewPage.h"
#include "ScriptedSerial.h"
#include "Simulator.h"
#include "TempMapGrids.h"
#include "ValueDialog.h"

#include <QtTest>

#include <memory>
#include <utility>
#include <vector>

namespace kelvane::test {

struct ByteWrite {
    int offset = 0;
    int value = 0;
    bool operator==(const ByteWrite &o) const { return offset == o.offset && value == o.value; }
};
struct WordWrite {
    int index = 0;
    int value = 0;
};

inline char *toString(const ByteWrite &w)
{
    return QTest::toString(QStringLiteral("(%1: %2)").arg(w.offset).arg(w.value));
}

struct MapWindow {
    std::unique_ptr<ScriptedSerial> line;
    std::unique_ptr<FakeEcu> ecu;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TForm1> form;
    QStringList messages;
    int questions = 0;
    bool answer = true;

    void start()
    {
        messages.clear();
        questions = 0;
        answer = true;
        line = std::make_unique<ScriptedSerial>();
        ecu = std::make_unique<FakeEcu>();
        ecu->applyWrites = true;
        ecu->image = sim::factoryImage(57600);
        state = std::make_unique<AppState>(*line);
        state->session.ports.map(3, "/dev/ttyFAKE3");
        line->addDevice("/dev/ttyFAKE3", ecu->responder());
        form = std::make_unique<TForm1>(*state);
        form->timer()->stop();
        form->setMessageSink([this](const QString &m) { messages << m; });
        maps()->setConfirm([this](const QString &) {
            ++questions;
            return answer;
        });
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->timer()->stop();
    }
    void stop()
    {
        form.reset();
        state.reset();
        ecu.reset();
        line.reset();
    }

    template <class T> T *child(const char *name) const
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    MapPages *maps() const { return form->mapPages(); }
    MapAdvancedPage *advanced() const { return maps()->advancedMap(); }
    MapGrid *mainGrid() const { return advanced()->grid(); }
    MappingViewPage *mapping() const { return maps()->mapping(); }
    TForm2 *form2() const { return maps()->form2(); }

    void connectEcu()
    {
        form->F10autoconnect1Click();
        QCOMPARE(state->session.conn.Connected, std::uint8_t(1));
        clearFrames();
    }
    void clearFrames()
    {
        ecu->frames.clear();
        line->clearLog();
    }
    void tick()
    {
        form->Timer1Timer();
        line->advance(35);
    }
    // One request tick and one receive tick: the controller's current record is decoded.
    void decode()
    {
        tick();
        tick();
    }
    void setLive16(int off, std::uint16_t v)
    {
        ecu->live[static_cast<std::size_t>(off)] = static_cast<std::uint8_t>(v & 0xFF);
        ecu->live[static_cast<std::size_t>(off) + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    std::uint16_t ecuWord(int index) const
    {
        const auto at = static_cast<std::size_t>(2 * index);
        return static_cast<std::uint16_t>(ecu->image[at] | (ecu->image[at + 1] << 8));
    }

    // Image writes the controller received since the last clearFrames, in order.
    std::vector<ByteWrite> byteWrites() const
    {
        std::vector<ByteWrite> out;
        for (const WriteFrame &f : writeFramesIn(ecu->frames))
            if (!f.word)
                out.push_back({ f.index, f.value });
        return out;
    }
    std::vector<WordWrite> wordWrites() const
    {
        std::vector<WordWrite> out;
        for (const WriteFrame &f : writeFramesIn(ecu->frames))
            if (f.word)
                out.push_back({ f.index, f.value });
        return out;
    }
    int commandCount(std::uint8_t command) const
    {
        int n = 0;
        for (const auto &f : ecu->frames)
            n += f[0] == command;
        return n;
    }
};

} // namespace kelvane::test
