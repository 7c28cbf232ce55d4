#include "ChangeHistory.h"

namespace kelvane {

bool imageHolds(const JournalEntry &e, const ImageBytes &image, bool after, bool either)
{
    for (const TouchedByte &b : e.bytes) {
        if (e.kind == EntryKind::WholeImage && b.offset < 2)
            continue;
        const std::uint8_t held = image[static_cast<std::size_t>(b.offset)];
        const std::uint8_t want = after ? b.after : b.before;
        if (held != want && !(either && held == (after ? b.before : b.after)))
            return false;
    }
    return true;
}

bool changedAnything(const JournalEntry &e)
{
    for (const TouchedByte &b : e.bytes)
        if (b.before != b.after)
            return true;
    return false;
}

void ChangeHistory::record(const JournalEntry &e)
{
    if (e.kind == EntryKind::WholeImage && e.state == EntryState::Interrupted) {
        clear();
        return;
    }
    if (e.kind == EntryKind::Event || !e.beforeKnown || !changedAnything(e))
        return;
    m_undo.push_back({ e, false });
    m_redo.clear();
}

bool ChangeHistory::undoMatches(const ImageBytes &image) const
{
    const Item *i = nextUndo();
    return i && imageHolds(i->entry, image, true, i->partial);
}

bool ChangeHistory::redoMatches(const ImageBytes &image) const
{
    const Item *i = nextRedo();
    return i && imageHolds(i->entry, image, false, i->partial);
}

void ChangeHistory::undone(bool complete)
{
    if (m_undo.empty())
        return;
    if (!complete) {
        m_undo.back().partial = true;
        return;
    }
    Item item = std::move(m_undo.back());
    m_undo.pop_back();
    item.partial = false;
    m_redo.push_back(std::move(item));
}

void ChangeHistory::redone(bool complete)
{
    if (m_redo.empty())
        return;
    if (!complete) {
        m_redo.back().partial = true;
        return;
    }
    Item item = std::move(m_redo.back());
    m_redo.pop_back();
    item.partial = false;
    m_undo.push_back(std::move(item));
}

void ChangeHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
}

} // namespace kelvane
