#include "WriteDispatcher.h"

#include <algorithm>

namespace kelvane {

const char *commandName(ControllerCommand command)
{
    switch (command) {
    case ControllerCommand::ModeGas:
        return "mode gas";
    case ControllerCommand::ModeAuto:
        return "mode auto";
    case ControllerCommand::ModePetrol:
        return "mode petrol";
    case ControllerCommand::ResetMapPetrol:
        return "reset map petrol";
    case ControllerCommand::ResetMapGas:
        return "reset map gas";
    case ControllerCommand::EraseErrors:
        return "erase errors";
    case ControllerCommand::ObdErase:
        return "OBD erase";
    case ControllerCommand::GasCutOffWord:
        return "gas injectors";
    case ControllerCommand::PetrolOverrideWord:
        return "petrol injectors";
    case ControllerCommand::CommitImage:
        return "commit image";
    }
    return "";
}

WriteDispatcher::WriteDispatcher(Commands &commands, const ParameterImage &image)
    : m_commands(commands)
    , m_image(image)
{
}

void WriteDispatcher::addObserver(WriteObserver *observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void WriteDispatcher::removeObserver(WriteObserver *observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

bool WriteDispatcher::write_(const std::uint8_t *from, const ImageWrite &write)
{
    SentImageWrite sent { write, 0 };
    bool accepted = false;
    if (write.kind == ImageWrite::Kind::Byte) {
        if (write.index >= 0 && write.index < ImageSize)
            sent.value = from[write.index];
        accepted = m_commands.SendImageByte(from, write.index);
    } else {
        if (write.index >= 0 && write.index < ImageWordCount)
            sent.value = static_cast<std::uint16_t>(from[2 * write.index] | (from[2 * write.index + 1] << 8));
        accepted = m_commands.SendImageWord(from, write.index);
    }
    for (WriteObserver *o : m_observers)
        o->imageWritten(sent, accepted);
    return accepted;
}

bool WriteDispatcher::writeDword(int offset)
{
    // The same two frames as Commands::SendImageDword, each reported.
    const bool low = writeWord(offset / 2);
    const bool high = writeWord(offset / 2 + 1);
    return low && high;
}

bool WriteDispatcher::command(ControllerCommand what, std::uint16_t data)
{
    // Most commands report nothing: a frame the port refused shows in the failure count.
    const std::uint64_t failedBefore = m_commands.failedWrites();
    bool accepted = true;
    switch (what) {
    case ControllerCommand::ModeGas:
        m_commands.SendModeGas();
        break;
    case ControllerCommand::ModeAuto:
        m_commands.SendModeAuto();
        break;
    case ControllerCommand::ModePetrol:
        m_commands.SendModePetrol();
        break;
    case ControllerCommand::ResetMapPetrol:
        m_commands.SendResetMapPetrol();
        break;
    case ControllerCommand::ResetMapGas:
        m_commands.SendResetMapGas();
        break;
    case ControllerCommand::EraseErrors:
        m_commands.SendEraseErrors();
        break;
    case ControllerCommand::ObdErase:
        m_commands.SendObdErase();
        break;
    case ControllerCommand::GasCutOffWord:
        m_commands.SendGasCutOffWord(data);
        break;
    case ControllerCommand::PetrolOverrideWord:
        m_commands.SendPetrolOverrideWord(data);
        break;
    case ControllerCommand::CommitImage:
        accepted = m_commands.SendCommitImage(data);
        break;
    }
    accepted = accepted && m_commands.failedWrites() == failedBefore;
    for (WriteObserver *o : m_observers)
        o->commandSent(what, data, accepted);
    return accepted;
}

void WriteDispatcher::pause(int ms)
{
    m_commands.link().sleepMs(ms);
}

void WriteDispatcher::begin(const std::string &name)
{
    if (m_depth++ > 0)
        return;
    for (WriteObserver *o : m_observers)
        o->actionBegun(name, m_image.bytes);
}

void WriteDispatcher::end()
{
    if (--m_depth > 0)
        return;
    for (WriteObserver *o : m_observers)
        o->actionEnded(m_image.bytes);
}

ActionScope::ActionScope(WriteDispatcher &dispatcher, const std::string &name)
    : m_d(dispatcher)
{
    m_d.begin(name);
}

ActionScope::~ActionScope()
{
    m_d.end();
}

} // namespace kelvane
