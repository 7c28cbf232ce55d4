#pragma once
// The fitter of a window test: every message is recorded, every question is answered from the test's
// script. A question the script does not answer is answered as in a run nobody watches (reported
// and Cancel, no dialog, UnattendedUser), so no test ever waits on a modal box.

#include "Unattended.h"

#include <QDialog>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kelvane::test {

class TestUser : public UnattendedUser {
public:
    TestUser()
        : UnattendedUser([this](const QString &text) { messages << text; })
    {
    }
    TestUser(const TestUser &) = delete;
    TestUser &operator=(const TestUser &) = delete;

    // A fresh start: no messages, no exceptions, no script.
    void reset()
    {
        messages.clear();
        exceptions.clear();
        questions.clear();
        chooseFile = {};
        answerConfirm = {};
        answerAsk = {};
        answerChoose = {};
        answerDialog = {};
        chooseRecording = {};
        chooseLog = {};
        chooseReport = {};
        answerText = {};
        openFolderAnswer = {};
    }

    QStringList messages; // every message, in order
    QStringList questions; // every choice asked, in order
    QStringList exceptions; // every exception the application caught

    // The script: each answers its kind of question while it is set.
    std::function<QString(const FileDialogRequest &)> chooseFile;
    std::function<bool(const QString &caption, const QString &text)> answerConfirm;
    std::function<bool(const QString &caption, const QString &text)> answerAsk;
    std::function<int(QDialog &)> answerDialog;
    // Unset: the question is a message and -1 comes back.
    std::function<int(const QString &text, const QStringList &choices)> answerChoose;
    std::function<QString(const QString &suggestion)> chooseRecording;
    std::function<QString(const QString &directory)> chooseLog;
    std::function<bool(const QUrl &)> openFolderAnswer;
    std::function<QString(const QString &suggestion)> chooseReport;
    std::function<std::optional<QString>(const QString &caption, const QString &label)> answerText;

    bool confirm(const QString &caption, const QString &text, bool okByDefault = false) override
    {
        return answerConfirm ? answerConfirm(caption, text) : UnattendedUser::confirm(caption, text, okByDefault);
    }
    bool ask(const QString &caption, const QString &text) override
    {
        return answerAsk ? answerAsk(caption, text) : UnattendedUser::ask(caption, text);
    }
    int choose(const QString & /*caption*/, const QString &text, const QStringList &choices) override
    {
        questions << text;
        return answerChoose ? answerChoose(text, choices) : -1;
    }
    QString chooseParameterFile(const FileDialogRequest &request) override
    {
        return chooseFile ? chooseFile(request) : UnattendedUser::chooseParameterFile(request);
    }
    QString chooseLogToOpen(const QString &directory) override
    {
        return chooseLog ? chooseLog(directory) : UnattendedUser::chooseLogToOpen(directory);
    }
    QString chooseRecordingFile(const QString &suggestion) override
    {
        return chooseRecording ? chooseRecording(suggestion) : UnattendedUser::chooseRecordingFile(suggestion);
    }
    QString chooseReportFile(const QString &suggestion) override
    {
        return chooseReport ? chooseReport(suggestion) : UnattendedUser::chooseReportFile(suggestion);
    }
    std::optional<QString> askText(const QString &caption, const QString &label, const QString &preset) override
    {
        return answerText ? answerText(caption, label) : UnattendedUser::askText(caption, label, preset);
    }
    int runDialog(QDialog &dialog) override
    {
        return answerDialog ? answerDialog(dialog) : UnattendedUser::runDialog(dialog);
    }
    bool openFolder(const QUrl &folder) override
    {
        return openFolderAnswer ? openFolderAnswer(folder) : UnattendedUser::openFolder(folder);
    }
    void showException(const QString &text) override { exceptions << text; }
};

} // namespace kelvane::test
