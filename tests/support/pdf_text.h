#pragma once

// A report read back as its reader gets it, with poppler's tools (poppler-utils).

#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace kelmor::testing {

struct ToolRun {
    bool ran = false;
    QString out;
};

inline ToolRun RunTool(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return {};
    }
    return {true, QString::fromUtf8(process.readAllStandardOutput())};
}

inline bool HavePoppler() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty();
}

// The text of page `page` (from 1), or of the whole file without one.
inline ToolRun PdfText(const QString& pdf, int page = 0) {
    QStringList args;
    if (page > 0) {
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    }
    return RunTool(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
}

// Where `word` stands on page `page`, once for each time it does: boxes in points from the
// page's top left corner, as poppler finds them (a word drawn upright is taller than wide).
inline QList<QRectF> WordBoxes(const QString& pdf, int page, const QString& word) {
    const ToolRun run =
        RunTool(QStringLiteral("pdftotext"),
                {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                 QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    QList<QRectF> boxes;
    QRegularExpressionMatchIterator each =
        QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                          "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">%1</word>")
                               .arg(QRegularExpression::escape(word)))
            .globalMatch(run.out);
    while (each.hasNext()) {
        const QRegularExpressionMatch m = each.next();
        boxes << QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                        QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }
    return boxes;
}

}  // namespace kelmor::testing
