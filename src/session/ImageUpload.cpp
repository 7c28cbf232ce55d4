#include "ImageUpload.h"

#include "ControllerSession.h"
#include "Defaults.h"
#include "ParameterFile.h"

#include <algorithm>

namespace kelvane {

const char *const LoadNoConnectionText = "no connection";
const char *const FileErrorText = "Can't perform one of the following file operations: Open, Seek, Read, Close.";
const char *const FileErrorCaption = "File Error";

namespace {

constexpr int BlockStep = 64;
constexpr int BlockCount = ImageSize / BlockStep;
// Reads of the receive queue when the line is cleared before an upload: a controller that keeps
// sending cannot hold the upload up for ever.
constexpr int DiscardReads = 64;

// Clears PollingEnabled for the upload's time and sets it back however the upload ends. The
// cycle's next tick sends a new live request: a reply it was waiting for has been dropped.
class PollingPause {
public:
    explicit PollingPause(ControllerSession &s)
        : m_s(s)
        , m_was(s.conn.PollingEnabled)
    {
        s.conn.PollingEnabled = 0;
    }
    ~PollingPause()
    {
        m_s.conn.PollingEnabled = m_was;
        m_s.polling.PollPhase = 0;
    }
    PollingPause(const PollingPause &) = delete;
    PollingPause &operator=(const PollingPause &) = delete;

private:
    ControllerSession &m_s;
    std::uint8_t m_was;
};

// Drops what is left on the line (a live reply the polling cycle asked for before it stopped), so
// that the first reply read after the pause is the one asked for.
void discardInput(SerialLink &link)
{
    LinkState &s = link.state();
    if (s.PortOpen != 1)
        return;
    std::uint32_t n = 0;
    int reads = 0;
    do {
        link.ReadComPort(s.ComHandle, s.ReadScratch.data(), n, RxBufferSize);
    } while (n > 0 && ++reads < DiscardReads);
}

std::string progressText(int wordsSent)
{
    return std::to_string(wordsSent) + " of " + std::to_string(ImageWordCount) + " words";
}

void fail(UploadResult &r, UploadStatus status, std::string message)
{
    r.status = status;
    r.message = std::move(message);
}

// Keeps the controller's present image as a restore point; false (with the result filled in) when
// the upload must not start.
bool makeRestorePoint(ControllerSession &s, const UploadOptions &o, const char *what, UploadView &view, UploadResult &r)
{
    ImageBytes current {};
    if (o.controllerImage != nullptr) {
        current = *o.controllerImage;
    } else {
        const int missing = readControllerImage(s, current, view, ImageReadTries);
        if (view.cancelled()) {
            fail(r, UploadStatus::Cancelled, "interrupted while the restore point was read: nothing was sent");
            return false;
        }
        if (missing >= 0) {
            fail(r, UploadStatus::RestorePointFailed,
                "the controller did not deliver its image block at byte " + std::to_string(missing)
                    + ", so no restore point could be kept: nothing was sent");
            return false;
        }
    }
    QString error;
    const QDateTime when = o.now.isValid() ? o.now : QDateTime::currentDateTime();
    const QString path = writeRestorePoint(o.startDirectory, current, QString::fromLatin1(what), when, &error);
    if (path.isEmpty()) {
        fail(r, UploadStatus::RestorePointFailed,
            "the restore point could not be written (" + error.toStdString() + "): nothing was sent");
        return false;
    }
    r.restorePoint = path;
    return true;
}

// The image is in place: words 0 to 383, the view shows the image, word 0 again as the marker,
// the commit. An upload that stops early sends neither the marker nor the commit, so the
// controller never keeps a partly written image as its own.
void uploadImage(
    ControllerSession &s, UploadView &view, const char *noConnectionText, bool stepWithoutConnection, UploadResult &r)
{
    WriteDispatcher &writes = s.writes;
    const bool connected = s.conn.Connected;
    if (connected) {
        view.setProgress(0, ImageWordCount);
        for (int w = 0; w < ImageWordCount; ++w) {
            if (view.cancelled()) {
                fail(r, UploadStatus::Cancelled,
                    "interrupted after " + progressText(r.wordsSent)
                        + ": the upload stopped there and nothing was committed");
                break;
            }
            if (!writes.writeWord(w)) {
                fail(r, UploadStatus::SendFailed,
                    "the port did not take word " + std::to_string(w) + ": the upload stopped after "
                        + progressText(r.wordsSent) + " and nothing was committed");
                break;
            }
            r.wordsSent = w + 1;
            view.setProgress(w + 1, ImageWordCount);
        }
    } else {
        if (stepWithoutConnection)
            for (int w = 0; w < ImageWordCount; ++w)
                view.stepProgress();
        view.showMessage(noConnectionText);
        fail(r, UploadStatus::NotConnected, "no controller connected: the image was not sent");
    }

    view.showImage();

    const bool allWords = r.status == UploadStatus::Done;
    if (allWords || !connected) {
        // Without a controller these sends go nowhere, as the image's other words did.
        s.image.setWordAt(0, UploadMarker);
        const bool marker = writes.writeWord(0);
        // An image without its marker is not committed.
        const bool commit = (marker || !connected) && writes.command(ControllerCommand::CommitImage, 0);
        if (allWords) {
            if (!marker)
                fail(r, UploadStatus::SendFailed,
                    "the port did not take the upload marker (word 0): all words went out but nothing was committed");
            else if (!commit)
                fail(r, UploadStatus::SendFailed,
                    "the port did not take the commit: the image was sent but not committed");
            else
                r.committed = true;
        }
    }
    view.finishProgress();
}

} // namespace

int readControllerImage(ControllerSession &s, ImageBytes &out, UploadView &view, int tries)
{
    out.fill(0);
    for (int i = 0; i < BlockCount; ++i) {
        const int address = i * BlockStep;
        view.setProgress(address, ImageSize);
        bool ok = false;
        for (int t = 0; t < std::max(tries, 1) && !ok; ++t) {
            if (view.cancelled())
                return address;
            // Blocks go in ascending order, so the next block still writes the upper half of this one.
            ok = s.commands.ReadImageBlock(
                address, out.data() + address, static_cast<std::size_t>(ImageSize - address));
        }
        if (!ok)
            return address;
    }
    view.setProgress(ImageSize, ImageSize);
    return -1;
}

UploadResult loadParameterFile(
    ControllerSession &s, const QString &file, const UploadOptions &options, UploadView &view)
{
    UploadResult r;
    ParameterFileData data;
    QString error;
    if (!readParameterFile(file, data, &error)) {
        fail(r, UploadStatus::FileError, error.toStdString()); // the image is unchanged, polling goes on
        return r;
    }
    r.warning = parameterFileLengthNote(file, data).toStdString();

    PollingPause pause(s);
    s.link.sleepMs(UploadSettleMs);
    if (s.conn.Connected) {
        discardInput(s.link);
        if (!makeRestorePoint(s, options, "load", view, r))
            return r;
    }
    if (view.cancelled()) {
        fail(r, UploadStatus::Cancelled, "interrupted before the upload: nothing was sent");
        return r;
    }
    const ActionScope action(s.writes, "load parameter file");
    applyParameterFile(data, s.image.bytes);
    uploadImage(s, view, LoadNoConnectionText, true, r);
    return r;
}

UploadResult resetToDefaults(ControllerSession &s, const UploadOptions &options, UploadView &view)
{
    UploadResult r;
    PollingPause pause(s);
    s.link.sleepMs(UploadSettleMs);
    if (s.conn.Connected) {
        discardInput(s.link);
        // The work-time counters survive the reset: they come from a live record read now.
        bool accepted = false;
        for (int t = 0; t < LiveRecordTries && !accepted && !view.cancelled(); ++t) {
            s.commands.SendLiveRequest();
            s.link.sleepMs(PollIntervalMs);
            accepted = ReceiveLiveRecord(s.link, s.live);
        }
        if (view.cancelled()) {
            fail(r, UploadStatus::Cancelled, "interrupted before the upload: nothing was sent");
            return r;
        }
        if (!accepted) {
            fail(r, UploadStatus::NoLiveRecord,
                "no live record came from the controller, so its work-time counters are unknown: nothing was reset");
            return r;
        }
        if (!makeRestorePoint(s, options, "reset", view, r))
            return r;
    }
    if (view.cancelled()) {
        fail(r, UploadStatus::Cancelled, "interrupted before the upload: nothing was sent");
        return r;
    }
    const ActionScope action(s.writes, "reset to defaults");
    applyResetDefaults(s.image, s.timeBases, s.live.u32(rec::PetrolWorkTime), s.live.u32(rec::GasWorkTime));
    uploadImage(s, view, NoConnectionText, false, r);
    return r;
}

UploadResult uploadImageBytes(ControllerSession &s, const ImageBytes &target, const std::string &action,
    const char *what, const UploadOptions &options, UploadView &view)
{
    UploadResult r;
    if (!s.conn.Connected) {
        fail(r, UploadStatus::NotConnected, "no controller connected: nothing was sent");
        return r;
    }
    PollingPause pause(s);
    s.link.sleepMs(UploadSettleMs);
    discardInput(s.link);
    if (!makeRestorePoint(s, options, what, view, r))
        return r;
    if (view.cancelled()) {
        fail(r, UploadStatus::Cancelled, "interrupted before the upload: nothing was sent");
        return r;
    }
    const ActionScope scope(s.writes, action);
    s.image.bytes = target;
    uploadImage(s, view, NoConnectionText, false, r);
    return r;
}

} // namespace kelvane
