#pragma once

#include <QStringList>
#include <QWidget>
#include <optional>

#include "data/measurement_summary.h"

class QLabel;
class QTableWidget;

namespace kelmor {

class HourProfileChart;

// The radon assessment of what the chart shows: the figures of the measurement (or of the
// zoomed range) in Bq/m3 and pCi/L, the comparison with the reference level, and a small
// chart of the mean by hour of day. The window calls SetShown whenever what is on show
// changes (list, view, zoom, reference level) and Clear when nothing is chosen.
//
// Keyboard: the panel hands its focus to the table of figures, whose rows the arrow keys
// walk and the copy key (Ctrl+C) copies; Tab goes on to the sentence, which can be selected and
// copied.
class SummaryPanel : public QWidget {
    Q_OBJECT

  public:
    explicit SummaryPanel(QWidget* parent = nullptr);

    // Summarises `scope` of `data` against the reference level and shows it. `subject`
    // names what is summarised (the list item); a range in the scope is added to it.
    void SetShown(const MeasurementData& data, const SummaryScope& scope,
                  std::optional<double> referenceBqm3, const QString& subject);
    // "No measurement chosen".
    void Clear();
    // The annual average of a place of the archive, or how far it is from one; nothing
    // for a read-out or a data file, whose runs may come from several places.
    void SetAnnual(const QStringList& lines);

    // What is on show, for the report: empty while cleared.
    const MeasurementSummary& Summary() const { return summary_; }
    QString Subject() const;
    bool HasSummary() const { return hasSummary_; }

    QLabel* SubjectLabel() const { return subject_; }
    QTableWidget* Figures() const { return figures_; }
    QLabel* Sentence() const { return sentence_; }
    HourProfileChart* Profile() const { return profile_; }

  private:
    void ShowFigures();
    // The selected rows as "figure<Tab>value" lines, ready to paste.
    void CopyFigures();

    QLabel* subject_ = nullptr;
    QTableWidget* figures_ = nullptr;
    QLabel* sentence_ = nullptr;
    QLabel* annual_ = nullptr;
    HourProfileChart* profile_ = nullptr;

    SummaryWorkspace workspace_;
    MeasurementSummary summary_;
    bool hasSummary_ = false;
};

// The subject line of a summary: `subject`, and the range of a zoom on a line of its own.
QString SummarySubject(const QString& subject, const SummaryScope& scope);

}  // namespace kelmor
