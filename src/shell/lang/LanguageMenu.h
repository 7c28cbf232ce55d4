#pragma once
// The "language" menu and "help": choosing a language stores its number in "lan.txt" and loads its
// file at once; the program loads the stored language once the window exists. A load replaces the
// captions of the controls, tabs and menus, the combo-box items (choosing the item again from the
// image without writing anything to the controller), and the status, service, fault and adaptation
// texts. "help" opens the folder "sch" in the desktop's file browser.
//
// Where things are: "lan.txt" in the directory the program was started in; the folders "lang" and
// "sch" beside the executable, else in the installed data folder (DataDirs.h).

#include "LanguageFile.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QUrl;
class TForm1;

namespace kelvane {

class AppState;

class LanguageMenu : public QObject {
    Q_OBJECT
public:
    // Wires the language items and "help" of the window's menu.
    LanguageMenu(TForm1 &form, AppState &state);

    // The folder the "lang" and "sch" folders are looked for from (the executable's by default).
    void setDataRoot(const QString &exeDir) { m_exeDir = exeDir; }

    // The "lang" folder: in the start directory, else next to the program, else the installed one.
    QString languageDir() const;
    // The first of those folders that holds the file of language `number`; empty when none does.
    QString languageDirFor(int number) const;
    QString helpDir() const;
    // Enables the language items whose file is found, disables the others (done at every load).
    void updateLanguageItems();
    QString choiceFile() const;

    // What the last load did to the window.
    struct ApplyReport {
        bool attempted = false; // a language file was read and applied
        int applied = 0; // targets set
        int skipped = 0; // targets naming a control the window does not have, or a combo item beyond its items
        QStringList skippedTargets; // "LabelX", "ComboBoxY[7]" (for the debug note)
        int reselected = 0; // combo boxes that chose their item again
    };
    const ApplyReport &lastApply() const { return m_report; }

    // Loads the language "lan.txt" names (start-up, and after every choice).
    void LoadLanguage();
    // Stores `number` in "lan.txt" (creating it when missing) and loads it.
    void chooseLanguage(int number);
    // Sets the targets of one id; false when the id names nothing.
    bool ApplyLanguageText(int id, const QString &text);

public slots:
    void English1Click() { chooseLanguage(1); }
    void Polish1Click() { chooseLanguage(2); }
    void Lithuanian1Click() { chooseLanguage(5); }
    void German1Click() { chooseLanguage(6); }
    void Spain1Click() { chooseLanguage(7); }
    void Slovakia1Click() { chooseLanguage(8); }
    void help1Click();

private:
    void applyLoad(const LanguageLoad &load);
    void skip(const QString &target);

    TForm1 &m_form;
    AppState &m_state;
    QString m_exeDir;
    ApplyReport m_report;
    bool m_faultTextsChanged = false;
};

} // namespace kelvane
