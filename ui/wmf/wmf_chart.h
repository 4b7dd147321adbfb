#pragma once

#include <QString>

class QCustomPlot;

namespace kelmor {

// Draws the chart as vectors, `width` x `height` pixels (0 for either: its present size),
// into a Windows metafile at `path`, through a SafeFile: a failing disk leaves an existing
// file as it was. On failure `error` names the file and the reason.
bool SaveChartAsWmf(QCustomPlot& plot, int width, int height, const QString& path, QString& error);

}  // namespace kelmor
