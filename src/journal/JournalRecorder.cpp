#include "JournalRecorder.h"

#include <array>

namespace kelvane {

JournalRecorder::JournalRecorder(EntrySink sink, const ConnectionState *conn)
    : m_sink(std::move(sink))
    , m_conn(conn)
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
}

JournalEntry JournalRecorder::start(const QString &action)
{
    JournalEntry e;
    e.time = m_clock().toUTC();
    e.action = action;
    if (m_conn && m_conn->Connected) {
        e.softwareRevision = m_conn->SoftwareRevision;
        e.hardwareRevision = m_conn->HardwareRevision;
    }
    return e;
}

void JournalRecorder::actionBegun(const std::string &name, const ImageBytes &before)
{
    const QString given = QString::fromStdString(name);
    m_open = start(m_namer ? m_namer(given) : given);
    m_before = before;
}

void JournalRecorder::imageWritten(const SentImageWrite &write, bool accepted)
{
    JournalFrame f;
    f.type = write.write.kind == ImageWrite::Kind::Byte ? JournalFrame::Type::Byte : JournalFrame::Type::Word;
    f.index = write.write.index;
    f.value = write.value;
    f.accepted = accepted;
    if (m_open) {
        m_open->frames.push_back(f);
        return;
    }
    JournalEntry e = start(QStringLiteral("write outside an action"));
    e.frames.push_back(f);
    finish(e, nullptr);
}

void JournalRecorder::commandSent(ControllerCommand what, std::uint16_t data, bool accepted)
{
    JournalFrame f;
    f.type = JournalFrame::Type::Command;
    f.command = what;
    f.value = data;
    f.accepted = accepted;
    if (m_open) {
        m_open->frames.push_back(f);
        return;
    }
    JournalEntry e = start(QLatin1String(commandName(what)));
    e.frames.push_back(f);
    finish(e, nullptr);
}

void JournalRecorder::actionEnded(const ImageBytes &after)
{
    if (!m_open)
        return;
    JournalEntry e = std::move(*m_open);
    m_open.reset();
    // An action that sent nothing changed nothing on the controller: no entry.
    if (e.frames.empty())
        return;
    finish(e, &m_before, &after);
}

void JournalRecorder::finish(JournalEntry &e, const ImageBytes *before, const ImageBytes *after)
{
    // The last value sent for each byte; frames outside the image are left out of the bytes.
    std::array<int, ImageSize> last;
    last.fill(-1);
    bool anyImage = false, commit = false, anyCommand = false;
    // Word 0 holds the upload marker: only a whole-image upload writes it, and it starts with it,
    // so an upload cut off before its commit is still known as one.
    const bool startsAtWordZero
        = !e.frames.empty() && e.frames.front().type == JournalFrame::Type::Word && e.frames.front().index == 0;
    for (const JournalFrame &f : e.frames) {
        if (!f.accepted)
            e.state = EntryState::Interrupted;
        switch (f.type) {
        case JournalFrame::Type::Byte:
            anyImage = true;
            if (f.index >= 0 && f.index < ImageSize)
                last[f.index] = f.value & 0xFF;
            break;
        case JournalFrame::Type::Word:
            anyImage = true;
            if (f.index >= 0 && f.index < ImageWordCount) {
                last[2 * f.index] = f.value & 0xFF;
                last[2 * f.index + 1] = f.value >> 8;
            }
            break;
        case JournalFrame::Type::Command:
            anyCommand = true;
            commit = commit || f.command == ControllerCommand::CommitImage;
            break;
        }
    }
    e.beforeKnown = before != nullptr;
    for (int i = 0; i < ImageSize; ++i)
        if (last[i] >= 0)
            e.bytes.push_back({ i, before ? (*before)[i] : std::uint8_t(0), static_cast<std::uint8_t>(last[i]) });
    if (commit || startsAtWordZero)
        e.kind = EntryKind::WholeImage;
    else if (anyCommand && !anyImage)
        e.kind = EntryKind::Event;
    else
        e.kind = m_classifier ? m_classifier(e) : EntryKind::Settings;
    if (m_describer && before && after && e.kind != EntryKind::Event)
        e.changes = m_describer(e, *before, *after);
    if (m_sink)
        m_sink(e);
}

} // namespace kelvane
