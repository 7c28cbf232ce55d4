#pragma once
// Everything the running program knows, in one object owned by main() (or by a test) and handed to
// the window by reference: the link to the controller, the connection flags and time bases, the
// Parameter image, the live record, the polling cycle and the replaceable texts.

#include "Commands.h"
#include "Connection.h"
#include "Link.h"
#include "LiveRecord.h"
#include "ParameterImage.h"
#include "PollingCycle.h"
#include "PortMap.h"
#include "Readings.h"
#include "SerialOps.h"

#include <array>
#include <string>
#include <vector>

namespace kelvane {

// Texts created at program start; a language file may replace some of them.
struct GlobalTexts {
    std::string productCaption = "Kelvane Sequential v.3.02+OBD";
    std::string applicationTitle = "MAIN SEQUENTIAL";
    std::string logFileName = "Log.csv";
    std::vector<std::string> languageTexts = std::vector<std::string>(1024);
    std::string serviceTimeLeft = "service time left";
    std::string serviceOff = "service off";
    std::string noConnection = "no connection";
    std::string groupClosed = "- >>>>";
    std::string groupOpen = "- <<<<";
};

// The connection scan and the polling cycle are built once with the state; the window attaches
// itself as their view while it exists. Without a window attached nothing is shown.
class ViewRelay : public ConnectionView, public PollingView {
public:
    void attach(ConnectionView *connection, PollingView *polling)
    {
        m_connection = connection;
        m_polling = polling;
    }
    void detach() { attach(nullptr, nullptr); }

    void setCaption(const std::string &caption) override
    {
        if (m_connection)
            m_connection->setCaption(caption);
    }
    void showMessage(const std::string &text) override
    {
        if (m_connection)
            m_connection->showMessage(text);
    }
    void setProgress(int position, int maximum) override
    {
        if (m_connection)
            m_connection->setProgress(position, maximum);
    }
    void showImage() override
    {
        if (m_connection)
            m_connection->showImage();
    }
    void showNotConnected() override
    {
        if (m_polling)
            m_polling->showNotConnected();
    }
    void showDecoded(const DecodeResult &result) override
    {
        if (m_polling)
            m_polling->showDecoded(result);
    }
    bool adaptationRunning() const override { return m_polling && m_polling->adaptationRunning(); }
    void adaptationStep() override
    {
        if (m_polling)
            m_polling->adaptationStep();
    }
    bool scopeVisible() const override { return m_polling && m_polling->scopeVisible(); }
    void feedScope() override
    {
        if (m_polling)
            m_polling->feedScope();
    }

private:
    ConnectionView *m_connection = nullptr;
    PollingView *m_polling = nullptr;
};

class AppState {
public:
    // ops: the serial platform in use (the real terminals in the program, a scripted line in tests);
    // it must outlive the state.
    explicit AppState(SerialOps &serialOps) : ops(serialOps) { connection.setProductCaption(texts.productCaption); }
    AppState(const AppState &) = delete;
    AppState &operator=(const AppState &) = delete;

    SerialOps &ops;
    PortMap ports;
    LinkState linkState;
    SerialLink link {ops, ports, linkState};
    Commands commands {link};
    ConnectionState conn;
    TimeBases timeBases;
    ParameterImage image;
    LiveData live;
    GlobalTexts texts;
    StatusTexts statusTexts;
    ViewRelay relay;
    Connection connection {commands, conn, timeBases, image.bytes, relay};
    PollingCycle polling {commands, conn, live, image, timeBases, relay};

    // Directory the program was started in.
    std::string startDirectory;
    // Axis of the mapping view: 1, 2, ..., 10, then steps of 1.5 up to 19, and the index of each entry.
    std::array<float, 16> mappingAxis {};
    std::array<int, 16> mappingAxisIndex {};
};

} // namespace kelvane
