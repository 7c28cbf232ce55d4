#pragma once
// Whole-image uploads of the controller session: "load to ECU" (a parameter file into the image,
// then all 384 words to the controller) and "RESET ECU" (the factory defaults, the same way).
// Both keep the controller's present image as a restore point first, stop the polling cycle for
// their time, send words 0 to 383 in ascending order, let the view show the image, send word 0
// again as 0xAAAA and close with the commit. The result says exactly how far an upload got;
// an upload whose frames the port refused is never reported as done.

#include "ParameterImage.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <string>

namespace kelvane {

struct ControllerSession;

extern const char *const LoadNoConnectionText; // "no connection": a load without a controller
// A reset without a controller shows NoConnectionText ("No Connection", Connection.h).
extern const char
    *const FileErrorText; // "Can't perform one of the following file operations: Open, Seek, Read, Close."
extern const char *const FileErrorCaption; // "File Error"

constexpr std::uint16_t UploadMarker = 0xAAAA; // word 0 after every whole-image upload
constexpr int UploadSettleMs = 250; // wait after the polling cycle stops
constexpr int ImageReadTries = 3; // reads of one block for the restore point
constexpr int LiveRecordTries = 3; // live requests for the reset's work-time counters

// What an upload shows; the window, the command line and tests implement it.
class UploadView {
public:
    virtual ~UploadView() = default;
    // The progress bar: 0-768 while the restore point is read, 0-384 while the words go out.
    virtual void setProgress(int position, int maximum) = 0;
    // One step of the bar without a new maximum (a load without a controller steps it 384 times).
    virtual void stepProgress() { }
    // The bar to its maximum, whatever that is (the end of every upload that got under way).
    virtual void finishProgress() { }
    virtual void showMessage(const std::string &text) = 0;
    // Fill every control from the image (after the words, before the marker and the commit).
    // It may change the image and send writes of its own, as showing an image does.
    virtual void showImage() = 0;
    // Asked before every block and every word: true stops the upload at once.
    virtual bool cancelled() const { return false; }
};

enum class UploadStatus {
    Done, // every word, the marker and the commit went out
    FileError, // the file could not be read: the image is unchanged, nothing was sent
    NotConnected, // no controller: the image took the file (or the defaults) and was shown; the controller is unchanged
    NoLiveRecord, // reset: no live record came, so the work-time counters are unknown; nothing changed, nothing sent
    RestorePointFailed, // the controller's image could not be read completely or not be saved: nothing changed, nothing
                        // sent
    SendFailed, // the port refused a frame: the upload stopped there, without the marker and the commit
    Cancelled, // the view asked to stop: before the first word nothing changed; during the words the
               // upload stopped there, without the marker and the commit
};

struct UploadResult {
    UploadStatus status = UploadStatus::Done;
    std::string message; // why it did not get done, one line; empty when done
    std::string warning; // a load of a file that is not 768 bytes long: what was used of it
    QString restorePoint; // the restore point written before the upload; empty when none was
    int wordsSent = 0; // image words 0 ... wordsSent - 1 went out (384 for a whole upload)
    bool committed = false; // the marker and the commit went out
    bool ok() const { return status == UploadStatus::Done; }
};

struct UploadOptions {
    // Restore points go to <startDirectory>/parametry/backup/.
    QString startDirectory;
    // The controller's image as read a moment ago, complete (every block delivered), for the
    // restore point; nullptr: the upload reads it from the controller itself first.
    const ImageBytes *controllerImage = nullptr;
    // Names the restore point; the current local time when not valid.
    QDateTime now;
};

// "load to ECU": reads at most the first 768 bytes of `file` into the session's image (a shorter
// file replaces only its own bytes), uploads all 384 words, shows the image, sends the marker and
// the commit. Polling (PollingEnabled) is off for the upload's time and set back as it was.
UploadResult loadParameterFile(
    ControllerSession &session, const QString &file, const UploadOptions &options, UploadView &view);

// "RESET ECU" (the caller has asked for confirmation): reads a live record first for the two
// work-time counters (without a controller: the live record as last received), builds the default
// image in the session's image and uploads it like a load.
UploadResult resetToDefaults(ControllerSession &session, const UploadOptions &options, UploadView &view);

// Uploads `target` as a whole image the way a load does (restore point named after `what`, all
// 384 words, the image shown, the marker, the commit); the write journal sees it as the action
// `action`. Undo and redo of a whole-image upload go this way. Without a controller nothing is
// changed, not even the PC's image.
UploadResult uploadImageBytes(ControllerSession &session, const ImageBytes &target, const std::string &action,
    const char *what, const UploadOptions &options, UploadView &view);

// Reads the controller's whole image into `out` without touching the session's image: the 12
// overlapping blocks in ascending order, a rejected block read again up to `tries` times. Returns
// -1 when every block came, else the address of the first block that did not (or that the view
// cancelled at). The polling cycle must not run meanwhile.
int readControllerImage(ControllerSession &session, ImageBytes &out, UploadView &view, int tries);

} // namespace kelvane
