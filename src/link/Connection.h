#pragma once
// Finding the controller (the autoconnect scan over COM1-16 at both speeds),
// reading the Parameter image, and dropping the connection.

#include "Commands.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

using ImageBytes = std::array<std::uint8_t, ImageSize>;

// Milliseconds per injection tick and seconds per speed tick; the link speed marks the controller's clock.
struct TimeBases {
    float InjTickMsA = 0.0044f;
    float InjTickMsB = 0.0044f;
    float RpmTickSec = 4.34e-6f;
};
TimeBases timeBasesFor(std::uint8_t baudFlag);

struct ConnectionState {
    std::uint8_t Connected = 0;
    std::uint8_t PollingEnabled = 0;
    std::uint8_t SoftwareRevision = 0;
    std::uint8_t HardwareRevision = 0;
};

constexpr std::uint8_t HighestSoftwareRevision = 3;
extern const char *const NeedUpdateText;   // "Need software update. Download From www !!!"
extern const char *const NoConnectionText; // "No Connection"

// What the scan shows; the window and the command line each implement it.
class ConnectionView {
public:
    virtual ~ConnectionView() = default;
    virtual void setCaption(const std::string &caption) = 0;
    virtual void showMessage(const std::string &text) = 0;
    virtual void setProgress(int position, int maximum) = 0;
    // Fill every control from the freshly read image.
    virtual void showImage() = 0;
};

class Connection {
public:
    Connection(Commands &commands, ConnectionState &state, TimeBases &timeBases, ImageBytes &image, ConnectionView &view)
        : m_cmd(commands), m_state(state), m_tb(timeBases), m_image(image), m_view(view)
    {
    }

    // The product caption the connection caption starts with.
    void setProductCaption(const std::string &caption) { m_product = caption; }

    // The autoconnect scan. Returns the port number found (1-16), or 0.
    int autoconnect();
    void ReadParameterImage();
    void Disconnect();

    // Byte addresses of the blocks the last image read had to leave as they were.
    const std::vector<int> &rejectedBlocks() const { return m_rejected; }

    static std::string captionFor(const std::string &product, int hw, int sw, int port);

private:
    Commands &m_cmd;
    ConnectionState &m_state;
    TimeBases &m_tb;
    ImageBytes &m_image;
    ConnectionView &m_view;
    std::string m_product = "Kelvane Sequential v.3.02+OBD";
    std::vector<int> m_rejected;
};

} // namespace kelvane
