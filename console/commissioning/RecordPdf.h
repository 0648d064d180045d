#pragma once
// A unit's record as a PDF, printed from its HTML page by Qt's own printer.

#include <string>

#include <QString>

namespace console {

// Renders `html` on A4 pages and writes the PDF atomically to `path`.
// Throws commission::EFileError.
void WriteRecordPdf(const QString& path, const std::string& html);

}  // namespace console
