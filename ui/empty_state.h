#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace kelmor {

// What the window shows below the tool bar while no chart is on show: the two ways in,
// reading out the instrument (while one is attached) and opening a saved data file, and,
// once measurements are listed, that one is chosen in the list. It takes the chart's
// place and never lies over it.
class EmptyState : public QWidget {
    Q_OBJECT

  public:
    explicit EmptyState(QWidget* parent = nullptr);

    // Attached: "Read out the Kelmor", enabled as the read-out button is; otherwise the
    // line that asks for the instrument or a file.
    void SetInstrument(bool attached, bool readOutEnabled);
    void SetOpenEnabled(bool enabled);
    // With measurements in the list, the first thing to do is to choose one.
    void SetMeasurementsListed(bool listed);

    QPushButton* ReadOutLine() const { return readOut_; }
    QLabel* PlugInLine() const { return plugIn_; }
    QLabel* ChooseLine() const { return choose_; }
    QPushButton* OpenLine() const { return open_; }

  signals:
    void readOutChosen();
    void openChosen();

  private:
    QLabel* choose_ = nullptr;
    QPushButton* readOut_ = nullptr;
    QLabel* plugIn_ = nullptr;
    QPushButton* open_ = nullptr;
};

}  // namespace kelmor
