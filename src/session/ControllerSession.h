#pragma once
// One controller session: the link, the connection flags and time bases, the Parameter image, the
// dispatcher that every write to the controller passes and the live record, with the scan, the
// image read and the polling cycle that work on them. Free of widgets; the window, kelvane-cli and
// the tests each own one and pass their views per call.

#include "Commands.h"
#include "Connection.h"
#include "Link.h"
#include "LiveRecord.h"
#include "ParameterImage.h"
#include "PollingCycle.h"
#include "PortMap.h"
#include "SerialOps.h"
#include "WriteDispatcher.h"

namespace kelvane {

struct ControllerSession {
    // ops: the serial platform (the real terminals, or a scripted line in tests); it must outlive
    // the session.
    explicit ControllerSession(SerialOps &serialOps)
        : ops(serialOps)
    {
    }
    ControllerSession(const ControllerSession &) = delete;
    ControllerSession &operator=(const ControllerSession &) = delete;

    SerialOps &ops;
    PortMap ports;
    LinkState linkState;
    SerialLink link { ops, ports, linkState };
    Commands commands { link };
    ConnectionState conn;
    TimeBases timeBases;
    ParameterImage image;
    // Every write that changes the controller goes out through here.
    WriteDispatcher writes { commands, image };
    LiveData live;
    Connection connection { commands, conn, timeBases, image.bytes };
    PollingCycle polling { commands, conn, live, image, timeBases };
};

} // namespace kelvane
