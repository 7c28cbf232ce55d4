#include "JournalEntry.h"

#include <QJsonArray>

#include <cmath>

namespace kelvane {

namespace {

constexpr ControllerCommand AllCommands[] = {
    ControllerCommand::ModeGas,
    ControllerCommand::ModeAuto,
    ControllerCommand::ModePetrol,
    ControllerCommand::ResetMapPetrol,
    ControllerCommand::ResetMapGas,
    ControllerCommand::EraseErrors,
    ControllerCommand::ObdErase,
    ControllerCommand::GasCutOffWord,
    ControllerCommand::PetrolOverrideWord,
    ControllerCommand::CommitImage,
};

constexpr EntryKind AllKinds[] = { EntryKind::Settings, EntryKind::Map, EntryKind::WholeImage, EntryKind::Event };

// A whole number in [lo, hi] from a JSON value, or nothing.
std::optional<int> intIn(const QJsonValue &v, int lo, int hi)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    // The range first: converting a number as large as 1e300 to an integer is undefined.
    if (!(d >= lo && d <= hi) || d != std::floor(d))
        return std::nullopt;
    return static_cast<int>(d);
}

} // namespace

const char *entryKindName(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Settings:
        return "settings";
    case EntryKind::Map:
        return "map";
    case EntryKind::WholeImage:
        return "image";
    case EntryKind::Event:
        return "event";
    }
    return "";
}

std::optional<EntryKind> entryKindFromName(const QString &name)
{
    for (EntryKind k : AllKinds)
        if (name == QLatin1String(entryKindName(k)))
            return k;
    return std::nullopt;
}

std::optional<ControllerCommand> commandFromName(const QString &name)
{
    for (ControllerCommand c : AllCommands)
        if (name == QLatin1String(commandName(c)))
            return c;
    return std::nullopt;
}

// One line of the file, for example:
// {"action":"ComboBoxInjTyp","bytes":[[131,1,2]],"frames":[{"b":131,"v":2}],"hw":2,"kind":"settings",
//  "state":"done","sw":3,"time":"2026-12-11T03:20:00.123Z"}
// bytes: [offset, before, after]; frames: {"b": offset} or {"w": word index} with the value sent,
// or {"cmd": name, "v": data}; "refused": true on a frame the port did not take; "beforeUnknown":
// true on an entry without an image taken before it; sw/hw left out while not known; "changes":
// [[setting, before, after]] the settings changed in words, left out when there are none.
QJsonObject entryToJson(const JournalEntry &e)
{
    QJsonObject o;
    o[QStringLiteral("time")] = e.time.toUTC().toString(Qt::ISODateWithMs);
    o[QStringLiteral("action")] = e.action;
    o[QStringLiteral("kind")] = QLatin1String(entryKindName(e.kind));
    o[QStringLiteral("state")] = e.state == EntryState::Done ? QStringLiteral("done") : QStringLiteral("interrupted");
    if (!e.beforeKnown)
        o[QStringLiteral("beforeUnknown")] = true;
    if (e.softwareRevision)
        o[QStringLiteral("sw")] = e.softwareRevision;
    if (e.hardwareRevision)
        o[QStringLiteral("hw")] = e.hardwareRevision;
    QJsonArray bytes;
    for (const TouchedByte &b : e.bytes)
        bytes.append(QJsonArray { b.offset, b.before, b.after });
    o[QStringLiteral("bytes")] = bytes;
    QJsonArray frames;
    for (const JournalFrame &f : e.frames) {
        QJsonObject fo;
        switch (f.type) {
        case JournalFrame::Type::Byte:
            fo[QStringLiteral("b")] = f.index;
            break;
        case JournalFrame::Type::Word:
            fo[QStringLiteral("w")] = f.index;
            break;
        case JournalFrame::Type::Command:
            fo[QStringLiteral("cmd")] = QLatin1String(commandName(f.command));
            break;
        }
        fo[QStringLiteral("v")] = f.value;
        if (!f.accepted)
            fo[QStringLiteral("refused")] = true;
        frames.append(fo);
    }
    o[QStringLiteral("frames")] = frames;
    if (!e.changes.empty()) {
        QJsonArray changes;
        for (const ChangeLine &c : e.changes)
            changes.append(QJsonArray { c.setting, c.before, c.after });
        o[QStringLiteral("changes")] = changes;
    }
    return o;
}

