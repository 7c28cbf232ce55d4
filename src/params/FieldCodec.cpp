#include "FieldCodec.h"

#include "Conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace kelvane {

namespace {
using ext = long double;

// HeatLow2Rpm, the speed word of ComboBoxHeatMode's second low heating pulse: the period of
// HeatLow2Speed while the pulse is on. "Off" is stored as HeatLow2OffStored; a controller may also
// hold HeatLow2OffRead, which reads as off too. These are the only places that spell them.
constexpr std::uint32_t HeatLow2Speed = 1200; // rpm
constexpr std::uint16_t HeatLow2OffStored = 0;
constexpr std::uint16_t HeatLow2OffRead = 65500;

// The valvetronic corrections in milliseconds, in the order of the table's bytes.
constexpr float ValvetronicMs[8] = { -0.1f, 0.2f, 0.6f, 0.8f, 1.0f, 1.2f, 1.4f, 1.5f };

// A row of the field table by name. The codecs that keep several places in step find them here
// rather than repeating their offsets; the table always has these rows (its test checks them).
const FieldDef &row(const char *name)
{
    const FieldDef *f = findField(QLatin1String(name));
    if (!f)
        qFatal("the field table has no row %s", name);
    return *f;
}

// The places of ComboBoxHeatMode and CheckBoxValvetronic, looked up once.
struct CodecRows {
    const FieldDef &heatLow1 = row("HeatLow1"); // the first low pulse, items 1 and 3
    const FieldDef &heatLow2Rpm = row("HeatLow2Rpm"); // speed limit of the second low pulse, items 2 and 3
    const FieldDef &valvetronicOffA = row("ValvetronicOffA"); // set while valvetronic is off
    const FieldDef &valvetronicOffB = row("ValvetronicOffB");
    const FieldDef &valvetronicTable = row("ValvetronicTable"); // the corrections, units of 10 ticks
};
const CodecRows &codecRows()
{
    static const CodecRows rows;
    return rows;
}

// A control's value as the number it shows: the extended value nearest to the double's shortest
// decimal text, so 0.3 bar x 1000 truncates to 300 and not to 299.
ext decimalValue(double v)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, v);
    *res.ptr = '\0';
    return std::strtold(buf, nullptr);
}

std::int64_t truncExt(ext v)
{
    if (!(v > -9.0e18L && v < 9.0e18L)) // also catches NaN
        return 0;
    return static_cast<std::int64_t>(std::trunc(v));
}

ImageWrites writesOf(const FieldDef &f)
{
    switch (f.send) {
    case SendKind::Byte:
        return { ImageWrite::byte(f.sendIndex) };
    case SendKind::Word:
        return { ImageWrite::word(f.sendIndex) };
    case SendKind::Dword:
        return { ImageWrite::word(f.sendIndex), ImageWrite::word(f.sendIndex + 1) };
    }
    return {};
}

// Stores the low bits of v into the field's place (two's complement for negative values).
void storeRaw(ParameterImage &img, const FieldDef &f, std::int64_t v)
{
    switch (f.width) {
    case FieldWidth::Byte:
        img.setByte(f.offset, static_cast<std::uint8_t>(v & 0xFF));
        break;
    case FieldWidth::Word:
        img.setWord(f.offset, static_cast<std::uint16_t>(v & 0xFFFF));
        break;
    case FieldWidth::Dword:
        img.setDword(f.offset, static_cast<std::uint32_t>(v & 0xFFFFFFFF));
        break;
    case FieldWidth::Bits:
        img.setBits(f.offset, f.bitNo, f.count, static_cast<unsigned>(v));
        break;
    case FieldWidth::ByteTable:
        for (int i = 0; i < f.count; ++i)
            img.setByte(f.offset + i, static_cast<std::uint8_t>(v & 0xFF));
        break;
    }
}

// The range a field without a control can hold.
std::int64_t clampToWidth(const FieldDef &f, std::int64_t v)
{
    std::int64_t lo = 0, hi = 0;
    switch (f.width) {
    case FieldWidth::Byte:
    case FieldWidth::ByteTable:
        lo = f.isSigned ? -128 : 0;
        hi = f.isSigned ? 127 : 255;
        break;
    case FieldWidth::Word:
        lo = f.isSigned ? -32768 : 0;
        hi = f.isSigned ? 32767 : 65535;
        break;
    case FieldWidth::Dword:
        lo = f.isSigned ? INT32_MIN : 0;
        hi = f.isSigned ? INT32_MAX : static_cast<std::int64_t>(UINT32_MAX);
        break;
    case FieldWidth::Bits:
        lo = 0;
        hi = (1 << f.count) - 1;
        break;
    }
    return std::clamp(v, lo, hi);
}

