#pragma once
// What a map operation sends: an ordered list of image writes (each with the value the image
// held at that step and the pause after it), and the one executor that puts such a list on the
// line. Every map operation first changes the image and returns its list; the window then hands
// the list to sendWrites and steps its progress bar from the callback.

#include "ParameterImage.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kelvane {
class WriteDispatcher;
}

namespace kelvane::maps {

enum class WriteKind : std::uint8_t {
    Byte, // SendImageByte of byte offset `index`
    Word, // SendImageWord of word index `index`
    ResetMapGas, // SendResetMapGas ("reset propane"); index and value unused
};

struct Write {
    WriteKind kind = WriteKind::Byte;
    int index = 0; // byte offset (Byte) or word index (Word)
    std::uint16_t value = 0; // the byte or word as the operation left it at this step
    int waitMs = 0; // pause after the frame

    bool operator==(const Write &o) const
    {
        return kind == o.kind && index == o.index && value == o.value && waitMs == o.waitMs;
    }
};
using WritePlan = std::vector<Write>;

// Pauses the editors keep after each frame.
constexpr int CellWaitMs = 5;
constexpr int AxisWordWaitMs = 10;

// Appends a byte write of the image's current byte at `offset`.
void addByteWrite(WritePlan &plan, const ParameterImage &image, int offset, int waitMs = CellWaitMs);
// Appends a word write of the image's current word `wordIndex`.
void addWordWrite(WritePlan &plan, const ParameterImage &image, int wordIndex, int waitMs);

// Byte offsets (Byte) or word indices (Word) of a plan, in order; other kinds give -1.
std::vector<int> writeIndices(const WritePlan &plan);

// Sends the plan in order through the session's write dispatcher (image bytes, words, reset map gas),
// with each write's pause. Each frame carries the value recorded in the plan (sent from a copy of
// `image` with that value in place), so the controller sees the same sequence of values as the
// operation produced even when a later step of the same operation changed the cell again.
// progress(sent, total) is called after every write. Nothing is acknowledged or retried: a
// missing controller makes the frames vanish, as with every other write.
void sendWrites(WriteDispatcher &writes, const ParameterImage &image, const WritePlan &plan,
    const std::function<void(int sent, int total)> &progress = {});

} // namespace kelvane::maps
