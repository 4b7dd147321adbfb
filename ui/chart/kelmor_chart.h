#pragma once

#include <qcustomplot.h>
#include <QPoint>
#include <QSharedPointer>
#include <QStringList>
#include <memory>
#include <optional>

#include "axis_band.h"
#include "data/date_time.h"
#include "error_bar_series.h"
#include "line_series.h"

class QPrinter;

namespace kelmor {

class BandedTicker;
class DayTicker;
class ReferenceLine;
class ZoomRectangle;

// The main window's chart: radon concentration on the left axis, temperature,
// humidity and pressure on the right axis, over DateTime days on the bottom axis.
//
// The axes follow the points on show (error bar extents included) on every repaint until
// the user zooms; undoing the zoom returns them to that. Mouse: drag a rectangle towards
// the lower right to zoom into it, towards the upper left to undo the zoom; other drags do
// nothing. A press and release without a drag is a click.
class KelmorChart : public QCustomPlot {
    Q_OBJECT

  public:
    explicit KelmorChart(QWidget* parent = nullptr);
    ~KelmorChart() override;

    // The series, in drawing order: the mean's errors, the mean, the pulse distribution,
    // temperature, humidity, pressure.
    LineSeries* TemperatureSeries() const { return temperatureSeries_; }  // right axis
    LineSeries* MeanSeries() const { return meanSeries_; }
    ErrorBarSeries* MeanErrorSeries() const { return meanErrorSeries_; }
    ErrorBarSeries* PulseSeries() const { return pulseSeries_; }    // with its counting errors
    LineSeries* HumiditySeries() const { return humiditySeries_; }  // right axis
    LineSeries* PressureSeries() const { return pressureSeries_; }  // right axis

    // Each line is one line of the text.
    void SetTitleLines(const QStringList& lines);
    QStringList TitleLines() const;
    QString TitleText() const;  // the lines joined by line breaks
    void SetFootLines(const QStringList& lines);
    QStringList FootLines() const;

    void SetLeftAxisTitle(const QString& title);
    void SetBottomAxisTitle(const QString& title);
    // A QDateTime format for the time labels, e.g. "dd/MM hh".
    void SetBottomLabelFormat(const QString& format);

    // Holds the left axis's maximum at `maximum` instead of the data's, zoomed or not.
    void SetLeftAxisMaximum(double maximum);
    // The left axis's maximum follows the data again; while zoomed it goes back to the
    // highest bar top, the rest of the zoom staying.
    void SetLeftAxisMaximumAutomatic();

    // A reference level in Bq/m3, drawn as a dashed line across the plot; the left axis
    // takes it in whenever something is drawn, also when every point lies below it. None
    // (the start) draws no line. Takes effect at the next repaint.
    void SetReferenceLevel(std::optional<double> bqm3);
    std::optional<double> ReferenceLevel() const;

    // Takes the axes to the points as they now stand (unless zoomed) and repaints at once.
    void RepaintNow();
    // Returns the axes to the automatic ranges and raises zoomUndone(), zoomed or not.
    void UndoZoom();
    bool IsZoomed() const { return zoomed_; }

    // The time range on show as of the last repaint, in DateTime days: exactly what the
    // points cover, or the zoom. Both are exactly 0 while nothing is drawn.
    double BottomMinimum() const { return shown_.bottom.lower; }
    double BottomMaximum() const { return shown_.bottom.upper; }
    QCPRange LeftRange() const { return shown_.left; }
    QCPRange RightRange() const { return shown_.right; }

    // Lays the chart out at `target`'s size and paints it there: the one drawing routine
    // for printer, bitmap and metafile. Through a plain QPainter the chart is recorded as a
    // picture at 96 dots per inch of the device, so a printer page gets screen-sized text,
    // and played back scaled to `target`; devices other than images and widgets get vector
    // output.
    void RenderTo(QPainter& painter, const QRect& target);
    // Paints straight into a QCustomPlot painter, in its own units.
    void RenderTo(QCPPainter& painter, const QRect& target);
    // A Windows bitmap of the chart at its size on screen, on white. Written through a
    // SafeFile, so a failure leaves any existing file as it was; `error` then names the file
    // and the reason.
    bool SaveBitmap(const QString& path, QString& error);
    // The chart at its size on screen as a Windows metafile, drawn in vectors by RenderTo;
    // written as the bitmap is.
    bool SaveMetafile(const QString& path, QString& error);
    // One landscape page with the chart inside margins of `margin` (a fraction of the
    // paper) on each side; the printer's orientation is set back afterwards, also when
    // printing fails. A printer that prints to a file gets the page made in memory and the
    // file written through a SafeFile, so a failing disk leaves an earlier file as it was.
    // False when no page came out; `error` then says why.
    bool PrintLandscape(QPrinter& printer, double margin, QString& error);

  signals:
    void zoomed();
    void zoomUndone();
    void clicked();
    void doubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    struct AxisRanges {
        QCPRange bottom{0, 0};
        QCPRange left{0, 0};
        QCPRange right{0, 0};
        bool hasBottom = false;
        bool hasLeft = false;
        bool hasRight = false;
    };

    void BuildLayout();
    void BuildAxes();
    void BuildSeries();

    AxisRanges DataRanges() const;
    // The ranges to show: the data's, or the zoom's.
    void UpdateShownRanges();
    // Gives each axis the padded range that puts the shown range on its band; needs the
    // axis rect's size, so it runs again once QCustomPlot has laid the chart out.
    void ApplyBands();
    void ApplyBand(QCPAxis* axis, BandedTicker& ticker, const QCPRange& shown, bool hasData,
                   const AxisBand& band, double emptyHalfWidth);

    bool IsDrag(const QPoint& from, const QPoint& to) const;
    void FinishDrag(const QPoint& from, const QPoint& to);
    void ZoomInto(const QRect& pixels);

    LineSeries* temperatureSeries_ = nullptr;
    LineSeries* meanSeries_ = nullptr;
    ErrorBarSeries* meanErrorSeries_ = nullptr;
    ErrorBarSeries* pulseSeries_ = nullptr;
    LineSeries* humiditySeries_ = nullptr;
    LineSeries* pressureSeries_ = nullptr;

    QCPTextElement* title_ = nullptr;
    QCPTextElement* foot_ = nullptr;
    QSharedPointer<DayTicker> bottomTicker_;
    QSharedPointer<BandedTicker> leftTicker_;
    QSharedPointer<BandedTicker> rightTicker_;
    ZoomRectangle* zoomRectangle_ = nullptr;
    std::unique_ptr<ReferenceLine> referenceLine_;

    AxisRanges shown_;
    AxisRanges zoom_;
    bool zoomed_ = false;
    bool leftMaximumFixed_ = false;
    double leftMaximum_ = 0;

    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressPosition_;
};

}  // namespace kelmor