std::uint32_t toRpm(const ParameterImage &img, std::uint32_t ticks, const DecodeContext &ctx)
{
    return TicksToRpm(ticks, engineType(img), rpmSignal(img), ctx.timeBases);
}

std::int64_t fromRpm(const ParameterImage &img, std::uint32_t rpm, const DecodeContext &ctx)
{
    // A period past the word is held at the longest one rather than wrapped to a far higher speed.
    return std::clamp<std::int64_t>(RpmToTicks(rpm, engineType(img), rpmSignal(img), ctx.timeBases), 0, 65535);
}

// Combo-box item or track-bar position from the stored value (before the range check).
std::int64_t itemOf(const ParameterImage &img, const FieldDef &f, std::int64_t stored, const DecodeContext &ctx)
{
    switch (f.encoding) {
    case Encoding::Linear:
        return (stored - f.add) / f.mult;
    case Encoding::Custom:
        switch (f.codec) {
        case Codec::RpmSwItem:
            return std::clamp<std::int64_t>(
                static_cast<std::int64_t>(toRpm(img, static_cast<std::uint32_t>(stored), ctx) / 100) - 5, 0, 15);
        case Codec::OffRpmItem: {
            if (stored == 0)
                return 0;
            const std::uint32_t diff = toRpm(img, static_cast<std::uint32_t>(stored), ctx)
                - static_cast<std::uint32_t>(f.showRpm); // unsigned: below the first item wraps out of range
            return diff / 100;
        }
        case Codec::HeatMode: {
            // Both 65500 and 0 mean "second low pulse off": the controller's tool zeroed the word in
            // its copy when it showed the image, so 0 is what a controller set up by it may hold.
            const std::int64_t low2 = storedValue(img, codecRows().heatLow2Rpm);
            return (storedValue(img, codecRows().heatLow1) != 0 ? 1 : 0)
                + (secondLowPulseOn(static_cast<std::uint16_t>(low2)) ? 2 : 0);
        }
        default:
            return stored;
        }
    default:
        return stored;
    }
}

// Spin-edit value from the stored value (before the range limit).
double numberOf(
    const ParameterImage &img, const FieldDef &f, std::int64_t stored, const DecodeContext &ctx, bool *single)
{
    *single = false;
    switch (f.encoding) {
    case Encoding::Ticks:
        *single = true;
        return TicksToMs(static_cast<std::int32_t>(stored), f.selector, ctx.timeBases);
    case Encoding::Period:
        return toRpm(img, static_cast<std::uint32_t>(stored), ctx);
    case Encoding::Linear:
        return static_cast<double>((stored - f.add) / f.mult);
    case Encoding::Scaled:
        return static_cast<double>(static_cast<ext>(stored) * f.showFactor * f.showFactor2);
    case Encoding::Custom:
        if (f.codec == Codec::Hold)
            return static_cast<double>(100 - (stored * 100) / 29);
        return static_cast<double>(stored);
    case Encoding::Raw:
        return static_cast<double>(stored);
    }
    return static_cast<double>(stored);
}

void append(ImageWrites &to, const ImageWrites &from)
{
    to.insert(to.end(), from.begin(), from.end());
}

ImageWrites encodeValvetronic(ParameterImage &img, bool ticked, const DecodeContext &ctx)
{
    const CodecRows &r = codecRows();
    // Both flags are set while valvetronic is off.
    storeRaw(img, r.valvetronicOffA, ticked ? 0 : 1);
    storeRaw(img, r.valvetronicOffB, ticked ? 0 : 1);
    const FieldDef &table = r.valvetronicTable;
    const int n = std::min(table.count, static_cast<int>(std::size(ValvetronicMs)));
    for (int i = 0; i < n; ++i) {
        const std::int32_t count = ticked ? 0 : MsToTicks(ValvetronicMs[i], 1, ctx.timeBases);
        img.setByte(table.offset + i, static_cast<std::uint8_t>((count / 10) & 0xFF));
    }
    // The flag words, the second flag's first, then the table from its last byte down.
    ImageWrites w = writesOf(r.valvetronicOffB);
    append(w, writesOf(r.valvetronicOffA));
    for (int i = n - 1; i >= 0; --i)
        w.push_back(ImageWrite::byte(table.sendIndex + i));
    return w;
}

