#include "LanguageMenu.h"

#include "AdaptationPage.h"
#include "AppState.h"
#include "DataDirs.h"
#include "ErrorMemoryView.h"
#include "LanguageChoice.h"
#include "Languages.h"
#include "MainWindow.h"
#include "SettingsControls.h"
#include "SettingsWiring.h"
#include "TAbColBitBtn.h"
#include "TextTargets.h"
#include "UserInteraction.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QUrl>

#include <optional>

// Debug notes (targets skipped, lines skipped) are off unless QT_LOGGING_RULES="kelvane.language.debug=true".
Q_LOGGING_CATEGORY(lcLanguage, "kelvane.language", QtInfoMsg)

namespace kelvane {

namespace {

std::string *statusMember(StatusTexts &t, const char *name)
{
    const QLatin1String n(name);
    if (n == QLatin1String("gasoline"))
        return &t.gasoline;
    if (n == QLatin1String("autoMode"))
        return &t.autoMode;
    if (n == QLatin1String("gaz"))
        return &t.gaz;
    if (n == QLatin1String("error"))
        return &t.error;
    if (n == QLatin1String("errorPres"))
        return &t.errorPres;
    if (n == QLatin1String("errorRpm"))
        return &t.errorRpm;
    if (n == QLatin1String("errorCom"))
        return &t.errorCom;
    if (n == QLatin1String("workTime"))
        return &t.workTime;
    return nullptr;
}

std::string *globalMember(GlobalTexts &t, const char *name)
{
    const QLatin1String n(name);
    if (n == QLatin1String("serviceTimeLeft"))
        return &t.serviceTimeLeft;
    if (n == QLatin1String("serviceOff"))
        return &t.serviceOff;
    return nullptr;
}

} // namespace

LanguageMenu::LanguageMenu(TForm1 &form, AppState &state)
    : QObject(&form)
    , m_form(form)
    , m_state(state)
    , m_exeDir(QCoreApplication::applicationDirPath())
{
    setObjectName(QStringLiteral("LanguageMenu"));
    for (const LanguageInfo &info : languages()) {
        if (!info.menuItem)
            continue;
        auto *item = form.findChild<QAction *>(QString::fromLatin1(info.menuItem));
        if (!item)
            continue;
        item->setVisible(info.menuVisible);
        item->setEnabled(info.menuChoosable);
        if (info.menuChoosable) {
            const int number = info.number;
            connect(item, &QAction::triggered, this, [this, number] { chooseLanguage(number); });
        }
    }
    if (auto *help = form.findChild<QAction *>(QStringLiteral("help1"))) {
        help->setEnabled(true);
        connect(help, &QAction::triggered, this, &LanguageMenu::help1Click);
    }
}

QString LanguageMenu::languageDir() const
{
    return findDataDir(m_exeDir, QLatin1String(LanguageFolderName), QString::fromStdString(m_state.startDirectory));
}

QString LanguageMenu::languageDirFor(int number) const
{
    const LanguageInfo *info = languageInfo(number);
    if (!info)
        return QString();
    const QStringList dirs = dataDirCandidates(
        m_exeDir, QLatin1String(LanguageFolderName), QString::fromStdString(m_state.startDirectory));
    for (const QString &dir : dirs) {
        if (QFileInfo(QDir(dir).filePath(QLatin1String(info->fileName))).isFile())
            return dir;
    }
    return QString();
}

void LanguageMenu::updateLanguageItems()
{
    // A language whose file is nowhere cannot be chosen: choosing it would store a choice that
    // fails with a message at every start.
    for (const LanguageInfo &info : languages()) {
        if (!info.menuItem || !info.menuChoosable)
            continue;
        if (auto *item = m_form.findChild<QAction *>(QString::fromLatin1(info.menuItem)))
            item->setEnabled(!languageDirFor(info.number).isEmpty());
    }
}

QString LanguageMenu::helpDir() const
{
    return findDataDir(m_exeDir, QLatin1String(HelpFolderName));
}

QString LanguageMenu::choiceFile() const
{
    return QDir(QString::fromStdString(m_state.startDirectory)).filePath(QLatin1String(LanguageChoiceFileName));
}

void LanguageMenu::chooseLanguage(int number)
{
    const LanguageChoiceStore stored = storeLanguageChoice(choiceFile(), number);
    if (!stored.ok())
        m_form.showMessage(QStringLiteral("The language choice could not be stored in %1: %2")
                               .arg(choiceFile(), stored.error)
                               .toStdString());
    LoadLanguage();
}

void LanguageMenu::LoadLanguage()
{
    m_report = ApplyReport {};
    updateLanguageItems();
    const LanguageChoice choice = readLanguageChoice(choiceFile());
    if (!languageInfo(choice.number))
        return; // 0, 10 and above, an empty file: the texts stay as they are
    // Each file is looked for on its own: a fitter's own file in the start directory's "lang"
    // does not hide the shipped files of the other languages.
    QString dir = languageDirFor(choice.number);
    if (dir.isEmpty())
        dir = languageDir(); // the file is missing: the load below says where it was looked for
    if (dir.isEmpty()) {
        m_form.showMessage(QStringLiteral("ERROR: the language folder \"%1\" was not found (looked in: %2)")
                               .arg(QLatin1String(LanguageFolderName),
                                   dataDirCandidates(m_exeDir, QLatin1String(LanguageFolderName),
                                       QString::fromStdString(m_state.startDirectory))
                                       .join(QStringLiteral(", ")))
                               .toStdString());
        return;
    }
    const LanguageLoad load = loadLanguage(choice.number, dir);
    if (load.status != LanguageLoad::Status::Loaded) {
        QString why = load.problems.empty() ? QStringLiteral("it cannot be read") : load.problems.back().message;
        m_form.showMessage(QStringLiteral("ERROR: language file %1: %2").arg(load.path, why).toStdString());
        return;
    }
    applyLoad(load);
    if (load.stopped && !load.problems.empty())
        m_form.showMessage(
            QStringLiteral("ERROR: language file %1, %2").arg(load.path, load.problems.back().message).toStdString());
}

void LanguageMenu::applyLoad(const LanguageLoad &load)
{
    m_report.attempted = true;
    m_faultTextsChanged = false;
    {
        // Filling controls from code must not write anything to the controller.
        std::optional<SettingsWriteBack::QuietScope> quiet;
        if (SettingsWiring *wiring = m_form.settingsWiring())
            quiet.emplace(wiring->writeBack());
        for (const auto &[id, text] : load.texts)
            ApplyLanguageText(id, text);
    }
    auto *adaptation = m_form.findChild<AdaptationPage *>();
    if (adaptation && load.showsAdaptationT0())
        adaptation->textBox()->setPlainText(adaptation->text(AdaptText::T0));
    if (m_faultTextsChanged) {
        if (auto *errors = m_form.findChild<ErrorMemoryView *>())
            errors->showList();
    }
    if (m_report.skipped > 0)
        qCDebug(lcLanguage) << "language file" << load.path << ":" << m_report.skipped
                            << "target(s) not in the window:" << m_report.skippedTargets;
    if (!load.problems.empty())
        qCDebug(lcLanguage) << "language file" << load.path << ":" << load.problems.size() + load.unlistedProblems
                            << "line(s) skipped; first:" << load.problems.front().message;
}

void LanguageMenu::skip(const QString &target)
{
    ++m_report.skipped;
    if (m_report.skippedTargets.size() < 50)
        m_report.skippedTargets << target;
}

bool LanguageMenu::ApplyLanguageText(int id, const QString &text)
{
    const std::vector<const TextTarget *> targets = targetsOf(id);
    if (targets.empty())
        return false;
    for (const TextTarget *t : targets) {
        const QString name = t->name ? QString::fromLatin1(t->name) : QString();
        bool done = false;
        switch (t->kind) {
        case TextTargetKind::TabCaption: {
            for (QWidget *page : m_form.findChildren<QWidget *>(name)) {
                for (QWidget *p = page->parentWidget(); p; p = p->parentWidget()) {
                    if (auto *tabs = qobject_cast<QTabWidget *>(p)) {
                        const int index = tabs->indexOf(page);
                        if (index >= 0) {
                            tabs->setTabText(index, text);
                            done = true;
                        }
                        break;
                    }
                }
            }
            break;
        }
        case TextTargetKind::MenuCaption:
            for (QMenu *menu : m_form.findChildren<QMenu *>(name)) {
                menu->setTitle(text);
                done = true;
            }
            for (QAction *action : m_form.findChildren<QAction *>(name)) {
                action->setText(text);
                done = true;
            }
            break;
        case TextTargetKind::Caption:
            for (QWidget *w : m_form.findChildren<QWidget *>(name)) {
                if (auto *label = qobject_cast<QLabel *>(w)) {
                    label->setText(text);
                    done = true;
                } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
                    button->setText(text);
                    done = true;
                } else if (auto *box = qobject_cast<QGroupBox *>(w)) {
                    box->setTitle(text);
                    done = true;
                } else if (auto *bit = qobject_cast<TAbColBitBtn *>(w)) {
                    bit->setOnText(text);
                    bit->setOffText(text);
                    done = true;
                }
            }
            break;
        case TextTargetKind::OnOffTexts:
        case TextTargetKind::OnText:
        case TextTargetKind::OffText:
            // Two-state buttons and the slide switches of the settings headers carry both texts.
            for (TAbColBitBtn *bit : m_form.findChildren<TAbColBitBtn *>(name)) {
                if (t->kind != TextTargetKind::OffText)
                    bit->setOnText(text);
                if (t->kind != TextTargetKind::OnText)
                    bit->setOffText(text);
                done = true;
            }
            for (TextToggleSwitch *sw : m_form.findChildren<TextToggleSwitch *>(name)) {
                if (t->kind != TextTargetKind::OffText)
                    sw->setOnText(text);
                if (t->kind != TextTargetKind::OnText)
                    sw->setOffText(text);
                done = true;
            }
            break;
        case TextTargetKind::ComboItem:
            for (QComboBox *combo : m_form.findChildren<QComboBox *>(name)) {
                if (t->index < 0 || t->index >= combo->count())
                    continue;
                const QSignalBlocker block(combo);
                combo->setItemText(t->index, text);
                done = true;
            }
            break;
        case TextTargetKind::StatusText:
            if (std::string *s = statusMember(m_state.statusTexts, t->name)) {
                *s = text.toStdString();
                done = true;
            }
            break;
        case TextTargetKind::GlobalText:
            if (std::string *s = globalMember(m_state.texts, t->name)) {
                *s = text.toStdString();
                done = true;
            }
            break;
        case TextTargetKind::FaultText:
            if (t->index >= 0 && t->index < FaultTextCount) {
                m_state.errorMemory.texts.text[static_cast<std::size_t>(t->index)] = text.toStdString();
                m_faultTextsChanged = true;
                done = true;
            }
            break;
        case TextTargetKind::AdaptationText:
            if (t->index >= 0 && t->index < AdaptTextCount) {
                if (auto *page = m_form.findChild<AdaptationPage *>()) {
                    page->setText(static_cast<AdaptText>(t->index), text);
                    done = true;
                }
            }
            break;
        }
        if (done)
            ++m_report.applied;
        else
            skip(t->kind == TextTargetKind::ComboItem ? QStringLiteral("%1[%2]").arg(name).arg(t->index)
                    : name.isEmpty()                  ? QStringLiteral("%1 %2").arg(kindName(t->kind)).arg(t->index)
                                                      : name);
    }

