#include "Commands.h"

namespace kelvane {

bool Commands::send(const CommandFrame &frame, int preMs, int postMs)
{
    LinkState &s = m_link.state();
    s.TxFrame = frame;
    if (preMs > 0)
        m_link.sleepMs(preMs);
    m_link.flushOutput();
    const bool written
        = m_link.WriteComPort(s.ComHandle, s.TxFrame.data(), static_cast<std::uint32_t>(s.TxFrame.size()));
    if (!written)
        ++m_failedWrites;
    if (postMs > 0)
        m_link.sleepMs(postMs);
    return written;
}

bool Commands::sendCommand(proto::Command command, std::uint16_t data, int preMs, int postMs)
{
    return send(makeFrame(proto::code(command), 0, static_cast<std::uint8_t>(data >> 8),
                    static_cast<std::uint8_t>(data & 0xFF)),
        preMs, postMs);
}

void Commands::sendRequest(proto::Request request, int preMs, int postMs)
{
    send(makeFrame(proto::code(proto::Command::Request), proto::code(request), 0, 0), preMs, postMs);
}

void Commands::SendHello()
{
    sendCommand(proto::Command::Hello, 0, 0, 0);
}
void Commands::SendLiveRequest()
{
    sendRequest(proto::Request::Live, 0, 0);
}

bool Commands::readBlock(
    std::uint8_t sub, std::uint8_t hi, std::uint8_t lo, std::uint8_t type, std::uint8_t *dest, std::size_t capacity)
{
    send(makeFrame(proto::code(proto::Command::Request), sub, hi, lo), 100, 150);
    bool complete = m_link.ReceiveReply(BlockReplyLength);
    const std::uint8_t *rx = m_link.state().RxBuffer.data();
    if (!blockReplyValid(rx, complete, type))
        return false; // dropped silently; the destination keeps its bytes
    storeReversed(rx + 2, BlockDataLength, dest, capacity);
    return true;
}

bool Commands::ReadImageBlock(int address, std::uint8_t *dest, std::size_t capacity)
{
    return readBlock(proto::code(proto::Request::ImageBlock), static_cast<std::uint8_t>((address >> 8) & 0xFF),
        static_cast<std::uint8_t>(address & 0xFF), BlockTypeImage, dest, capacity);
}

void Commands::ReadErrorBlocks(std::uint8_t *dest256)
{
    const std::uint8_t sub = proto::code(proto::Request::ErrorBlock);
    readBlock(sub, 0x00, 0x00, BlockTypeErrors, dest256, 128);
    readBlock(sub, proto::ErrorSecondHalf, proto::ErrorSecondHalf, BlockTypeErrors, dest256 + 128, 128);
}

void Commands::SendObdErase()
{
    sendRequest(proto::Request::ObdErase, 5, 5);
}
void Commands::SendObdReadAll()
{
    sendRequest(proto::Request::ObdReadAll, 5, 5);
}
void Commands::SendObdReadErrors()
{
    sendRequest(proto::Request::ObdReadErrors, 5, 5);
}
bool Commands::SendCommitImage(std::uint16_t word)
{
    return sendCommand(proto::Command::Commit, word, 0, 35);
}
void Commands::SendModeGas()
{
    sendCommand(proto::Command::ModeGas, 0, 0, 4);
}
void Commands::SendModeAuto()
{
    sendCommand(proto::Command::ModeAuto, 0, 0, 4);
}
void Commands::SendModePetrol()
{
    sendCommand(proto::Command::ModePetrol, 0, 0, 4);
}
void Commands::SendResetMapPetrol()
{
    sendCommand(proto::Command::ResetMapPetrol, 0, 2, 4);
}
void Commands::SendResetMapGas()
{
    sendCommand(proto::Command::ResetMapGas, 0, 2, 4);
}
void Commands::SendEraseErrors()
{
    sendCommand(proto::Command::EraseErrors, 0, 0, 4);
}
void Commands::SendGasCutOffWord(std::uint16_t word)
{
    sendCommand(proto::Command::GasCutOff, word, 10, 10);
}
void Commands::SendPetrolOverrideWord(std::uint16_t word)
{
    sendCommand(proto::Command::PetrolOverride, word, 10, 10);
}

bool Commands::SendImageByte(const std::uint8_t *image, int offset)
{
    if (offset < 0 || offset >= proto::ConfigMemorySize)
        return false;
    return send(imageByteFrame(offset, image[offset]), 2, 4);
}

bool Commands::SendImageWord(const std::uint8_t *image, int wordIndex)
{
    if (wordIndex < 0 || wordIndex >= proto::ConfigMemorySize / 2)
        return false;
    std::uint16_t value = static_cast<std::uint16_t>(image[2 * wordIndex] | (image[2 * wordIndex + 1] << 8));
    return send(imageWordFrame(wordIndex, value), 2, 4);
}

bool Commands::SendImageDword(const std::uint8_t *image, int offset)
{
    const bool low = SendImageWord(image, offset / 2);
    const bool high = SendImageWord(image, offset / 2 + 1);
    return low && high;
}

} // namespace kelvane
