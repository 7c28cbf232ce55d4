#include "ReportItem.h"

#include "AppState.h"
#include "BlockingGuards.h"
#include "FieldCodec.h"
#include "FieldTable.h"
#include "JournalFile.h"
#include "Obd.h"
#include "ParameterFile.h"
#include "ReportContent.h"
#include "ReportLanguage.h"
#include "ReportPdf.h"
#include "UserInteraction.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QMenu>
#include <QTimer>

namespace kelvane {

ReportItem::ReportItem(QMenu &file, QAction *before, QTimer &pollTimer, AppState &state, UserInteraction &user)
    : QObject(&file)
    , m_pollTimer(pollTimer)
    , m_state(state)
    , m_user(user)
{
    setObjectName(QStringLiteral("ReportItem"));
    now = [] { return QDateTime::currentDateTime(); };
    exeDir = QCoreApplication::applicationDirPath();
    m_action = new QAction(QStringLiteral("report..."), &file);
    m_action->setObjectName(QStringLiteral("report1"));
    connect(m_action, &QAction::triggered, this, &ReportItem::report1Click);
    file.insertAction(before, m_action);
}

void ReportItem::report1Click()
{
    ControllerSession &s = m_state.session;
    if (!s.conn.Connected) {
        m_user.message(QString::fromLatin1(NoConnectionText));
        return;
    }
    const std::optional<QString> text
        = m_user.askText(QStringLiteral("report"), QStringLiteral("Workshop and car:"), m_fitterText);
    if (!text)
        return;
    m_fitterText = *text;
    const QString start = QString::fromStdString(m_state.startDirectory);
    const QDateTime created = now();
    const QString folder = parameterDirectory(start);
    const QString path = m_user.chooseReportFile(
        QDir(folder).filePath(QStringLiteral("report-%1.pdf").arg(created.toString(QStringLiteral("yyyy-MM-dd")))));
    if (path.isEmpty())
        return;
    QString error;
    if (!report::reportTargetUsable(path, &error)) {
        m_user.message(QStringLiteral("The report was not written.\n%1").arg(error));
        return;
    }
    const report::ReportLanguage lang = report::loadReportLanguage(QString(), start, exeDir);

    report::ReportSource src;
    {
        TimerPause pause(&m_pollTimer);
        BusyCursor busy;
        // The error memory as the diagnostic page lists it; read now when it has not been yet.
        if (m_state.errorMemory.list().kind != ErrorList::Kind::Faults || m_state.errorMemory.list().fromEarlierRead) {
            if (m_state.errorMemory.read().status != ErrorReadStatus::Read) {
                m_user.message(
                    QStringLiteral("The report was not written: %1.").arg(QLatin1String(ErrorReadFailedText)));
                return;
            }
        }
        src.errors = m_state.errorMemory.list();
    }
    src.image = &s.image;
    src.timeBases = s.timeBases;
    src.texts = lang.texts;
    src.language = lang.error.isEmpty() ? lang.name : QStringLiteral("English");
    src.fitterText = m_fitterText;
    src.created = created;
    src.fromController = true;
    src.source = report::portDescription(s);
    src.hardwareRevision = s.conn.HardwareRevision;
    src.softwareRevision = s.conn.SoftwareRevision;
    src.decimalPoint = QLocale().decimalPoint().at(0);
    if (s.polling.stats().accepted > 0)
        src.workTimes = report::WorkTimes { s.live.u32(rec::PetrolWorkTime), s.live.u32(rec::GasWorkTime), true };
    const FieldDef *obd = findField(QStringLiteral("Obd"));
    if (s.conn.HardwareRevision < 2)
        src.troubleCodesNote = QStringLiteral("not read: the controller has no OBD (hardware revision below 2)");
    else if (!obd || storedValue(s.image, *obd) == 0)
        src.troubleCodesNote = QStringLiteral("not read: OBD/CAN is disabled");
    else
        src.troubleCodes = troubleCodes(s.live); // as the OBD page lists them
    const QString journalFolder = m_state.journal.folder();
    if (!journalFolder.isEmpty())
        src.changes = report::visitEntries(
            JournalFile(journalFolder).readAll().entries, created.date(), src.hardwareRevision, src.softwareRevision);

    const report::ReportDocument doc = report::buildReport(src);
    if (!report::writeReportPdf(doc, path, &error)) {
        m_user.message(QStringLiteral("The report was not written.\n%1").arg(error));
        return;
    }
    m_lastWritten = path;
    QString done = QStringLiteral("The report is written to %1.").arg(QDir::toNativeSeparators(path));
    if (!lang.error.isEmpty())
        done += QStringLiteral("\nIt is in English: %1").arg(lang.error);
    m_user.message(done);
}

} // namespace kelvane