ImageWrites encodeHeatMode(ParameterImage &img, int item, const DecodeContext &ctx)
{
    const CodecRows &r = codecRows();
    storeRaw(img, r.heatLow1, item == 1 || item == 3 ? 1 : 0);
    storeRaw(img, r.heatLow2Rpm, item >= 2 ? fromRpm(img, HeatLow2Speed, ctx) : HeatLow2OffStored);
    ImageWrites w = writesOf(r.heatLow1);
    append(w, writesOf(r.heatLow2Rpm));
    return w;
}

// Fields derived from `f` follow it.
void updateDerived(ParameterImage &img, const FieldDef &f, ImageWrites &writes)
{
    for (const FieldDef &d : fieldTable()) {
        if (d.source == nullptr || std::strcmp(d.source, f.name) != 0)
            continue;
        storeRaw(img, d, storedValue(img, f) / d.sourceDiv);
        append(writes, writesOf(d));
    }
}

// The writes of a field and of the fields derived from it, without storing anything.
ImageWrites writesWithDerived(const FieldDef &f)
{
    ImageWrites writes = writesOf(f);
    for (const FieldDef &d : fieldTable()) {
        if (d.source != nullptr && std::strcmp(d.source, f.name) == 0)
            append(writes, writesOf(d));
    }
    return writes;
}
} // namespace

ImageWrites keepSecondLowPulseSpeed(ParameterImage &image, const DecodeContext &ctx)
{
    const FieldDef &low2 = codecRows().heatLow2Rpm;
    if (!secondLowPulseOn(image.word(low2.offset)))
        return {};
    storeRaw(image, low2, fromRpm(image, HeatLow2Speed, ctx));
    return writesOf(low2);
}

bool secondLowPulseOn(std::uint16_t heatLow2Rpm)
{
    return heatLow2Rpm != HeatLow2OffStored && heatLow2Rpm != HeatLow2OffRead;
}

std::uint8_t engineType(const ParameterImage &image)
{
    return image.byte(img::RpmSet);
}

unsigned rpmSignal(const ParameterImage &image)
{
    return image.bits(img::RpmSignal, 0, 2);
}

std::int64_t storedValue(const ParameterImage &image, const FieldDef &f)
{
    switch (f.width) {
    case FieldWidth::Byte:
        return f.isSigned ? image.sbyte(f.offset) : image.byte(f.offset);
    case FieldWidth::Word:
        return f.isSigned ? image.sword(f.offset) : image.word(f.offset);
    case FieldWidth::Dword:
        return f.isSigned ? static_cast<std::int32_t>(image.dword(f.offset))
                          : static_cast<std::int64_t>(image.dword(f.offset));
    case FieldWidth::Bits:
        return image.bits(f.offset, f.bitNo, f.count);
    case FieldWidth::ByteTable:
        return f.isSigned ? image.sbyte(f.offset) : image.byte(f.offset);
    }
    return 0;
}

void storeValue(ParameterImage &image, const FieldDef &field, std::int64_t value)
{
    storeRaw(image, field, value);
}

std::vector<int> storedTable(const ParameterImage &image, const FieldDef &f)
{
    std::vector<int> out;
    const int n = f.width == FieldWidth::ByteTable ? f.count : 1;
    for (int i = 0; i < n; ++i)
        out.push_back(f.isSigned ? image.sbyte(f.offset + i) : image.byte(f.offset + i));
    return out;
}

Shown decodeField(const ParameterImage &image, const FieldDef &f, const DecodeContext &ctx)
{
    Shown s;
    const std::int64_t stored = storedValue(image, f);

    if (f.width == FieldWidth::ByteTable) { // ValvetronicTable: counts of 10 ticks
        s.kind = ShownKind::Table;
        for (int v : storedTable(image, f))
            s.table.push_back(TicksToMs(v * 10, 1, ctx.timeBases));
        return s;
    }

    switch (f.controlKind) {
    case ControlKind::None:
        if (f.width == FieldWidth::Bits && f.count == 1) {
            s.kind = ShownKind::Flag;
            s.on = stored != 0;
        } else {
            s.kind = ShownKind::Number;
            s.number = static_cast<double>(stored);
        }
        return s;
    case ControlKind::CheckBox:
    case ControlKind::ToggleSwitch:
        s.kind = ShownKind::Flag;
        s.on = f.inverted ? stored == 0 : stored != 0;
        return s;
    case ControlKind::ComboBox: {
        if (f.hasBlank && stored < f.blankBelow) {
            s.kind = ShownKind::Blank;
            s.text = QString::fromLatin1(f.blankText);
            return s;
        }
        const std::int64_t item = itemOf(image, f, stored, ctx);
        if (item < 0 || item >= f.items.size()) {
            s.kind = ShownKind::NoSelection;
            return s;
        }
        s.kind = ShownKind::Item;
        s.index = static_cast<int>(item);
        s.text = f.items.at(s.index);
        return s;
    }
    case ControlKind::TrackBar:
        s.kind = ShownKind::Position;
        s.index = static_cast<int>(
            std::clamp<std::int64_t>(itemOf(image, f, stored, ctx), static_cast<int>(f.min), static_cast<int>(f.max)));
        return s;
    case ControlKind::SpinEdit: {
        bool single = false;
        const double v = numberOf(image, f, stored, ctx, &single);
        s.kind = ShownKind::Number;
        s.number = std::clamp(v, f.min, f.max);
        s.single = single && s.number == v;
        return s;
    }
    }
    return s;
}

