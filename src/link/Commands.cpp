#include "Commands.h"

namespace kelvane {

void Commands::send(const CommandFrame &frame, int preMs, int postMs)
{
    LinkState &s = m_link.state();
    s.TxFrame = frame;
    if (preMs > 0)
        m_link.sleepMs(preMs);
    m_link.flushOutput();
    m_link.WriteComPort(s.ComHandle, s.TxFrame.data(), static_cast<std::uint32_t>(s.TxFrame.size()));
    if (postMs > 0)
        m_link.sleepMs(postMs);
}

void Commands::SendHello() { send(makeFrame(0x01, 0, 0, 0), 0, 0); }
void Commands::SendLiveRequest() { send(makeFrame(0xAA, 5, 0, 0), 0, 0); }

bool Commands::readBlock(std::uint8_t sub, std::uint8_t hi, std::uint8_t lo, std::uint8_t type, std::uint8_t *dest,
                         std::size_t capacity)
{
    send(makeFrame(0xAA, sub, hi, lo), 100, 150);
    bool complete = m_link.ReceiveReply(BlockReplyLength);
    const std::uint8_t *rx = m_link.state().RxBuffer.data();
    if (!blockReplyValid(rx, complete, type))
        return false; // dropped silently; the destination keeps its bytes
    storeReversed(rx + 2, BlockDataLength, dest, capacity);
    return true;
}

bool Commands::ReadImageBlock(int address, std::uint8_t *dest, std::size_t capacity)
{
    return readBlock(1, static_cast<std::uint8_t>((address >> 8) & 0xFF), static_cast<std::uint8_t>(address & 0xFF),
                     BlockTypeImage, dest, capacity);
}

void Commands::ReadErrorBlocks(std::uint8_t *dest256)
{
    readBlock(2, 0x00, 0x00, BlockTypeErrors, dest256, 128);
    readBlock(2, 0x80, 0x80, BlockTypeErrors, dest256 + 128, 128);
}

void Commands::SendObdErase() { send(makeFrame(0xAA, 6, 0, 0), 5, 5); }
void Commands::SendObdReadAll() { send(makeFrame(0xAA, 7, 0, 0), 5, 5); }
void Commands::SendObdReadErrors() { send(makeFrame(0xAA, 10, 0, 0), 5, 5); }

void Commands::SendCommitImage(std::uint16_t word)
{
    send(makeFrame(0x45, 0, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF)), 0, 35);
}

void Commands::SendModeGas() { send(makeFrame(0x51, 0, 0, 0), 0, 4); }
void Commands::SendModeAuto() { send(makeFrame(0x52, 0, 0, 0), 0, 4); }
void Commands::SendModePetrol() { send(makeFrame(0x53, 0, 0, 0), 0, 4); }
void Commands::SendResetMapPetrol() { send(makeFrame(0x5B, 0, 0, 0), 2, 4); }
void Commands::SendResetMapGas() { send(makeFrame(0x5C, 0, 0, 0), 2, 4); }
void Commands::SendEraseErrors() { send(makeFrame(0x61, 0, 0, 0), 0, 4); }

void Commands::SendGasCutOffWord(std::uint16_t word)
{
    send(makeFrame(0x65, 0, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF)), 10, 10);
}

void Commands::SendPetrolOverrideWord(std::uint16_t word)
{
    send(makeFrame(0x75, 0, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF)), 10, 10);
}

void Commands::SendImageByte(const std::uint8_t *image, int offset)
{
    if (offset < 0 || offset >= ImageSize)
        return;
    send(imageByteFrame(offset, image[offset]), 2, 4);
}

void Commands::SendImageWord(const std::uint8_t *image, int wordIndex)
{
    if (wordIndex < 0 || wordIndex >= ImageSize / 2)
        return;
    std::uint16_t value = static_cast<std::uint16_t>(image[2 * wordIndex] | (image[2 * wordIndex + 1] << 8));
    send(imageWordFrame(wordIndex, value), 2, 4);
}

void Commands::SendImageDword(const std::uint8_t *image, int offset)
{
    SendImageWord(image, offset / 2);
    SendImageWord(image, offset / 2 + 1);
}

} // namespace kelvane
