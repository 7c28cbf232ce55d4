#pragma once
// The window on a scripted controller that keeps the image writes it receives (FakeEcu with
// applyWrites), started from the simulator's factory image, with helpers for the map editors.

#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "MapAdvancedPage.h"
#include "MapPages.h"
#include "MappingViewPage.h"
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

// The question before the map calculation is counted and answered with `answer`.
struct MapWindow : WindowRig {
    int questions = 0;
    bool answer = true;

    void start()
    {
        questions = 0;
        answer = true;
        Options options;
        options.startImage = sim::factoryImage(57600);
        options.keepWrites = true;
        QVERIFY2(WindowRig::start(options), error.c_str());
        user.answerConfirm = [this](const QString &, const QString &) {
            ++questions;
            return answer;
        };
    }

    MapPages *maps() const { return form->mapPages(); }
    MapAdvancedPage *advanced() const { return maps()->advancedMap(); }
    MapGrid *mainGrid() const { return advanced()->grid(); }
    MappingViewPage *mapping() const { return maps()->mapping(); }
    TForm2 *form2() const { return maps()->form2(); }

    void connectEcu()
    {
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        clearFrames();
    }
    void clearFrames()
    {
        ecu->frames.clear();
        line->clearLog();
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
