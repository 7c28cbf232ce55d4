#include "ReportCommand.h"

#include "DiagCommands.h"
#include "ErrorMemory.h"
#include "FieldCodec.h"
#include "FieldTable.h"
#include "ImageJson.h"
#include "JournalFile.h"
#include "Obd.h"
#include "ParameterFile.h"
#include "ReportContent.h"
#include "ReportLanguage.h"
#include "ReportPdf.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstring>
#include <ostream>

namespace kelvane {

namespace {

constexpr int ExitOk = 0, ExitBadInput = 2, ExitNoData = 4, ExitInterrupted = 130;
constexpr int ImageReadTries = 3;

int fail(std::ostream &err, int code, const QString &message)
{
    err << "kelvane-cli: " << message.toStdString() << "\n";
    return code;
}

struct Options {
    QString target;
    QString from;
    QString title;
    QString lang;
    int baud = 57600;
};

bool parse(const QStringList &args, Options &o, QString &error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &out) {
            if (i + 1 >= args.size()) {
                error = a + QStringLiteral(" needs a value");
                return false;
            }
            out = args[++i];
            return true;
        };
        if (a == QLatin1String("--from")) {
            if (!value(o.from))
                return false;
        } else if (a == QLatin1String("--title")) {
            if (!value(o.title))
                return false;
        } else if (a == QLatin1String("--lang")) {
            if (!value(o.lang))
                return false;
        } else if (a == QLatin1String("--baud")) {
            QString v;
            if (!value(v))
                return false;
            if (v != QLatin1String("38400") && v != QLatin1String("57600")) {
                error = QStringLiteral("--baud must be 38400 or 57600");
                return false;
            }
            o.baud = v.toInt();
        } else if (a.startsWith(QLatin1Char('-'))) {
            error = QStringLiteral("unknown option %1 for report").arg(a);
            return false;
        } else if (o.target.isEmpty()) {
            o.target = a;
        } else {
            error = QStringLiteral("report takes one output file");
            return false;
        }
    }
    if (o.target.isEmpty()) {
        error = QStringLiteral("usage: kelvane-cli report OUT.pdf [--from FILE [--baud 38400|57600]] [--title TEXT] "
                               "[--lang LANGUAGE|FILE]");
        return false;
    }
    return true;
}

bool obdEnabled(const ParameterImage &image)
{
    const FieldDef *f = findField(QStringLiteral("Obd"));
    return f && storedValue(image, *f) != 0;
}

} // namespace

std::unique_ptr<QCoreApplication> makeCliApplication(int &argc, char **argv)
{
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--com") == 0) {
            ++i;
            continue;
        }
        if (argv[i][0] != '-') {
            report = std::strcmp(argv[i], "report") == 0;
            break;
        }
    }
    if (!report)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int runReportCommand(ControllerSession &s, const QStringList &operands, const ReportCliHooks &hooks, std::ostream &out,
    std::ostream &err)
{
    Options o;
    QString error;
    if (!parse(operands, o, error))
        return fail(err, ExitBadInput, error);
    if (!report::reportTargetUsable(o.target, &error))
        return fail(err, ExitBadInput, error);
    const QString cwd = QDir::currentPath();
    const report::ReportLanguage lang = report::loadReportLanguage(o.lang, cwd, QCoreApplication::applicationDirPath());
    if (!lang.error.isEmpty())
        return fail(err, ExitBadInput, lang.error);

    QElapsedTimer clock;
    report::ReportSource src;
    src.texts = lang.texts;
    src.language = lang.name;
    src.fitterText = o.title;
    src.created = QDateTime::currentDateTime();
    ParameterImage fileImage;
    if (!o.from.isEmpty()) {
        QString warning;
        if (!loadImageFile(o.from, fileImage, &warning, &error))
            return fail(err, ExitBadInput, error);
        if (!warning.isEmpty())
            err << "kelvane-cli: " << warning.toStdString() << "\n";
        src.image = &fileImage;
        src.timeBases = timeBasesFor(o.baud == 38400 ? 1 : 0);
        src.source = QFileInfo(o.from).absoluteFilePath();
        clock.start();
    } else {
        if (const int failed = hooks.connect(); failed >= 0)
            return failed;
        clock.start();
        DiagCliOptions diag;
        diag.cancelled = hooks.cancelled;
        auto stop = [&](int code, const QString &message) {
            s.connection.Disconnect();
            return fail(err, code, message);
        };
        const int missing = s.connection.rereadRejectedBlocks(ImageReadTries);
        if (hooks.cancelled())
            return stop(ExitInterrupted, QStringLiteral("interrupted"));
        if (missing >= 0)
            return stop(ExitNoData,
                QStringLiteral("image read incomplete: the controller did not deliver the block at byte %1; "
                               "no report written")
                    .arg(missing));
        switch (waitForLiveRecord(s, diag)) {
        case DiagWait::Cancelled:
            return stop(ExitInterrupted, QStringLiteral("interrupted"));
        case DiagWait::TimedOut:
            return stop(ExitNoData, QStringLiteral("no live reply accepted; no report written"));
        case DiagWait::Done:
            break;
        }
        src.workTimes = report::WorkTimes { s.live.u32(rec::PetrolWorkTime), s.live.u32(rec::GasWorkTime), true };
        ErrorMemory memory(s);
        const ErrorReadResult r = memory.read();
        if (r.status != ErrorReadStatus::Read)
            return stop(ExitNoData, QStringLiteral("%1; no report written").arg(QLatin1String(ErrorReadFailedText)));
        src.errors = memory.list();
        if (s.conn.HardwareRevision < 2) {
            src.troubleCodesNote = QStringLiteral("not read: the controller has no OBD (hardware revision below 2)");
        } else if (!obdEnabled(s.image)) {
            src.troubleCodesNote = QStringLiteral("not read: OBD/CAN is disabled");
        } else {
            obdReadTroubleCodes(s);
            std::vector<std::string> codes;
            const DiagWait w = collectTroubleCodes(s, diag, codes);
            if (w == DiagWait::Cancelled)
                return stop(ExitInterrupted, QStringLiteral("interrupted"));
            if (w == DiagWait::Done)
                src.troubleCodes = codes;
            else
                src.troubleCodesNote
                    = QStringLiteral("not read: the controller delivered no complete trouble-code list");
        }
        src.image = &s.image;
        src.timeBases = s.timeBases;
        src.fromController = true;
        src.hardwareRevision = s.conn.HardwareRevision;
        src.softwareRevision = s.conn.SoftwareRevision;
        src.source = report::portDescription(s);
        const JournalReadResult journal = JournalFile(parameterDirectory(cwd) + QStringLiteral("/journal")).readAll();
        src.changes
            = report::visitEntries(journal.entries, src.created.date(), src.hardwareRevision, src.softwareRevision);
        s.connection.Disconnect();
    }
    const report::ReportDocument doc = report::buildReport(src);
    if (!report::writeReportPdf(doc, o.target, &error))
        return fail(err, ExitBadInput, error + QStringLiteral("; no report written"));
    out << "wrote " << o.target.toStdString() << " (" << doc.language.toStdString() << ") in " << clock.elapsed()
        << " ms\n";
    return ExitOk;
}

} // namespace kelvane
