// The configuration memory of a controller as it leaves the factory, set up for a
// sequential 4-cylinder petrol engine with OBD, and reading parameter files.

#include "Simulator.h"

#include "Conversions.h"
#include "ParameterImage.h"

#include <fstream>
#include <initializer_list>
#include <iterator>

namespace kelvane::sim {

TimeBases timeBasesForBaud(int baud)
{
    return timeBasesFor(baud == 38400 ? 1 : 0);
}

namespace {

struct ImageBuilder {
    ParameterImage im;
    TimeBases tb;
    std::uint8_t rpmSet = 3;
    unsigned rpmSignal = 1;

    std::uint16_t ticks(float ms) const { return static_cast<std::uint16_t>(MsToTicks(ms, 1, tb)); }
    std::uint16_t period(unsigned rpm) const
    {
        return static_cast<std::uint16_t>(RpmToTicks(rpm, rpmSet, rpmSignal, tb));
    }
    // Signed bytes that hold a time in units of 10 ticks.
    void tenTicks(int offset, std::initializer_list<float> ms)
    {
        for (float v : ms)
            im.setByte(offset++, static_cast<std::uint8_t>(static_cast<std::int8_t>(MsToTicks(v, 1, tb) / 10)));
    }
    void signedBytes(int offset, std::initializer_list<int> values)
    {
        for (int v : values)
            im.setByte(offset++, static_cast<std::uint8_t>(static_cast<std::int8_t>(v)));
    }
    void words(int wordIndex, std::initializer_list<int> values)
    {
        for (int v : values)
            im.setWordAt(wordIndex++, static_cast<std::uint16_t>(v));
    }
};

} // namespace

ImageBytes factoryImage(int baud)
{
    ImageBuilder b;
    b.tb = timeBasesForBaud(baud);
    ParameterImage &im = b.im;

    im.setWordAt(0, 0xAAAA); // written last by every whole-image upload
    im.setDword(12, 40213); // work-time counters as last saved
    im.setDword(16, 512733);

    b.signedBytes(20, { 0, -10, -20 });
    im.setByte(23, 40); // switch to gas at 40 degrees
    b.signedBytes(24, { 25 });
    im.setByte(25, 39); // injector heating below 39 degrees
    // Temperature maps: points 0..50 degrees, no correction.
    b.signedBytes(27, { 0, 10, 20, 30, 40, 50, 0, 0, 0, 0, 0, 0 });
    b.signedBytes(39, { 0, 10, 20, 30, 40, 50, 0, 0, 0, 0, 0, 0 });
    b.tenTicks(76,
        { -0.2f, -0.2f, -0.14f, 0, 0, 0, 0, 0, 0, 0, 0, 0.1f, 0.2f, 0.3f, 0.4f, 0.6f, 0.8f, 1.0f, 1.2f, 1.4f, 1.8f,
            2.2f, 2.4f, 3.0f, -0.5f, -0.4f, -0.3f, -0.3f, -0.2f, -0.2f, -0.1f, -0.1f, 0, 0, 0.1f, 0.2f, 0.3f, 0.4f,
            0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f, 1.3f, 1.4f });

    im.setByte(125, b.rpmSet); // "4 cylinders"
    im.setByte(126, 4); // gas temperature sensor "4k7"
    im.setByte(127, 4); // reducer temperature sensor "4k7"
    im.setByte(128, 3); // "FreeSCALE 4.0 BAR"
    im.setByte(129, 6); // "Freescale 4.0 Bar"
    im.setByte(130, 3); // level sensor "0-20k"
    im.setByte(131, 1); // injectors "H2000 black"
    im.setByte(132, 20);
    im.setByte(133, 4); // 4 cylinders
    im.setWord(134, 120);
    b.signedBytes(136, { 0, -38, 1 });
    im.setByte(139, 1); // lambda "0-1V"
    b.signedBytes(140, { 0, 0, 1, 1, 7 });
    im.setByte(145, 15); // beeper at 50 %
    im.setByte(146, 255); // switch brightness 100 %
    im.setByte(147, 255 / 50);
    b.signedBytes(148, { 1, 0 });
    im.setByte(150, 0); // external relay "Allways OFF"
    b.signedBytes(151, { 1, 2, 3, 4, 5, 6, 7 });
    im.setByte(158, 15);
    b.words(158, { 0, 0, 0, 130, -40, 0, 0, 0, 0, 0 });

    for (int i = 0; i < 128; ++i)
        im.setByte(167 + i, 100); // main map: no correction
    for (int i = 0; i < 16; ++i)
        im.setByte(295 + i, 100); // 2D map: no correction

    im.setWord(314, 68); // main offset, ticks
    im.setWord(336, 30); // switch delay 3.0 s
    im.setWordAt(169, 50);
    im.setWord(340, 1150); // main enrichment +15 %
    im.setWord(342, b.ticks(1.2f)); // minimum gas injection time
    im.setWord(344, 18); // hold 35 %
    im.setWord(346, b.ticks(4.0f)); // peak
    im.setWordAt(174, 20);
    im.setWord(350, b.ticks(0.35f)); // extra injection
    b.words(176, { 600, 2800 });
    im.setWord(356, 1100); // working pressure 1.1 bar
    b.words(179, { 1024, b.ticks(0.8f) });
    im.setWord(362, b.period(1500)); // switch to gas above 1500 rpm
    im.setWord(364, 0); // max rpm off
    im.setWord(366, 0); // min rpm off
    im.setWord(368, 500); // minimum pressure 0.5 bar
    im.setWord(370, 30); // back-to-petrol delay 0.3 s
    im.setWordAt(186, 1010);
    // Level points of a "0-20k" sensor: 2.0, 2.6, 3.0 and 4.3 V.
    b.words(187, { 1638, 2129, 2457, 3522 });
    im.setWord(382, 25); // level reference time

    b.words(192, { 11363, 50 });
    im.setWordAt(195, b.ticks(50.0f));
    im.setWord(392, 50); // cylinder time 0.5
    im.setWord(394, 5000); // injector heating 500 s
    im.setWord(396, b.ticks(1.4f));
    im.setWordAt(199, 0);
    im.setWord(402, b.ticks(12.0f));
    im.setWord(404, b.ticks(2.0f));
    im.setWord(406, b.period(1200));
    im.setWord(408, b.ticks(3.0f));
    b.words(205, { 50, 250, 40, 5, 4000, 5, 4090, 400, 3500 });
    im.setByte(432, 128); // OBD hold value: no trim
    im.setWordAt(219, 40);
    im.setWord(442, 50 >> 2);
    b.words(234, { 400, 2800 });
    im.setWord(476, 10); // beeps on an error

    const unsigned rpmAxis[8] = { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 };
    for (int i = 0; i < 8; ++i)
        im.setWordAt(245 + i, b.period(rpmAxis[i]));
    for (int i = 0; i < 16; ++i)
        im.setWordAt(253 + i, b.ticks(static_cast<float>(i + 1)));
    im.setWordAt(269, 0);

    im.setByte(540, (1 << 4) | (1 << 5)); // positive level sensor, injector heating on
    im.setByte(541, (1 << 0) | (1 << 3) | (1 << 4)); // OBD on, valvetronic off, back to gas after an error
    im.setByte(543, 1 << 7); // valvetronic off
    im.setByte(545, static_cast<std::uint8_t>(b.rpmSignal)); // speed signal "0-14V"
    im.setWordAt(273, 65535);
    im.setByte(548, 0x07); // beep when gas on, on a click, on an error
    im.setWordAt(275, 0);
    im.setByte(552, 0x7B);
    im.setByte(553, 0x03);
    b.words(277, { 280, 290, 450, 500, 600, 800, 1000, 1400 });
    b.tenTicks(570, { -0.1f, 0.2f, 0.6f, 0.8f, 1.0f, 1.2f, 1.4f, 1.5f });
    b.tenTicks(578, { 0, 0, 0, 0.1f, 0.2f, 0.1f, 0, 0, 0.4f, 0.3f, 0.2f, 0.1f, 0, 0, 0, 0 });
    b.words(297, { 700, 1000, 1400, 1800, 2200, 2600, 3000, 3400 });
    b.tenTicks(610,
        { 0.15f, 0.15f, 0.15f, 0.15f, 0.15f, 0.1f, 0, 0, 0, 0, 0, 0, 1.5f, 1.8f, 2.4f, 2.9f, 0, 0.05f, 0.1f, 0.2f, 0.4f,
            0.5f, 0.4f, 0.2f });
    b.words(317,
        { b.ticks(1.0f), b.ticks(5.0f), b.ticks(10.0f), b.ticks(12.0f), b.ticks(13.0f), b.ticks(14.0f), b.ticks(15.0f),
            b.ticks(16.0f) });
    b.signedBytes(650, { 5, 4, 3, 2, 1, 0, -1, -2 });
    b.tenTicks(658, { 0, 0, 0, -0.05f, -0.1f, -0.15f, -0.2f, -0.3f });
    b.signedBytes(666, { 0, 0, 0, -1, -2, -3, -4, -6 });
    b.words(337, { 1000, 1800, 2200, 2600, 2800, 3000, 3200, 3400 });
    b.tenTicks(690, { 0, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f });
    b.tenTicks(706, { 0, -0.1f, -0.3f, -0.5f, -0.7f, -0.9f, -1.0f, -1.2f });
    im.setWordAt(357, 3);
    im.setWord(716, 0); // no second low heating pulse
    im.setWord(718, b.ticks(1.8f));
    b.words(360, { 100, 40 });
    im.setWord(724, 2500); // switch filter "2,5"
    im.setWord(726, 1024); // speed signal trigger 4.0 V
    im.setWord(728, 500); // acceleration enrichment position 50
    im.setWordAt(383, 0);
    return im.bytes;
}

bool loadImageFile(const std::string &path, ImageBytes &image, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    if (data.size() != image.size()) {
        if (error)
            *error = path + " holds " + std::to_string(data.size()) + " bytes, a parameter file holds "
                + std::to_string(image.size());
        return false;
    }
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(data[i]);
    return true;
}

} // namespace kelvane::sim
