// Writes the seed corpora under fuzz/corpus/<target>/ from the controller simulator's own
// replies and factory image, so that every seed starts from what a real exchange looks like.
//
//   make_corpus OUTDIR        (OUTDIR is normally the source tree's fuzz/corpus)
//
// Files already in OUTDIR are overwritten, never removed: regression inputs kept there stay.

#include "Frames.h"
#include "FuzzInput.h"
#include "ParameterImage.h"
#include "Simulator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
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

void fileSeeds()
{
    const std::string t = "fuzz_paramfile";
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
    fileSeeds();
    return 0;
}
