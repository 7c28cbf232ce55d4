#pragma once
// Builds journal entries from what the write dispatcher reports: one entry per outermost action
// scope, and one per frame sent outside any scope.
//
// The bytes of an entry are every image byte a frame of the action carried (both bytes of a word
// frame), whether or not its value changed: `before` is the byte in the image taken when the
// action began, `after` the value the last frame carrying it sent (what the controller was told to
// hold). Bytes the action changed in the PC's image but never sent are not in the entry: the
// controller still holds their old value. An entry is Interrupted when the port refused any frame.
//
// Kind: an entry whose frames include the commit command, or start with word 0 (the upload marker's
// word, which only uploads write), is a WholeImage upload; one with
// commands and no image frames is an Event; the others are Settings unless the classifier (set by
// the program, which knows the map regions) says Map.

#include "Connection.h"
#include "JournalEntry.h"

#include <functional>
#include <optional>

namespace kelvane {

class JournalRecorder : public WriteObserver {
public:
    using EntrySink = std::function<void(const JournalEntry &)>;
    using Classifier = std::function<EntryKind(const JournalEntry &)>;
    using Clock = std::function<QDateTime()>;
    // The settings an action changed, in words, from the images before and after it.
    using Describer = std::function<std::vector<ChangeLine>(
        const JournalEntry &, const ImageBytes &before, const ImageBytes &after)>;

    // sink: called with each entry as it is complete. conn: the connection flags whose revisions
    // are recorded while connected (may be null).
    explicit JournalRecorder(EntrySink sink, const ConnectionState *conn = nullptr);

    // Called for entries that would be Settings; may answer Map.
    void setClassifier(Classifier classifier) { m_classifier = std::move(classifier); }
    // The time an entry takes (UTC now by default).
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The name an action is recorded under, from the name its scope gave (a settings write names
    // its control: the program gives the caption the fitter sees); unchanged by default.
    void setActionNamer(std::function<QString(const QString &)> namer) { m_namer = std::move(namer); }
    // Fills an action's `changes` (after its kind is known); none by default.
    void setDescriber(Describer describer) { m_describer = std::move(describer); }

    void actionBegun(const std::string &name, const ImageBytes &before) override;
    void imageWritten(const SentImageWrite &write, bool accepted) override;
    void commandSent(ControllerCommand what, std::uint16_t data, bool accepted) override;
    void actionEnded(const ImageBytes &after) override;

private:
    JournalEntry start(const QString &action);
    // Fills the bytes and state from the frames and hands the entry on.
    void finish(JournalEntry &entry, const ImageBytes *before, const ImageBytes *after = nullptr);

    EntrySink m_sink;
    const ConnectionState *m_conn;
    Classifier m_classifier;
    Clock m_clock;
    Describer m_describer;
    std::function<QString(const QString &)> m_namer;
    std::optional<JournalEntry> m_open;
    ImageBytes m_before {};
};

} // namespace kelvane
