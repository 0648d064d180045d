#pragma once
// A unit's record as a PDF, printed from its HTML page by Qt's own printer.

#include <string>


namespace console {

// Renders `html` on A4 pages; the PDF's bytes. Throws commission::EFileError
// when nothing could be printed.
std::string RecordPdf(const std::string& html);

}  // namespace console
