#include "LanguageChoice.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kelvane {

LanguageChoice readLanguageChoice(const QString &path)
{
    LanguageChoice choice;
    const QFileInfo info(path);
    if (!info.exists()) {
        choice.source = LanguageChoice::Source::Missing;
        return choice;
    }
    QFile file(path);
    // A regular file only: opening a FIFO would wait for a writer and hang the start.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        choice.source = LanguageChoice::Source::Unreadable;
        return choice;
    }
    char byte = 0;
    const qint64 got = file.read(&byte, 1);
    if (got < 0) {
        choice.source = LanguageChoice::Source::Unreadable;
        return choice;
    }
    if (got == 0) {
        choice.source = LanguageChoice::Source::Empty;
        choice.number = NoLanguageNumber;
        return choice;
    }
    choice.source = LanguageChoice::Source::Read;
    choice.number = static_cast<unsigned char>(byte);
    return choice;
}

LanguageChoiceStore storeLanguageChoice(const QString &path, int number)
{
    LanguageChoiceStore result;
    if (number < 0 || number > 255) {
        result.error = QStringLiteral("%1 is not a language number (0-255)").arg(number);
        return result;
    }
    const char byte = static_cast<char>(static_cast<unsigned char>(number));
    const QFileInfo info(path);
    if (info.exists()) {
        if (info.isDir()) {
            result.error = QStringLiteral("%1 is a folder").arg(path);
            return result;
        }
        // Only the first byte changes: a one-byte write cannot leave the file half-written.
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite)) {
            result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
            return result;
        }
        if (!file.seek(0) || file.write(&byte, 1) != 1 || !file.flush()) {
            result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
            return result;
        }
        file.close();
        result.status = LanguageChoiceStore::Status::Stored;
        return result;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(&byte, 1) != 1 || !file.commit()) {
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return result;
    }
    result.status = LanguageChoiceStore::Status::Created;
    return result;
}

} // namespace kelvane
