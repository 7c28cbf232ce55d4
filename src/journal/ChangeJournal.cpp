#include "ChangeJournal.h"

#include "ControllerSession.h"

#include <set>
#include <utility>

namespace kelvane {

namespace {

// The pauses the editors keep after a frame: a byte as a map cell, a word as an axis point.
constexpr int ByteWaitMs = 5;
constexpr int WordWaitMs = 10;

QString frameName(const JournalFrame &f)
{
    switch (f.type) {
    case JournalFrame::Type::Byte:
        return QStringLiteral("byte %1").arg(f.index);
    case JournalFrame::Type::Word:
        return QStringLiteral("word %1").arg(f.index);
    case JournalFrame::Type::Command:
        break;
    }
    return QString::fromLatin1(commandName(f.command));
}

bool isMapReset(const JournalFrame &f)
{
    return f.type == JournalFrame::Type::Command
        && (f.command == ControllerCommand::ResetMapGas || f.command == ControllerCommand::ResetMapPetrol);
}

} // namespace

ChangeJournal::ChangeJournal(ControllerSession &session)
    : m_s(session)
    , m_recorder(std::make_unique<JournalRecorder>([this](const JournalEntry &e) { onEntry(e); }, &session.conn))
{
    m_s.writes.addObserver(m_recorder.get());
}

ChangeJournal::~ChangeJournal()
{
    m_s.writes.removeObserver(m_recorder.get());
}

void ChangeJournal::setFolder(const QString &folder)
{
    m_file = folder.isEmpty() ? nullptr : std::make_unique<JournalFile>(folder);
}

QString ChangeJournal::folder() const
{
    return m_file ? m_file->folder() : QString();
}

JournalReadResult ChangeJournal::readFile() const
{
    return m_file ? m_file->readAll() : JournalReadResult {};
}

void ChangeJournal::onEntry(const JournalEntry &e)
{
    // Frames the port refused all of reached no controller: nothing changed there to record.
    bool anyTaken = false;
    for (const JournalFrame &f : e.frames)
        anyTaken = anyTaken || f.accepted;
    if (!anyTaken && !m_replaying)
        return;
    if (m_file) {
        QString error;
        m_fileError = m_file->append(e, &error) ? QString() : error;
    }
    if (e.kind == EntryKind::WholeImage)
        m_uploadInterrupted = e.state == EntryState::Interrupted;
    if (!m_replaying)
        m_history.record(e);
    if (changed)
        changed();
}

ReplayBlock ChangeJournal::undoBlock() const
{
    if (!m_history.nextUndo())
        return ReplayBlock::Nothing;
    if (!m_s.conn.Connected)
        return ReplayBlock::NotConnected;
    return m_history.undoMatches(m_s.image.bytes) ? ReplayBlock::None : ReplayBlock::ImageDiffers;
}

ReplayBlock ChangeJournal::redoBlock() const
{
    if (!m_history.nextRedo())
        return ReplayBlock::Nothing;
    if (!m_s.conn.Connected)
        return ReplayBlock::NotConnected;
    return m_history.redoMatches(m_s.image.bytes) ? ReplayBlock::None : ReplayBlock::ImageDiffers;
}

ReplayResult ChangeJournal::undo(const Uploader &uploader)
{
    return replay(true, uploader);
}

ReplayResult ChangeJournal::redo(const Uploader &uploader)
{
    return replay(false, uploader);
}

ReplayResult ChangeJournal::replay(bool undo, const Uploader &uploader)
{
    ReplayResult r;
    const ChangeHistory::Item *item = undo ? m_history.nextUndo() : m_history.nextRedo();
    r.block = undo ? undoBlock() : redoBlock();
    const QString verb = undo ? QStringLiteral("Undo") : QStringLiteral("Redo");
    if (item)
        r.action = item->entry.action;
    switch (r.block) {
    case ReplayBlock::None:
        break;
    case ReplayBlock::Nothing:
        r.message = undo ? QStringLiteral("Nothing to undo.") : QStringLiteral("Nothing to redo.");
        return r;
    case ReplayBlock::NotConnected:
        r.message
            = QStringLiteral("%1 of \"%2\" needs the controller connected: nothing was sent.").arg(verb, r.action);
        return r;
    case ReplayBlock::ImageDiffers:
        r.message = QStringLiteral("The controller no longer holds what \"%1\" %2 (it was changed since, or read "
                                   "again after a reconnect): nothing was sent. The change stays in the history.")
                        .arg(r.action, undo ? QStringLiteral("sent") : QStringLiteral("found"));
        return r;
    }

    const JournalEntry entry = item->entry; // the stacks change under the replay's own entry
    m_replaying = true;
    if (entry.kind == EntryKind::WholeImage) {
        ImageBytes target = m_s.image.bytes;
        for (const TouchedByte &b : entry.bytes)
            if (b.offset >= 2)
                target[static_cast<std::size_t>(b.offset)] = undo ? b.before : b.after;
        const std::string name = (undo ? "undo: " : "redo: ") + entry.action.toStdString();
        r.upload = uploader ? uploader(target, name, undo ? "undo" : "redo") : UploadResult {};
        r.framesTotal = ImageWordCount;
        r.framesSent = r.upload.wordsSent;
        r.done = r.upload.ok();
        r.message = r.done
            ? QStringLiteral("%1 of \"%2\": the whole image was sent and committed.").arg(verb, r.action)
            : QStringLiteral("%1 of \"%2\" stopped: %3").arg(verb, r.action, QString::fromStdString(r.upload.message));
        // Nothing went out: the stacks are as they were.
        if (r.upload.wordsSent > 0 || r.done)
            undo ? m_history.undone(r.done) : m_history.redone(r.done);
    } else {
        r = sendFrames(entry, undo);
        undo ? m_history.undone(r.done) : m_history.redone(r.done);
    }
    m_replaying = false;
    if (changed)
        changed();
    return r;
}

ReplayResult ChangeJournal::sendFrames(const JournalEntry &entry, bool undo)
{
    ReplayResult r;
    r.action = entry.action;
    // The value each touched byte is to hold.
    std::array<int, ImageSize> target;
    target.fill(-1);
    for (const TouchedByte &b : entry.bytes)
        target[static_cast<std::size_t>(b.offset)] = undo ? b.before : b.after;

    // Each image frame once, at its first place, and the map resets where they were.
    std::vector<JournalFrame> frames;
    std::set<std::pair<int, int>> seen;
    for (const JournalFrame &f : entry.frames) {
        if (f.type == JournalFrame::Type::Command) {
            if (isMapReset(f))
                frames.push_back(f);
            continue;
        }
        if (seen.insert({ static_cast<int>(f.type), f.index }).second)
            frames.push_back(f);
    }
    r.framesTotal = static_cast<int>(frames.size());

    const QString verb = undo ? QStringLiteral("Undo") : QStringLiteral("Redo");
    const ActionScope scope(m_s.writes, ((undo ? "undo: " : "redo: ") + entry.action).toStdString());
    for (const JournalFrame &f : frames) {
        bool taken = false;
        if (f.type == JournalFrame::Type::Command) {
            taken = m_s.writes.command(f.command, f.value);
        } else {
            const int first = f.type == JournalFrame::Type::Byte ? f.index : 2 * f.index;
            const int count = f.type == JournalFrame::Type::Byte ? 1 : 2;
            std::uint8_t old[2] = { 0, 0 };
            for (int k = 0; k < count; ++k) {
                const auto at = static_cast<std::size_t>(first + k);
                old[k] = m_s.image.bytes[at];
                if (target[at] >= 0)
                    m_s.image.bytes[at] = static_cast<std::uint8_t>(target[at]);
            }
            taken = m_s.writes.write(
                f.type == JournalFrame::Type::Byte ? ImageWrite::byte(f.index) : ImageWrite::word(f.index));
            if (!taken)
                for (int k = 0; k < count; ++k)
                    m_s.image.bytes[static_cast<std::size_t>(first + k)] = old[k];
        }
        if (!taken) {
            r.message = QStringLiteral("%1 of \"%2\" stopped: the port did not take %3. %4 of %5 frames were sent, "
                                       "%6 were not; the controls show what the controller was sent.")
                            .arg(verb, entry.action, frameName(f))
                            .arg(r.framesSent)
                            .arg(r.framesTotal)
                            .arg(r.framesTotal - r.framesSent);
            return r;
        }
        ++r.framesSent;
        m_s.writes.pause(f.type == JournalFrame::Type::Word ? WordWaitMs : ByteWaitMs);
    }
    r.done = true;
    r.message = QStringLiteral("%1 of \"%2\": %3 frames sent.").arg(verb, entry.action).arg(r.framesSent);
    return r;
}

QString undoText(const ChangeHistory &history, bool undo)
{
    const ChangeHistory::Item *item = undo ? history.nextUndo() : history.nextRedo();
    const QString verb = undo ? QStringLiteral("Undo") : QStringLiteral("Redo");
    return item ? QStringLiteral("%1 %2").arg(verb, item->entry.action) : verb;
}

} // namespace kelvane
