#pragma once
// The one way to the controller's memory and state: every image write and every command that
// changes the controller goes out through a WriteDispatcher (the session's `writes`). Observers see
// each frame with whether the port took it, and the user actions that produced them: an
// ActionScope names an action, the image as it was when the outermost scope began and as it is
// when it ends. Reads (hello, live record, image blocks, error memory, OBD reads) do not pass here.
//
// The dispatcher only routes: the frames, their order and their pauses are those of Commands.
// Whether a controller is connected is for the caller to decide, as before.

#include "Commands.h"
#include "FieldCodec.h"
#include "ParameterImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

// Commands that change the controller's state.
enum class ControllerCommand : std::uint8_t {
    ModeGas,
    ModeAuto,
    ModePetrol,
    ResetMapPetrol,
    ResetMapGas,
    EraseErrors, // the controller's error memory
    ObdErase, // the car's OBD trouble codes
    GasCutOffWord, // the gas injectors switched off and on
    PetrolOverrideWord, // the petrol injectors switched off and on
    CommitImage, // ends a whole-image upload
};
const char *commandName(ControllerCommand command);

// One image frame as it went out: the byte or word and the value it carried.
struct SentImageWrite {
    ImageWrite write;
    std::uint16_t value = 0;
};

class WriteObserver {
public:
    virtual ~WriteObserver() = default;
    // The outermost ActionScope began; `before` is the image then.
    virtual void actionBegun(const std::string &name, const ImageBytes &before) = 0;
    virtual void imageWritten(const SentImageWrite &write, bool accepted) = 0;
    // `data`: the word a command carries (0 for those without one).
    virtual void commandSent(ControllerCommand what, std::uint16_t data, bool accepted) = 0;
    // The outermost ActionScope ended; `after` is the image then.
    virtual void actionEnded(const ImageBytes &after) = 0;
};

class WriteDispatcher {
public:
    // image: the PC's copy of the controller's memory, which the writes send from and the action
    // scopes take their snapshots of.
    WriteDispatcher(Commands &commands, const ParameterImage &image);
    WriteDispatcher(const WriteDispatcher &) = delete;
    WriteDispatcher &operator=(const WriteDispatcher &) = delete;

    // Observers are not owned; remove one before it dies.
    void addObserver(WriteObserver *observer);
    void removeObserver(WriteObserver *observer);

    // Sends the byte (ImageWrite::Kind::Byte: offset) or word (Word: index) as the image holds it;
    // false when the port did not take the frame.
    bool write(const ImageWrite &write) { return write_(m_image.bytes.data(), write); }
    bool writeByte(int offset) { return write(ImageWrite::byte(offset)); }
    bool writeWord(int wordIndex) { return write(ImageWrite::word(wordIndex)); }
    // The 32-bit value at byte `offset`: its two words, low word first.
    bool writeDword(int offset);
    // The same from another copy of the image (a map plan sends each step's value from a scratch
    // copy); `from` holds ImageSize bytes.
    bool writeFrom(const ImageBytes &from, const ImageWrite &write) { return write_(from.data(), write); }

    // A state-changing command; `data` for GasCutOffWord, PetrolOverrideWord and CommitImage.
    // Returns whether the port took the frame.
    bool command(ControllerCommand what, std::uint16_t data = 0);

    // The pause a sequence of writes keeps between two frames.
    void pause(int ms);

    // Depth of the live ActionScopes (0: no action running).
    int actionDepth() const { return m_depth; }

private:
    friend class ActionScope;
    bool write_(const std::uint8_t *from, const ImageWrite &write);
    void begin(const std::string &name);
    void end();

    Commands &m_commands;
    const ParameterImage &m_image;
    std::vector<WriteObserver *> m_observers;
    int m_depth = 0;
};

// One user action: the scope's life spans every write it makes. Nested scopes fold into the
// outermost one, which alone is reported with its name.
class ActionScope {
public:
    ActionScope(WriteDispatcher &dispatcher, const std::string &name);
    ~ActionScope();
    ActionScope(const ActionScope &) = delete;
    ActionScope &operator=(const ActionScope &) = delete;

private:
    WriteDispatcher &m_d;
};

} // namespace kelvane
