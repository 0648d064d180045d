#include "console/commissioning/RecordPdf.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include "commission/AtomicFile.h"

namespace console {

std::string RecordPdf(const std::string& html) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle("TQ410-K commissioning record");
        writer.setCreator("TQ410-K console");
        QTextDocument document;
        document.setHtml(QString::fromStdString(html));
        document.print(&writer);
    }
    if (bytes.isEmpty()) throw commission::EFileError("the PDF record: nothing was printed");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace console
