// The workshop report: building its content from an image (every setting decoded, the maps, the
// visit's changes) and painting the whole A4 PDF, in memory and through a file as "report..." does.
#include "ReportContent.h"
#include "ReportPdf.h"
#include "Simulator.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kelvane;
using namespace kelvane::report;

namespace {

ParameterImage sampleImage()
{
    ParameterImage image;
    image.bytes = sim::factoryImage(57600);
    for (int r = 0; r < maps::MainMapRows; ++r)
        for (int c = 0; c < maps::MainMapCols; ++c)
            maps::setCellValue(image, maps::Region::MainMap, r, c, (r * 7 + c * 3) % 60 - 20);
    return image;
}

ReportSource sampleSource(const ParameterImage &image)
{
    ReportSource src;
    src.image = &image;
    src.timeBases = timeBasesFor(0);
    src.fitterText = QStringLiteral("Auto Serwis Nowak, ul. Długa 5 — VW Golf 1.6, WX 12345");
    src.created = QDateTime::currentDateTime();
    src.fromController = true;
    src.errors = ErrorList {};
    for (int k = 0; k < 20; ++k) {
        JournalEntry e;
        e.time = src.created.toUTC();
        e.action = QStringLiteral("ComboBoxInjNum");
        e.changes = { { QStringLiteral("cylinders"), QStringLiteral("4"), QStringLiteral("6") } };
        src.changes.push_back(e);
    }
    return src;
}

void BM_BuildReport(benchmark::State &state)
{
    const ParameterImage image = sampleImage();
    const ReportSource src = sampleSource(image);
    for (auto _ : state)
        benchmark::DoNotOptimize(buildReport(src));
}
BENCHMARK(BM_BuildReport)->Unit(benchmark::kMillisecond);

void BM_PaintReportPdf(benchmark::State &state)
{
    const ParameterImage image = sampleImage();
    const ReportDocument doc = buildReport(sampleSource(image));
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(288);
        benchmark::DoNotOptimize(paintReport(doc, writer));
    }
}
BENCHMARK(BM_PaintReportPdf)->Unit(benchmark::kMillisecond);

void BM_WriteReportFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const ParameterImage image = sampleImage();
    const ReportSource src = sampleSource(image);
    const QString path = dir.filePath(QStringLiteral("car.pdf"));
    for (auto _ : state) {
        QString error;
        if (!writeReportPdf(buildReport(src), path, &error))
            state.SkipWithError(error.toStdString().c_str());
    }
}
BENCHMARK(BM_WriteReportFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