ImageWrites encodeField(ParameterImage &image, const FieldDef &f, double value, const DecodeContext &ctx)
{
    if (!std::isfinite(value))
        return {};

    ImageWrites writes = writesOf(f);
    std::int64_t item = 0;
    switch (f.controlKind) {
    case ControlKind::SpinEdit:
        value = std::clamp(value, f.min, f.max);
        break;
    case ControlKind::TrackBar:
        value = std::trunc(std::clamp(value, f.min, f.max));
        break;
    case ControlKind::ComboBox:
        if (value != std::trunc(value) || value < 0 || value >= f.items.size())
            return {};
        item = static_cast<std::int64_t>(value);
        break;
    case ControlKind::CheckBox:
    case ControlKind::ToggleSwitch:
        value = value != 0 ? 1 : 0;
        break;
    case ControlKind::None:
        break;
    }

    switch (f.encoding) {
    case Encoding::Raw:
        if (f.controlKind == ControlKind::ComboBox)
            storeRaw(image, f, item);
        else if (f.controlKind == ControlKind::CheckBox || f.controlKind == ControlKind::ToggleSwitch)
            storeRaw(image, f, (value != 0) != f.inverted ? 1 : 0);
        else
            storeRaw(image, f, clampToWidth(f, truncExt(decimalValue(value))));
        break;
    case Encoding::Linear: {
        const ext v = f.controlKind == ControlKind::ComboBox ? static_cast<ext>(item) : decimalValue(value);
        storeRaw(image, f, std::max<std::int64_t>(truncExt(v * f.mult + f.add), f.minStored));
        break;
    }
    case Encoding::Scaled:
        storeRaw(image, f, truncExt(decimalValue(value) * f.storeFactor * f.storeFactor2));
        break;
    case Encoding::Ticks:
        storeRaw(image, f, MsToTicks(static_cast<float>(value), f.selector, ctx.timeBases));
        break;
    case Encoding::Period: {
        const std::int64_t rpm = std::max<std::int64_t>(truncExt(decimalValue(value)), 0);
        storeRaw(image, f, fromRpm(image, static_cast<std::uint32_t>(rpm), ctx));
        break;
    }
    case Encoding::Custom:
        switch (f.codec) {
        case Codec::Hold: {
            const ext keep = std::trunc(100 - decimalValue(value));
            storeRaw(image, f, truncExt(keep * 0.01L * 29));
            break;
        }
        case Codec::RpmSwItem:
            storeRaw(image, f, fromRpm(image, static_cast<std::uint32_t>(item * 100 + 505), ctx));
            break;
        case Codec::OffRpmItem:
            storeRaw(
                image, f, item == 0 ? 0 : fromRpm(image, static_cast<std::uint32_t>(item * 100 + f.storeRpm), ctx));
            if (f.enableField) {
                const FieldDef &enable = row(f.enableField);
                storeRaw(image, enable, item != 0 ? 1 : 0);
                append(writes, writesOf(enable));
            }
            break;
        case Codec::HeatMode:
            return encodeHeatMode(image, static_cast<int>(item), ctx);
        case Codec::Valvetronic:
            return encodeValvetronic(image, value != 0, ctx);
        case Codec::None:
            break;
        }
        break;
    }
    updateDerived(image, f, writes);
    return writes;
}

ImageWrites writeBackNumber(
    ParameterImage &image, const FieldDef &field, const NumberEntry &entry, const DecodeContext &ctx)
{
    if (entry.edited)
        return encodeField(image, field, entry.value, ctx);
    return writesWithDerived(field);
}

double beepTimePercent(std::uint8_t stored)
{
    return static_cast<double>(static_cast<ext>(stored) * (1.0L / 30) * 100);
}

double switchBrightPercent(std::uint8_t stored)
{
    return static_cast<double>(static_cast<ext>(stored) * (1.0L / 255) * 100);
}

} // namespace kelvane
