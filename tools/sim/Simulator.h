#pragma once
// A stand-in for the gas-injection controller: it speaks the controller's side
// of the serial protocol and runs a small engine model, so that the program can
// be shown and tested without a car. Controller holds the protocol and the
// model and does no I/O; PtySimulator runs it on a pseudo-terminal.

#include "Engine.h"
#include "ParameterImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kelvane::sim {

struct SimOptions {
    int baud = 57600; // the controller answers only while the PC side uses this speed
    int hw = 2, sw = 3; // greeting revisions
    int dropEvery = 0; // no live reply to every Nth live request (0 = off)
    int corruptEvery = 0; // every Nth reply with a bad checksum
    bool noise = false; // stray bytes between replies
    double hangupAfterSec = 0; // close the terminal's master side after S seconds (0 = never)
    std::string imageFile; // start from a parameter file (768 bytes) instead of the factory image
    std::string linkPath; // also make a symlink at this path to the slave
    unsigned seed = 1;
};

// The configuration a new controller leaves the factory with, for a sequential
// 4-cylinder car; tick and period values use the clock that goes with `baud`.
ImageBytes factoryImage(int baud);
// Reads a parameter file of exactly 768 bytes; false and a one-line message otherwise.
bool loadImageFile(const std::string &path, ImageBytes &image, std::string *error);

// The controller's clock: one found at 38400 baud counts in other ticks than one at 57600.
TimeBases timeBasesForBaud(int baud);

// Counters of what the controller did, for tests and the program's closing note.
struct ControllerCounters {
    int frames = 0; // good frames received
    int garbageBytes = 0; // bytes skipped while looking for a frame
    int liveRequests = 0;
    int liveDropped = 0;
    int corrupted = 0; // replies sent with a bad checksum
    int noiseEvents = 0; // live replies followed by stray bytes
    int noiseBytes = 0;
    int imageWrites = 0; // byte and word writes applied
    int commits = 0;
};

class Controller {
public:
    // Starts from the factory image (SimOptions::imageFile is read by PtySimulator, not here).
    explicit Controller(const SimOptions &options);
    Controller(const SimOptions &options, const ImageBytes &image);

    // Feed bytes received from the PC at virtual time nowMs; returns bytes to send back (complete replies).
    std::vector<std::uint8_t> receive(const std::uint8_t *data, std::size_t count, double nowMs);
    // With noise on: stray bytes to put on the line a while after the replies of the last receive,
    // between them and the next request.
    std::vector<std::uint8_t> takeStrayBytes() { return std::move(m_stray); }
    // Forget a partly received frame (the line was opened anew).
    void resetInput() { m_input.clear(); }

    const ImageBytes &image() const { return m_image; }
    // The configuration memory as a test stand-in scripts it between frames.
    void setImage(const ImageBytes &image) { m_image = image; }
    const SimOptions &options() const { return m_options; }
    const TimeBases &timeBases() const { return m_tb; }
    const ControllerCounters &counters() const { return m_counters; }
    const ControllerState &state() const { return m_state; }
    // The live record as last sent (192 bytes, little-endian fields).
    const LiveRecordBytes &lastRecord() const { return m_lastRecord; }
    // Mode as the live record reports it: 0 petrol, 1 auto, 2 gas.
    int reportedMode() const { return m_state.reportedMode(); }

    // Fault codes of the error memory a new controller starts with.
    static std::vector<std::uint16_t> initialFaults() { return { 8, 16 }; }

private:
    void handleFrame(const std::uint8_t *frame, double nowMs, std::vector<std::uint8_t> &out);
    void sendGreeting(std::vector<std::uint8_t> &out) const;
    void sendImageBlock(int address, std::vector<std::uint8_t> &out);
    void sendErrorBlock(bool secondHalf, std::vector<std::uint8_t> &out);
    void sendLive(double nowMs, std::vector<std::uint8_t> &out);
    // 'H' or 'V' replies: header, payload highest address first, checksum, end byte.
    void sendChecked(std::uint8_t header, std::uint8_t type, const std::uint8_t *data, std::size_t count,
        std::vector<std::uint8_t> &out);
    void addNoise();
    void applyByteWrite(int offset, std::uint8_t value);
    void applyWordWrite(int wordIndex, std::uint16_t value);

    SimOptions m_options;
    ImageBytes m_image {};
    TimeBases m_tb;
    ControllerState m_state;
    Engine m_engine;
    ControllerCounters m_counters;
    LiveRecordBytes m_lastRecord {};
    std::vector<std::uint8_t> m_input;
    std::vector<std::uint8_t> m_stray;
    std::mt19937 m_rng;
    int m_checkedReplies = 0;
};

} // namespace kelvane::sim
