#pragma once
// Finding the controller (the autoconnect scan over COM1-16 at both speeds), reading the Parameter
// image, and dropping the connection.

#include "Commands.h"
#include "ParameterImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

struct ConnectionState {
    bool Connected = false;
    std::uint8_t PollingEnabled = 0;
    std::uint8_t SoftwareRevision = 0;
    std::uint8_t HardwareRevision = 0;
};

constexpr std::uint8_t HighestSoftwareRevision = 3;
extern const char *const NeedUpdateText; // "Need software update. Download From www !!!"
extern const char *const NoConnectionText; // "No Connection"

// What the scan shows; the window, the command line and tests each implement it.
class ConnectionView {
public:
    virtual ~ConnectionView() = default;
    virtual void setCaption(const std::string &caption) = 0;
    virtual void showMessage(const std::string &text) = 0;
    virtual void setProgress(int position, int maximum) = 0;
    // Fill every control from the freshly read image.
    virtual void showImage() = 0;
    // Asked between scan attempts and image blocks: true ends the scan at once, port closed.
    virtual bool cancelled() const { return false; }
};

enum class ScanResult {
    Found, // connected; the image is read and polling is on
    NotFound, // no port answered with a greeting
    Refused, // a controller answered whose software is newer than this program knows
    Cancelled, // the view asked to stop; nothing is connected
};

struct ScanOutcome {
    ScanResult result = ScanResult::NotFound;
    int port = 0; // 1-16 when found or refused
    // NotFound: for each device the user may not open, what to do about it (the group that owns it
    // and how to join it).
    std::vector<std::string> accessProblems;
};

class Connection {
public:
    Connection(Commands &commands, ConnectionState &state, TimeBases &timeBases, ImageBytes &image)
        : m_cmd(commands)
        , m_state(state)
        , m_tb(timeBases)
        , m_image(image)
    {
        static_assert(ImageSize == proto::ConfigMemorySize, "the image is the controller's configuration memory");
    }

    // The product caption the connection caption starts with.
    void setProductCaption(const std::string &caption) { m_product = caption; }
    const std::string &productCaption() const { return m_product; }

    // The autoconnect scan.
    ScanOutcome autoconnect(ConnectionView &view);
    void ReadParameterImage(ConnectionView &view);
    void Disconnect();
    // Opens port 1-16 at the link's last speed, then the other, and greets the controller. On a
    // valid greeting of a controller this program knows the port stays open, Connected is set
    // with the revisions and time bases and polling stays off (the image is not read); otherwise
    // the port is closed. Used to find a controller again after the link was lost.
    bool greetPort(int port);

    // Byte addresses of the blocks the last image read had to leave as they were.
    const std::vector<int> &rejectedBlocks() const { return m_rejected; }
    // Reads the rejected blocks again, up to `tries` times each, in ascending order. A block whose
    // successor was delivered keeps only its lower 64 bytes, so it never writes over newer bytes.
    // Returns the address of the first block still missing, or -1 when the image is complete.
    int rereadRejectedBlocks(int tries);

    static std::string captionFor(const std::string &product, int hw, int sw, int port);

private:
    Commands &m_cmd;
    ConnectionState &m_state;
    TimeBases &m_tb;
    ImageBytes &m_image;
    std::string m_product = "Kelvane Sequential v.3.02+OBD";
    std::vector<int> m_rejected;
};

} // namespace kelvane
