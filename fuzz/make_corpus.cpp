// Writes the seed corpora under fuzz/corpus/<target>/ from the controller simulator's own
// replies and factory image, so that every seed starts from what a real exchange looks like.
//
//   make_corpus OUTDIR        (OUTDIR is normally the source tree's fuzz/corpus)
//
// The log and journal seeds are written by the program's own writers: the data logger and the
// rows of `kelvane-cli live` fed with the simulator's decoded live records, and the change
// journal's recorder and file fed with actions of every kind.
//
// Files already in OUTDIR are overwritten, never removed: regression inputs kept there stay.

#include "ChangeWords.h"
#include "DataLogger.h"
#include "FieldCodec.h"
#include "Frames.h"
#include "FuzzInput.h"
#include "JournalFile.h"
#include "JournalRecorder.h"
#include "LiveRecord.h"
#include "LogText.h"
#include "ParameterImage.h"
#include "Simulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

using namespace kelvane;
using namespace kelvane::fuzz;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::filesystem::path outDir;

void put(const std::string &target, const std::string &name, const Bytes &bytes)
{
    const auto dir = outDir / target;
    std::filesystem::create_directories(dir);
    std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        std::fprintf(stderr, "make_corpus: cannot write %s\n", (dir / name).c_str());
}

void append(Bytes &to, const Bytes &more)
{
    to.insert(to.end(), more.begin(), more.end());
}
void appendU16(Bytes &to, unsigned v)
{
    to.push_back(static_cast<std::uint8_t>(v & 0xFF));
    to.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A simulated controller and a virtual clock.
struct Ecu {
    sim::Controller controller;
    double nowMs = 0;
    explicit Ecu(int baud)
        : controller(options(baud))
    {
    }
    static sim::SimOptions options(int baud)
    {
        sim::SimOptions o;
        o.baud = baud;
        return o;
    }
    Bytes ask(std::uint8_t cmd, std::uint8_t sub, std::uint8_t hi, std::uint8_t lo)
    {
        const CommandFrame f = makeFrame(cmd, sub, hi, lo);
        nowMs += 70;
        return controller.receive(f.data(), f.size(), nowMs);
    }
    Bytes greeting() { return ask(0x01, 0, 0, 0); }
    Bytes block(int address)
    {
        return ask(0xAA, 1, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF));
    }
    Bytes errorHalf(bool second) { return second ? ask(0xAA, 2, 0x80, 0x80) : ask(0xAA, 2, 0, 0); }
    Bytes live() { return ask(0xAA, 5, 0, 0); }
};

Bytes imageOf(int baud)
{
    const ImageBytes im = sim::factoryImage(baud);
    return Bytes(im.begin(), im.end());
}

// ---- fuzz_live ----------------------------------------------------------------------------

void liveSeeds()
{
    const std::string t = "fuzz_live";
    Ecu ecu(57600);
    for (int i = 0; i < 40; ++i) // let the engine model start and settle
        ecu.live();
    const Bytes image = imageOf(57600);

    Bytes s { 0 };
    s.push_back(LiveComplete);
    append(s, ecu.live());
    append(s, image);
    put(t, "one_reply_factory_image", s);

    s = { 3 };
    for (int i = 0; i < 4; ++i) { // successive records carry other side-channel slots
        s.push_back(LiveComplete);
        append(s, ecu.live());
    }
    append(s, image);
    put(t, "four_replies_side_channels", s);

    // Payload bytes 0 to 191 in reception order, valid framing, no image.
    Bytes reply { 'V', 0x05 };
    for (int i = 0; i < 192; ++i)
        reply.push_back(static_cast<std::uint8_t>(i));
    reply.push_back(sumSeeded(reply.data() + 2, 192));
    reply.push_back(0xF0);
    s = { 0, LiveComplete };
    append(s, reply);
    put(t, "payload_0_to_191", s);

    // The same reply with type 0x04, then not complete: both rejected.
    Bytes bad = reply;
    bad[1] = 0x04;
    s = { 1, LiveComplete };
    append(s, bad);
    s.push_back(0);
    append(s, reply);
    put(t, "wrong_type_then_incomplete", s);

    Ecu slow(38400);
    for (int i = 0; i < 40; ++i)
        slow.live();
    s = { LiveBaud38400, LiveComplete };
    append(s, slow.live());
    append(s, imageOf(38400));
    put(t, "one_reply_38400", s);

    put(t, "empty", {});
}

