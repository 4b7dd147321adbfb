#pragma once

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;

namespace kelmor {

// What a site report needs beside the PDF's name: the reference level its cover page states
// and its share of hours above is counted against (the window's, when one is chosen), and
// whether the site's hourly data is written beside it as CSV. OK stays disabled until a
// level is chosen.
class SiteReportDialog : public QDialog {
    Q_OBJECT

  public:
    SiteReportDialog(const QString& site, const QString& pdfPath,
                     std::optional<double> referenceLevelBqm3, bool withCsv,
                     QWidget* parent = nullptr);

    double ReferenceLevelBqm3() const;
    bool WithCsv() const;

    // The CSV written beside the PDF: its name with .csv in place of .pdf.
    static QString CsvPathFor(const QString& pdfPath);

  private:
    void UpdateControls();

    QComboBox* level_ = nullptr;
    QDoubleSpinBox* typedLevel_ = nullptr;
    QCheckBox* csv_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace kelmor
