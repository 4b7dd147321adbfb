#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <vector>

#include "measurement_summary.h"

namespace kelmor {

// A summary in words, for the summary panel, the report and kelmor-cli's plain output.
// Concentrations are given in Bq/m3 and in pCi/L; times with the year, as
// "2024-05-02 15:00", whatever the regional settings, so that a report reads the same
// everywhere.

struct SummaryRow {
    QString label;
    QString value;
};

// A concentration in Bq/m3 without its unit: whole Bq/m3 from 10 on, a decimal below,
// where the counting error gets small.
QString FormatBqm3(double value, const QLocale& locale);
// "2024-05-02 15:00".
QString FormatSummaryTime(DateTime value);
// "90 days 0 hours", "1 day 1 hour".
QString FormatDuration(int hours);
// "short-term" or "long-term", as kelmor-cli --json writes it too.
QString TermText(MeasurementTerm term);

// The figures as a table of two columns (the hour-of-day profile is left to a chart).
// Numbers are written in `locale`.
std::vector<SummaryRow> SummaryRows(const MeasurementSummary& summary, const QLocale& locale);

// The plain sentence that compares the mean with the reference level and says how far a
// measurement of this length can be compared with it; empty without a reference level or
// without samples.
QString ReferenceSentence(const MeasurementSummary& summary, const QLocale& locale);

// Everything as lines of plain text: the rows as "label: value", the mean by hour of day,
// then the reference sentence.
QStringList SummaryTextLines(const MeasurementSummary& summary, const QLocale& locale);

}  // namespace kelmor
