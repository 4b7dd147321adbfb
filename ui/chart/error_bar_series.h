#pragma once

#include <qcustomplot.h>
#include <QColor>
#include <QPointer>
#include <vector>

#include "data/date_time.h"

namespace kelmor {

// An error series of the chart: each point (x, y, error) is a vertical bar from y - error to
// y + error with end marks (whiskers). The points live in a hidden graph that the bars are
// matched to by index, as QCPErrorBars requires.
//
// Drawing every bar of a full instrument memory (over 21000 hourly samples) paints a solid
// block and costs tens of milliseconds per repaint, so the series adapts to the density on
// show: with more bars than pixel columns each column gets one envelope line from the lowest
// bar bottom to the highest bar top, in a lighter shade, and over it the range of the values
// themselves in the full colour; with fewer bars but closer together than the whiskers are
// wide, the bars are drawn without whiskers; zoomed in further, every bar is drawn exactly as
// QCPErrorBars draws it.
class ErrorBarSeries : public QCPErrorBars {
  public:
    enum class Drawing {
        Adaptive,  // as described above
        Plain,     // always QCPErrorBars' own drawing, for comparison
    };
    enum class Style { Nothing, Envelope, BarsWithoutWhiskers, Exact };

    ErrorBarSeries(QCPAxis* keyAxis, QCPAxis* valueAxis, const QColor& colour,
                   double whiskerPixels);

    struct Point {
        DateTime x;
        double y;
        double error;
    };

    void Clear();
    // Replaces every point with `points`, which may come in any order: they are sorted by
    // time once, stably, so points of the same time keep the order they came in, each with
    // its own error. A point with a coordinate or error that is not a finite number is left
    // out; a negative error counts as its size. Sorts `points` in place (the caller keeps
    // its storage for the next drawing) and returns how many were kept.
    int SetPoints(std::vector<Point>& points);
    int Count() const { return dataCount(); }
    // The point at `index` in time order; 0 for an index out of range.
    double KeyAt(int index) const;
    double ValueAt(int index) const;
    double ErrorAt(int index) const;

    void SetDrawing(Drawing drawing) { drawing_ = drawing; }
    Drawing drawing() const { return drawing_; }
    // How the last repaint drew the series.
    Style LastStyle() const { return lastStyle_; }

  protected:
    void draw(QCPPainter* painter) override;

  private:
    struct VisibleSpan {
        int begin = 0;
        int end = 0;
    };

    bool HasPoint(int index) const;
    VisibleSpan Visible() const;
    Style StyleFor(const VisibleSpan& span) const;
    void DrawEnvelopes(QCPPainter* painter, const VisibleSpan& span) const;
    void DrawBarsWithoutWhiskers(QCPPainter* painter, const VisibleSpan& span) const;
    // The pixel row of a value, on whole pixels as QCustomPlot's aliased bars fall; far-off
    // bar ends are kept near the axis so their coordinates stay small.
    double PixelOf(double value) const;

    QPointer<QCPGraph> points_;
    Drawing drawing_ = Drawing::Adaptive;
    Style lastStyle_ = Style::Nothing;
};

}  // namespace kelmor
