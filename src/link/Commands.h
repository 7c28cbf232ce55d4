#pragma once
// The command catalogue: one send operation per command, each the only code that
// fills the frame and writes it. Nothing is acknowledged, queued or retried; a write the port
// refuses (closed, or the device went away) is counted, and the image writes and the commit
// also return whether their frame went out, so that a whole-image upload can tell it failed.

#include "Frames.h"
#include "Link.h"

namespace kelvane {

class Commands {
public:
    explicit Commands(SerialLink &link)
        : m_link(link)
    {
    }

    void SendHello();
    void SendLiveRequest();
    // Reads the 128-byte image block at byte address `address` into dest (capacity bytes room);
    // returns whether the block was accepted.
    bool ReadImageBlock(int address, std::uint8_t *dest, std::size_t capacity);
    // Reads both halves of the error memory into dest[0..255]; each half kept on its own.
    void ReadErrorBlocks(std::uint8_t *dest256);
    void SendObdErase();
    void SendObdReadAll();
    void SendObdReadErrors();
    bool SendCommitImage(std::uint16_t word);
    void SendModeGas();
    void SendModeAuto();
    void SendModePetrol();
    void SendResetMapPetrol();
    void SendResetMapGas();
    void SendEraseErrors();
    void SendGasCutOffWord(std::uint16_t word);
    void SendPetrolOverrideWord(std::uint16_t word);
    // Image writes send what is in the image now (the 768 bytes of the configuration memory).
    // false: the port did not take the frame (or the offset lies outside the image: nothing sent).
    bool SendImageByte(const std::uint8_t *image, int offset);
    bool SendImageWord(const std::uint8_t *image, int wordIndex);
    bool SendImageDword(const std::uint8_t *image, int offset); // both words went out

    // Frames the port refused since this object was made. The frames and delays are the same
    // whether a write succeeds or not.
    std::uint64_t failedWrites() const { return m_failedWrites; }

    SerialLink &link() { return m_link; }

private:
    bool send(const CommandFrame &frame, int preMs, int postMs);
    bool sendCommand(proto::Command command, std::uint16_t data, int preMs, int postMs);
    void sendRequest(proto::Request request, int preMs, int postMs);
    bool readBlock(std::uint8_t sub, std::uint8_t hi, std::uint8_t lo, std::uint8_t type, std::uint8_t *dest,
        std::size_t capacity);

    SerialLink &m_link;
    std::uint64_t m_failedWrites = 0;
};

} // namespace kelvane
