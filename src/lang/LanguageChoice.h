#pragma once
// "lan.txt": the chosen language as the value of the file's first byte (1 to 9, not a digit
// character); the rest of the file is ignored.

#include <QString>

namespace kelvane {

constexpr const char *LanguageChoiceFileName = "lan.txt";
// The number an empty "lan.txt" gives: no language, the texts stay as they are.
constexpr int NoLanguageNumber = -1;

struct LanguageChoice {
    enum class Source {
        Read, // the first byte of the file
        Missing, // no such file: the default language
        Unreadable, // it exists but cannot be read (a folder, no permission): the default language
        Empty, // the file has no byte: NoLanguageNumber
    };
    Source source = Source::Missing;
    int number = 1; // 0-255 as read, 1 when missing or unreadable, NoLanguageNumber when empty
};

// Reads the choice from the file at `path` (the window passes its start directory + "lan.txt").
LanguageChoice readLanguageChoice(const QString &path);

struct LanguageChoiceStore {
    enum class Status {
        Stored, // the first byte of the existing file was replaced, the rest kept
        Created, // the file did not exist and now holds the one byte
        Failed, // nothing changed; `error` says why
    };
    Status status = Status::Failed;
    QString error;
    bool ok() const { return status != Status::Failed; }
};

// Stores `number` (0-255) as the first byte. A missing file is created, written whole or not at
// all; an existing one has only its first byte overwritten.
LanguageChoiceStore storeLanguageChoice(const QString &path, int number);

} // namespace kelvane
