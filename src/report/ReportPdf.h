#pragma once
// The workshop report as an A4 PDF: painted with QPainter on a QPdfWriter, every number and text
// drawn as text (so it can be searched and copied), the main map in the window's cell colours.

#include "ReportContent.h"

#include <QString>

class QPagedPaintDevice;

namespace kelvane::report {

// Paints the document on the device (A4 pages, the device's own resolution); the pages it used.
int paintReport(const ReportDocument &document, QPagedPaintDevice &device);

// Whether `path` may take the report: a new file or a regular one; a folder, a FIFO or a device is
// never replaced (symbolic links are followed). `error` says why not.
bool reportTargetUsable(const QString &path, QString *error);

// Writes the PDF to a temporary file beside `path` and renames it over `path` when it is complete;
// nothing is left behind when it fails. False with `error` set.
bool writeReportPdf(const ReportDocument &document, const QString &path, QString *error);

} // namespace kelvane::report