// ---- fuzz_replies -------------------------------------------------------------------------

// One answer script: the reply in `parts` deliveries at the given delays.
Bytes script(const Bytes &reply, std::initializer_list<std::pair<int, std::size_t>> parts, bool repair = false)
{
    Bytes s { static_cast<std::uint8_t>((parts.size() - 1) | (repair ? ScriptRepair : 0)) };
    std::size_t total = 0;
    for (auto [delay, length] : parts) {
        s.push_back(static_cast<std::uint8_t>(delay));
        appendU16(s, static_cast<unsigned>(length));
        total += length;
    }
    Bytes body = reply;
    body.resize(total, 0);
    append(s, body);
    return s;
}
Bytes whole(const Bytes &reply, int delayMs = 1)
{
    return script(reply, { { delayMs, reply.size() } });
}

void replySeeds()
{
    const std::string t = "fuzz_replies";
    Ecu ecu(57600);

    Bytes s { 0, ExGreeting };
    append(s, whole(ecu.greeting()));
    put(t, "greeting", s);

    s = { 1, ExGreeting };
    append(s, whole(Ecu(38400).greeting()));
    put(t, "greeting_38400", s);

    s = { 0, ExImageBlock };
    appendU16(s, 0);
    append(s, whole(ecu.block(0)));
    put(t, "image_block_0", s);

    // Near the end of the image only 68 bytes fit at the destination.
    s = { 0, ExImageBlock };
    appendU16(s, 700);
    append(s, whole(ecu.block(700)));
    put(t, "image_block_700", s);

    s = { 0, ExErrorMemory };
    append(s, whole(ecu.errorHalf(false)));
    append(s, whole(ecu.errorHalf(true)));
    put(t, "error_memory", s);

    // A block in three pieces, the last one after the receive window (rejected, and left on
    // the line in front of the greeting that follows).
    const Bytes block = ecu.block(64);
    s = { 0, ExImageBlock };
    appendU16(s, 64);
    append(s, script(block, { { 0, 50 }, { 160, 50 }, { 250, 32 } }));
    s.push_back(ExGreeting);
    append(s, whole(ecu.greeting()));
    put(t, "split_late_block_then_greeting", s);

    // The error memory with a bad checksum in the first half, a good second half.
    Bytes first = ecu.errorHalf(false);
    first[130] = static_cast<std::uint8_t>(first[130] + 1);
    s = { 0, ExErrorMemory };
    append(s, whole(first));
    append(s, whole(ecu.errorHalf(true)));
    put(t, "error_memory_first_half_bad", s);

    // A connect: greeting, then image blocks, then the error memory.
    s = { 0, ExGreeting };
    append(s, whole(ecu.greeting()));
    for (int address : { 0, 128, 256, 384, 512, 640 }) {
        s.push_back(ExImageBlock);
        appendU16(s, static_cast<unsigned>(address));
        append(s, whole(ecu.block(address), 20));
    }
    s.push_back(ExErrorMemory);
    append(s, whole(ecu.errorHalf(false)));
    append(s, whole(ecu.errorHalf(true)));
    put(t, "connect_sequence", s);

    // Noise of the right length, framing repaired by the target.
    Bytes noise(132);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 37 + 11);
    s = { 0, ExImageBlock };
    appendU16(s, 256);
    append(s, script(noise, { { 5, 132 } }, true));
    put(t, "repaired_block", s);

    put(t, "empty", {});
}

// ---- fuzz_paramfile -----------------------------------------------------------------------

void fileSeeds(const std::string &t)
{
    const Bytes image = imageOf(57600);
    put(t, "factory_57600.kvset", image);

    Bytes slow = imageOf(38400);
    slow.push_back(1); // past the image: selects the 38400-baud time bases
    put(t, "factory_38400_plus_selector", slow);

    put(t, "short_100_bytes", Bytes(image.begin(), image.begin() + 100));

    Bytes longer = image;
    for (int i = 0; i < 232; ++i)
        longer.push_back(static_cast<std::uint8_t>(0xFF - i));
    put(t, "long_1000_bytes", longer);

    put(t, "empty", {});
}

// ---- fuzz_logtable ------------------------------------------------------------------------

