#pragma once
// The undo and redo stacks of one program run. An entry can be taken back only while the
// controller still holds what it sent: the PC's image (read again after every reconnect) holds the
// entry's after-values in every byte it touched. Redo asks the same of the before-values.
//
// What goes on the stacks: settings changes, map operations and whole-image uploads whose image
// before is known and that changed at least one byte. An entry that changed nothing (a value sent
// again as it was) is only listed, so that a repeat on focus-out does not empty the redo stack.
// Events (erases, mode and injector switches) and writes outside an action are only listed. An
// interrupted whole-image upload empties both stacks: the controller holds a partly sent image,
// which the restore point, not an undo, takes back.

#include "JournalEntry.h"

#include <vector>

namespace kelvane {

// Whether the image holds the entry's after-values (`after`) or before-values in every byte the
// entry touched; `either` accepts either value in each byte (an undo or redo that stopped half
// way). A whole-image entry leaves out word 0, which every upload sets to its marker.
bool imageHolds(const JournalEntry &entry, const ImageBytes &image, bool after, bool either = false);

// Whether the entry changed at least one byte.
bool changedAnything(const JournalEntry &entry);

class ChangeHistory {
public:
    struct Item {
        JournalEntry entry;
        bool partial = false; // an undo or redo of it stopped half way
    };

    // A finished user action (see above).
    void record(const JournalEntry &entry);

    // The entry an undo (redo) would take back (send again), or null.
    const Item *nextUndo() const { return m_undo.empty() ? nullptr : &m_undo.back(); }
    const Item *nextRedo() const { return m_redo.empty() ? nullptr : &m_redo.back(); }
    bool undoMatches(const ImageBytes &image) const;
    bool redoMatches(const ImageBytes &image) const;

    // After an undo (redo) of the next entry: a complete one moves it to the other stack, an
    // incomplete one leaves it where it is, marked partial.
    void undone(bool complete);
    void redone(bool complete);

    // Oldest first; the last is the next undo.
    const std::vector<Item> &undoStack() const { return m_undo; }
    const std::vector<Item> &redoStack() const { return m_redo; }

    void clear();

private:
    std::vector<Item> m_undo;
    std::vector<Item> m_redo;
};

} // namespace kelvane
