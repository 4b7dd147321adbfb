#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include "data/safe_file.h"
#include "kelmor_chart.h"

// The chart on paper: one landscape page, to a printer or into a PDF file.

namespace kelmor {

namespace {

// The chart within `margin` of the paper on each side, in the device's pixels, whose
// origin is the printable area's corner.
void PaintPage(KelmorChart& chart, QPainter& painter, const QPageLayout& layout, int resolution,
               double margin) {
    const QRect page = layout.fullRectPixels(resolution);
    const QRect paper = page.translated(-layout.paintRectPixels(resolution).topLeft());
    const int dx = qRound(paper.width() * margin);
    const int dy = qRound(paper.height() * margin);
    chart.RenderTo(painter, paper.adjusted(dx, dy, -dx, -dy));
}

bool PrintOnPrinter(KelmorChart& chart, QPrinter& printer, double margin, QString& error) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("The printer could not start printing.");
        return false;
    }
    PaintPage(chart, painter, printer.pageLayout(), printer.resolution(), margin);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        error = QStringLiteral("The printer could not print the page.");
        return false;
    }
    return true;
}

// A PDF engine writes its file as it goes and cannot take back what it wrote: the page is
// made in memory, with the printer's page and resolution, and saved in one piece.
bool PrintToFile(KelmorChart& chart, QPrinter& printer, double margin, QString& error) {
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPdfVersion(printer.pdfVersion());
        writer.setTitle(printer.docName());
        writer.setCreator(printer.creator());
        writer.setResolution(printer.resolution());
        writer.setPageLayout(printer.pageLayout());
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = QStringLiteral("The page could not be made.");
            return false;
        }
        PaintPage(chart, painter, writer.pageLayout(), writer.resolution(), margin);
        if (!painter.end()) {
            error = QStringLiteral("The page could not be made.");
            return false;
        }
    }
    const FileWrite written =
        WriteFileSafely(printer.outputFileName(), pdf.constData(), pdf.size());
    error = written.error;
    return written.ok;
}

}  // namespace

bool KelmorChart::PrintLandscape(QPrinter& printer, double margin, QString& error) {
    const QPageLayout::Orientation former = printer.pageLayout().orientation();
    printer.setPageOrientation(QPageLayout::Landscape);
    const bool printed = printer.outputFileName().isEmpty()
                             ? PrintOnPrinter(*this, printer, margin, error)
                             : PrintToFile(*this, printer, margin, error);
    printer.setPageOrientation(former);
    return printed;
}

}  // namespace kelmor
