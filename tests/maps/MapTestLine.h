#pragma once
// A scripted serial line with the send operations on top, for checking the frames a map
// operation puts on the wire and the pauses between them (virtual time, no real waiting).

#include "Commands.h"
#include "Frames.h"
#include "ScriptedSerial.h"
#include "WriteDispatcher.h"

#include <QtTest>

#include <vector>

namespace kelvane::test {

struct MapTestLine {
    ScriptedSerial line;
    PortMap ports;
    LinkState linkState;
    SerialLink link { line, ports, linkState };
    Commands commands { link };
    ParameterImage image;
    WriteDispatcher writes { commands, image };

    MapTestLine()
    {
        ports.map(1, "/dev/ttyFAKE1");
        line.addDevice("/dev/ttyFAKE1");
        linkState.PortName = ComPortName(0);
        link.OpenComPort();
    }

    std::vector<std::vector<std::uint8_t>> frames() const
    {
        std::vector<std::vector<std::uint8_t>> out;
        for (const auto &w : line.written())
            out.push_back(w.bytes);
        return out;
    }
    static std::vector<std::uint8_t> bytes(const CommandFrame &f) { return { f.begin(), f.end() }; }
};

} // namespace kelvane::test
