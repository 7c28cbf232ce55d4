#pragma once
// The words of the serial protocol, shared by the PC side, the simulator and the test stand-ins:
// command codes (frame byte 0), the sub-codes of the 0xAA requests (frame byte 1) and the reply headers.

#include <cstdint>

namespace kelvane::proto {

enum class Command : std::uint8_t {
    Hello = 0x01, // answered with the 5-byte greeting
    Request = 0xAA, // sub-code in byte 1: block reads, live record, OBD
    Commit = 0x45, // store the image in the controller's permanent memory
    ModeGas = 0x51,
    ModeAuto = 0x52,
    ModePetrol = 0x53,
    ResetMapPetrol = 0x5B, // forget the petrol samples of auto-mapping
    ResetMapGas = 0x5C, // forget the gas samples of auto-mapping
    EraseErrors = 0x61,
    GasCutOff = 0x65, // injector mask word: gas injectors switched off
    PetrolOverride = 0x75, // injector mask word: petrol injectors forced on
    ImageByteBase = 0xC1, // 0xC1-0xCF: byte write, address bits 8-11 in the low nibble
    ImageWordBase = 0xD1, // 0xD1-0xDF: word write, index bits 8-11 in the low nibble
};

enum class Request : std::uint8_t {
    ImageBlock = 1,
    ErrorBlock = 2,
    Live = 5,
    ObdErase = 6,
    ObdReadAll = 7,
    ObdReadErrors = 10,
};

constexpr std::uint8_t GreetingHeader = 0x49; // "I"
constexpr std::uint8_t BlockHeader = 0x48; // "H"
constexpr std::uint8_t LiveHeader = 0x56; // "V"
constexpr std::uint8_t LiveType = static_cast<std::uint8_t>(Request::Live);
constexpr std::uint8_t FrameEnd = 0xF0;
constexpr std::uint8_t ChecksumSeed = 0xAA;

// The controller's configuration memory that block reads and image writes address.
constexpr int ConfigMemorySize = 768;
// The second half of the error memory is asked for with 0x80 in both address bytes.
constexpr std::uint8_t ErrorSecondHalf = 0x80;

constexpr std::uint8_t code(Command c)
{
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t code(Request r)
{
    return static_cast<std::uint8_t>(r);
}

} // namespace kelvane::proto
