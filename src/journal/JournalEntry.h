#pragma once
// The change journal's record of one user action: which image bytes it changed on the controller
// (each byte's value before and after), the frames as they went out with whether the port took
// them, and when. Whole-image uploads, map operations and settings changes can be taken back from
// their bytes; events (erases, mode switches, injector switches) are only listed.

#include "WriteDispatcher.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace kelvane {

enum class EntryKind : std::uint8_t {
    Settings, // a settings change with its cascade
    Map, // a map operation
    WholeImage, // a parameter-file load or a reset: all 384 words and the commit
    Event, // a command that is not taken back: an erase, a mode or injector switch
};

enum class EntryState : std::uint8_t {
    Done, // every frame went out
    Interrupted, // the port refused at least one frame
};

// One image byte the action sent: its value before the action and the value the controller was
// sent last.
struct TouchedByte {
    int offset = 0;
    std::uint8_t before = 0;
    std::uint8_t after = 0;
    bool operator==(const TouchedByte &o) const { return offset == o.offset && before == o.before && after == o.after; }
};

// One frame as it went out, in order.
struct JournalFrame {
    enum class Type : std::uint8_t { Byte, Word, Command };
    Type type = Type::Byte;
    int index = 0; // byte offset (Byte) or word index (Word)
    std::uint16_t value = 0; // the byte or word sent; a command's data word
    ControllerCommand command = ControllerCommand::ModeGas; // Command only
    bool accepted = true;
    bool operator==(const JournalFrame &o) const
    {
        return type == o.type && index == o.index && value == o.value && (type != Type::Command || command == o.command)
            && accepted == o.accepted;
    }
};

// One setting the action changed, in words: "engine type: 4 cylinders -> 6 cylinders", or for a
// map "main map: 128 cells" (before empty, after the count).
struct ChangeLine {
    QString setting;
    QString before;
    QString after;
    bool operator==(const ChangeLine &o) const
    {
        return setting == o.setting && before == o.before && after == o.after;
    }
};

struct JournalEntry {
    QDateTime time; // UTC, millisecond precision
    QString action;
    EntryKind kind = EntryKind::Settings;
    EntryState state = EntryState::Done;
    // Whether `before` of the touched bytes is known: a write sent outside any action has no image
    // taken before it, and such an entry cannot be taken back.
    bool beforeKnown = true;
    std::vector<TouchedByte> bytes; // ascending offsets
    std::vector<JournalFrame> frames;
    std::vector<ChangeLine> changes; // the settings changed, in words, as the window showed them
    // The controller's revisions at the time, when a controller was connected (0: not known).
    std::uint8_t softwareRevision = 0;
    std::uint8_t hardwareRevision = 0;
};

const char *entryKindName(EntryKind kind); // "settings", "map", "image", "event"
std::optional<EntryKind> entryKindFromName(const QString &name);
std::optional<ControllerCommand> commandFromName(const QString &name);

// The entry as one JSON object, and back. fromJson returns nothing for an object that is not a
// whole entry (a missing or malformed member, an offset outside the image).
QJsonObject entryToJson(const JournalEntry &entry);
std::optional<JournalEntry> entryFromJson(const QJsonObject &object);

// The line a history list shows: "2026-12-11 03:20:00  ComboBoxInjTyp  3 bytes", local time, with
// "  interrupted" after an entry whose frames were not all taken.
QString entryText(const JournalEntry &entry);

} // namespace kelvane