std::optional<JournalEntry> entryFromJson(const QJsonObject &o)
{
    JournalEntry e;
    const QJsonValue time = o.value(QStringLiteral("time"));
    const QJsonValue action = o.value(QStringLiteral("action"));
    const QJsonValue state = o.value(QStringLiteral("state"));
    if (!time.isString() || !action.isString() || !state.isString())
        return std::nullopt;
    e.time = QDateTime::fromString(time.toString(), Qt::ISODateWithMs);
    if (!e.time.isValid())
        return std::nullopt;
    e.time = e.time.toUTC();
    e.action = action.toString();
    const std::optional<EntryKind> kind = entryKindFromName(o.value(QStringLiteral("kind")).toString());
    if (!kind)
        return std::nullopt;
    e.kind = *kind;
    if (state.toString() == QLatin1String("done"))
        e.state = EntryState::Done;
    else if (state.toString() == QLatin1String("interrupted"))
        e.state = EntryState::Interrupted;
    else
        return std::nullopt;
    e.beforeKnown = !o.value(QStringLiteral("beforeUnknown")).toBool(false);
    for (const char *key : { "sw", "hw" }) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            continue;
        const std::optional<int> r = intIn(v, 0, 255);
        if (!r)
            return std::nullopt;
        (key[0] == 's' ? e.softwareRevision : e.hardwareRevision) = static_cast<std::uint8_t>(*r);
    }
    const QJsonValue bytes = o.value(QStringLiteral("bytes"));
    const QJsonValue frames = o.value(QStringLiteral("frames"));
    if (!bytes.isArray() || !frames.isArray())
        return std::nullopt;
    for (const QJsonValue &bv : bytes.toArray()) {
        const QJsonArray a = bv.toArray();
        if (a.size() != 3)
            return std::nullopt;
        const auto off = intIn(a[0], 0, ImageSize - 1);
        const auto before = intIn(a[1], 0, 255);
        const auto after = intIn(a[2], 0, 255);
        if (!off || !before || !after)
            return std::nullopt;
        e.bytes.push_back({ *off, static_cast<std::uint8_t>(*before), static_cast<std::uint8_t>(*after) });
    }
    for (const QJsonValue &fv : frames.toArray()) {
        if (!fv.isObject())
            return std::nullopt;
        const QJsonObject fo = fv.toObject();
        JournalFrame f;
        std::optional<int> value;
        if (fo.contains(QStringLiteral("b"))) {
            f.type = JournalFrame::Type::Byte;
            const auto i = intIn(fo.value(QStringLiteral("b")), 0, ImageSize - 1);
            value = intIn(fo.value(QStringLiteral("v")), 0, 255);
            if (!i)
                return std::nullopt;
            f.index = *i;
        } else if (fo.contains(QStringLiteral("w"))) {
            f.type = JournalFrame::Type::Word;
            const auto i = intIn(fo.value(QStringLiteral("w")), 0, ImageWordCount - 1);
            value = intIn(fo.value(QStringLiteral("v")), 0, 0xFFFF);
            if (!i)
                return std::nullopt;
            f.index = *i;
        } else {
            f.type = JournalFrame::Type::Command;
            const auto c = commandFromName(fo.value(QStringLiteral("cmd")).toString());
            value = intIn(fo.value(QStringLiteral("v")), 0, 0xFFFF);
            if (!c)
                return std::nullopt;
            f.command = *c;
        }
        if (!value)
            return std::nullopt;
        f.value = static_cast<std::uint16_t>(*value);
        f.accepted = !fo.value(QStringLiteral("refused")).toBool(false);
        e.frames.push_back(f);
    }
    const QJsonValue changes = o.value(QStringLiteral("changes"));
    if (!changes.isUndefined()) {
        if (!changes.isArray())
            return std::nullopt;
        for (const QJsonValue &cv : changes.toArray()) {
            const QJsonArray a = cv.toArray();
            if (a.size() != 3 || !a[0].isString() || !a[1].isString() || !a[2].isString())
                return std::nullopt;
            e.changes.push_back({ a[0].toString(), a[1].toString(), a[2].toString() });
        }
    }
    return e;
}

QString entryText(const JournalEntry &e)
{
    QString text = QStringLiteral("%1  %2  %3 bytes")
                       .arg(e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), e.action)
                       .arg(e.bytes.size());
    if (e.state == EntryState::Interrupted)
        text += QStringLiteral("  interrupted");
    return text;
}

} // namespace kelvane