    // The last item text of a combo box: the box chooses its item again from the image.
    if (const ComboReselect *rule = reselectRuleFor(id)) {
        const int item = reselectedItem(*rule, m_state.session.image, m_state.session.timeBases);
        for (QComboBox *combo : m_form.findChildren<QComboBox *>(QString::fromLatin1(rule->combo))) {
            const QSignalBlocker block(combo);
            combo->setCurrentIndex(item < combo->count() ? item : -1);
            ++m_report.reselected;
        }
    }
    return true;
}

void LanguageMenu::help1Click()
{
    // The start directory is taken again, as the language files are looked up from it.
    m_state.startDirectory = QDir::currentPath().toStdString();
    const QString dir = helpDir();
    if (dir.isEmpty()) {
        m_form.showMessage(
            QStringLiteral("The help folder \"%1\" was not found (looked in: %2)")
                .arg(QLatin1String(HelpFolderName),
                    dataDirCandidates(m_exeDir, QLatin1String(HelpFolderName)).join(QStringLiteral(", ")))
                .toStdString());
        return;
    }
    const QString path = QFileInfo(dir).absoluteFilePath();
    if (!m_form.user().openFolder(QUrl::fromLocalFile(path)))
        m_form.showMessage(
            QStringLiteral("The help folder %1 could not be opened in the file browser.").arg(path).toStdString());
}

} // namespace kelvane