Bytes fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_corpus: cannot read %s\n", qPrintable(path));
        return {};
    }
    const QByteArray all = f.readAll();
    return Bytes(all.begin(), all.end());
}

Bytes textBytes(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

// The LiveValues of `count` successive replies of a settled simulated engine.
std::vector<std::array<float, LiveValueCount>> drive(int count)
{
    Ecu ecu(57600);
    ParameterImage image;
    image.bytes = sim::factoryImage(57600);
    const TimeBases tb = timeBasesFor(0);
    for (int i = 0; i < 40; ++i)
        ecu.live();
    std::vector<std::array<float, LiveValueCount>> out;
    LiveData live;
    while (int(out.size()) < count) {
        const Bytes reply = ecu.live();
        if (reply.size() < LiveRecordSize + 4 || !acceptLiveReply(reply.data(), true, live))
            continue;
        decodeLiveData(live, image, tb);
        out.push_back(live.LiveValues);
    }
    return out;
}

void logSeeds()
{
    const std::string t = "fuzz_logtable";
    const auto rows = drive(24);

    // The data logger, with its default columns and with every column it offers.
    for (const bool all : { false, true }) {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        DataLogger logger;
        const auto columns = all ? logAllSelectableColumns() : logDefaultColumns();
        for (int c = 0; c < LogColumnCount; ++c)
            logger.setTicked(c, columns[std::size_t(c)]);
        std::string caption;
        logger.start("seed");
        for (const auto &values : rows)
            logger.rowStep(values, caption);
        const LogResult r = logger.stop();
        QDir::setCurrent(old);
        if (!r.ok)
            std::fprintf(stderr, "make_corpus: the logger failed: %s\n", r.error.c_str());
        put(t, all ? "logger_every_column.csv" : "logger_default_columns.csv", fileBytes(dir.filePath("Log.csv")));
    }

    // `kelvane-cli live`: every column, a line break after each line; also with "\r\n".
    const auto cliColumns = logAllSelectableColumns();
    for (const char *eol : { "\n", "\r\n" }) {
        std::string text = logHeader(cliColumns) + eol;
        for (std::size_t k = 0; k < rows.size(); ++k)
            text += logRow(std::int64_t(k + 1) * LogRowIntervalMs, rows[k], cliColumns) + eol;
        put(t, std::string(eol).size() == 1 ? "cli_live.csv" : "cli_live_crlf.csv", textBytes(text));
    }

    // A file of the older form: the time and the work-time counters with 5 significant digits as
    // well, after more than 10000 s of a program run, so that several rows share a time.
    {
        std::string text = logHeader(cliColumns) + "\n";
        for (std::size_t k = 0; k < rows.size(); ++k) {
            std::string row = logRow(std::int64_t(k) * LogRowIntervalMs, rows[k], cliColumns);
            // The time field, then the two counters (every column after the time ends in ",").
            std::size_t end = row.find(',');
            row.replace(0, end, formatFixed5(99990.0 + double(k) * 0.07, 2));
            std::size_t start = row.find(',') + 1;
            for (int c = 0; c < 2; ++c) {
                end = row.find(',', start);
                const double v = std::stod(row.substr(start, end - start));
                const std::string old = formatFixed5(v, 3);
                row.replace(start, end - start, old);
                start += old.size() + 1;
            }
            text += row + "\n";
        }
        put(t, "older_five_digits.csv", textBytes(text));
    }
    put(t, "empty", {});
}

// ---- fuzz_journal -------------------------------------------------------------------------

void journalSeeds()
{
    const std::string t = "fuzz_journal";
    QTemporaryDir dir;
    JournalFile file(dir.path());
    ConnectionState conn;
    conn.Connected = true;
    conn.HardwareRevision = 2;
    conn.SoftwareRevision = 3;
    JournalRecorder recorder([&](const JournalEntry &e) { file.append(e); }, &conn);
    int second = 0;
    recorder.setClock([&] { return QDateTime(QDate(2026, 12, 11), QTime(9, 0, 0), Qt::UTC).addSecs(second++); });
    recorder.setClassifier([](const JournalEntry &e) {
        for (const TouchedByte &b : e.bytes)
            if ((b.offset >= 27 && b.offset < 51) || (b.offset >= 167 && b.offset < 311))
                return EntryKind::Map; // the temperature maps, the main map, the 2D map
        return EntryKind::Settings;
    });
    recorder.setDescriber([](const JournalEntry &e, const ImageBytes &before, const ImageBytes &after) {
        return describeChanges(e, before, after, timeBasesFor(0));
    });

    ParameterImage image;
    image.bytes = sim::factoryImage(57600);
    const DecodeContext ctx { timeBasesFor(0) };
    auto send = [&](const ImageWrite &w, bool accepted = true) {
        const std::uint16_t v = w.kind == ImageWrite::Kind::Byte ? image.byte(w.index) : image.wordAt(w.index);
        recorder.imageWritten({ w, v }, accepted);
    };
    auto setting = [&](const char *action, const char *field, double value, int refuseFrom = -1) {
        recorder.actionBegun(action, image.bytes);
        const ImageWrites writes = encodeField(image, *findField(QString::fromLatin1(field)), value, ctx);
        for (std::size_t i = 0; i < writes.size(); ++i)
            send(writes[i], refuseFrom < 0 || int(i) < refuseFrom);
        recorder.actionEnded(image.bytes);
    };

    // A setting with its cascade (the engine type stores every speed period again), a plain one,
    // one whose second frame the port refused, and its undo.
    setting("engine type", "RpmSet", 2);
    setting("ComboBoxInjTyp", "InjTyp", 3);
    setting("switch speed", "RpmSw", 9, 1);
    setting("undo: ComboBoxInjTyp", "InjTyp", 0);

    // A map operation: the main map's cells +5, then the map reset command.
    recorder.actionBegun("main map: +5", image.bytes);
    for (int off = 167; off < 167 + 128; off += 9) {
        image.setByte(off, std::uint8_t(image.byte(off) + 5));
        send(ImageWrite::byte(off));
    }
    recorder.commandSent(ControllerCommand::ResetMapGas, 0, true);
    recorder.actionEnded(image.bytes);

    // The gas temperature map (signed corrections).
    recorder.actionBegun("gas temperature map: -", image.bytes);
    image.setByte(45, std::uint8_t(-3));
    send(ImageWrite::byte(45));
    recorder.actionEnded(image.bytes);

    // A whole image cut after a few words: the marker word first, then the port refused.
    recorder.actionBegun("load parameter file", image.bytes);
    for (int w = 0; w < 4; ++w)
        send(ImageWrite::word(w), w < 3);
    recorder.actionEnded(image.bytes);

    // Events: an erase, a mode switch, an injector switched off.
    for (const auto &[name, cmd, data] : { std::tuple { "erase errors", ControllerCommand::EraseErrors, 0 },
             std::tuple { "mode: petrol", ControllerCommand::ModePetrol, 0 },
             std::tuple { "injector 3 off", ControllerCommand::GasCutOffWord, 4 } }) {
        recorder.actionBegun(name, image.bytes);
        recorder.commandSent(cmd, std::uint16_t(data), true);
        recorder.actionEnded(image.bytes);
    }

    // A frame sent outside any action: its before is not known.
    image.setByte(130, 7);
    send(ImageWrite::byte(130));

    const Bytes journal = fileBytes(file.partPath(0));
    put(t, "every_kind.jsonl", journal);
    // A kill in the middle of the last line.
    Bytes torn = journal;
    torn.resize(torn.size() - 40);
    put(t, "torn_last_line.jsonl", torn);

    // A whole image: every word, the commit. Its line is longer than the fuzzer's inputs.
    QTemporaryDir uploadDir;
    JournalFile uploadFile(uploadDir.path());
    JournalRecorder uploads([&](const JournalEntry &e) { uploadFile.append(e); }, &conn);
    uploads.actionBegun("reset to defaults", image.bytes);
    for (int w = 0; w < ImageWordCount; ++w) {
        const ImageWrite word = ImageWrite::word(w);
        uploads.imageWritten({ word, image.wordAt(w) }, true);
    }
    uploads.commandSent(ControllerCommand::CommitImage, 0xAAAA, true);
    uploads.actionEnded(image.bytes);
    put(t, "whole_image.jsonl", fileBytes(uploadFile.partPath(0)));
    put(t, "empty", {});
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus OUTDIR\n");
        return 2;
    }
    outDir = argv[1];
    liveSeeds();
    replySeeds();
    fileSeeds("fuzz_paramfile");
    fileSeeds("fuzz_paramjson");
    logSeeds();
    journalSeeds();
    return 0;
}
