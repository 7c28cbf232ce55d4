#pragma once
// The change journal of a running program: it watches the session's write dispatcher, keeps every
// finished action on disk (JournalFile) and on the undo stack (ChangeHistory), and takes actions
// back or sends them again.
//
// Undo sends the before-values of the next entry, redo its after-values:
// - a settings change or a map operation as the same kind of byte and word frames it was made
//   with, in their order (each frame once), with the map resets it sent at their place; the PC's
//   image takes each frame's values as the frame goes out, so a refused frame leaves the image as
//   the controller holds it;
// - a whole-image upload through the upload path (a restore point, the 384 words, the marker and
//   the commit), by the caller's uploader.
// The undo or redo itself is written to the journal on disk as an action of its own ("undo: ...",
// "redo: ..."), interrupted when a frame was refused; it does not go onto the stacks.

#include "ChangeHistory.h"
#include "ImageUpload.h"
#include "JournalFile.h"
#include "JournalRecorder.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>

namespace kelvane {

struct ControllerSession;

// Why an undo or redo cannot be made now.
enum class ReplayBlock {
    None, // it can
    Nothing, // nothing to take back (send again)
    NotConnected, // no controller
    ImageDiffers, // the controller holds other values than the entry left (found)
};

struct ReplayResult {
    bool done = false; // every frame went out (an upload: committed)
    ReplayBlock block = ReplayBlock::None; // set when nothing was tried
    QString action; // the entry's action
    int framesSent = 0; // frames the port took
    int framesTotal = 0;
    UploadResult upload; // a whole-image entry's upload
    QString message; // what happened, in a sentence or two
};

class ChangeJournal {
public:
    // Sends a whole image (undo or redo of an upload): the window runs it with its progress bar and
    // polling pause. `action` names it in the journal, `what` its restore point.
    using Uploader = std::function<UploadResult(const ImageBytes &target, const std::string &action, const char *what)>;

    explicit ChangeJournal(ControllerSession &session);
    ~ChangeJournal();
    ChangeJournal(const ChangeJournal &) = delete;
    ChangeJournal &operator=(const ChangeJournal &) = delete;

    // The folder the entries are appended to; empty keeps them in memory only.
    void setFolder(const QString &folder);
    QString folder() const;
    // The message of the last append that failed (empty after one that worked).
    QString lastFileError() const { return m_fileError; }
    // Every entry on disk, newest first.
    JournalReadResult readFile() const;

    JournalRecorder &recorder() { return *m_recorder; }
    const ChangeHistory &history() const { return m_history; }

    // Called after every entry and every undo or redo (the menu names the next action).
    std::function<void()> changed;

    // Whether the last whole-image upload was cut off (frames refused) and none has been completed
    // since: the controller may hold a partly sent image.
    bool uploadInterrupted() const { return m_uploadInterrupted; }

    ReplayBlock undoBlock() const;
    ReplayBlock redoBlock() const;
    ReplayResult undo(const Uploader &uploader);
    ReplayResult redo(const Uploader &uploader);

private:
    void onEntry(const JournalEntry &entry);
    ReplayResult replay(bool undo, const Uploader &uploader);
    ReplayResult sendFrames(const JournalEntry &entry, bool undo);

    ControllerSession &m_s;
    std::unique_ptr<JournalRecorder> m_recorder;
    std::unique_ptr<JournalFile> m_file;
    ChangeHistory m_history;
    QString m_fileError;
    bool m_replaying = false;
    bool m_uploadInterrupted = false;
};

// "Undo main map: preset LOW FLOW" / "Redo ..." / "Undo" when there is nothing.
QString undoText(const ChangeHistory &history, bool undo);

} // namespace kelvane
