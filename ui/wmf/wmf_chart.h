#pragma once

#include <QSize>
#include <QString>
#include <functional>

class QCPPainter;

namespace kelmor {

// A picture of `size` pixels, painted by `draw` as vectors (the painter is in QCustomPlot's
// vectorised mode), as a Windows metafile at `path`, written through a SafeFile: a failing
// disk leaves an existing file as it was. On failure `error` names the file and the reason.
bool SaveMetafile(QSize size, const std::function<void(QCPPainter&)>& draw, const QString& path,
                  QString& error);

}  // namespace kelmor
