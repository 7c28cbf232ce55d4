#include "MapWrites.h"

#include "WriteDispatcher.h"

namespace kelvane::maps {

void addByteWrite(WritePlan &plan, const ParameterImage &image, int offset, int waitMs)
{
    plan.push_back({ WriteKind::Byte, offset, image.byte(offset), waitMs });
}

void addWordWrite(WritePlan &plan, const ParameterImage &image, int wordIndex, int waitMs)
{
    plan.push_back({ WriteKind::Word, wordIndex, image.wordAt(wordIndex), waitMs });
}

std::vector<int> writeIndices(const WritePlan &plan)
{
    std::vector<int> out;
    out.reserve(plan.size());
    for (const Write &w : plan)
        out.push_back(w.kind == WriteKind::ResetMapGas ? -1 : w.index);
    return out;
}

void sendWrites(WriteDispatcher &writes, const ParameterImage &image, const WritePlan &plan,
    const std::function<void(int sent, int total)> &progress)
{
    ParameterImage scratch = image;
    const int total = static_cast<int>(plan.size());
    int sent = 0;
    for (const Write &w : plan) {
        switch (w.kind) {
        case WriteKind::Byte:
            if (w.index >= 0 && w.index < ImageSize) {
                scratch.setByte(w.index, static_cast<std::uint8_t>(w.value));
                writes.writeFrom(scratch.bytes, ImageWrite::byte(w.index));
            }
            break;
        case WriteKind::Word:
            if (w.index >= 0 && w.index < ImageWordCount) {
                scratch.setWordAt(w.index, w.value);
                writes.writeFrom(scratch.bytes, ImageWrite::word(w.index));
            }
            break;
        case WriteKind::ResetMapGas:
            writes.command(ControllerCommand::ResetMapGas);
            break;
        }
        if (w.waitMs > 0)
            writes.pause(w.waitMs);
        ++sent;
        if (progress)
            progress(sent, total);
    }
}

} // namespace kelvane::maps
