#include "empty_state.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/tool_icons.h"

namespace kelmor {

namespace {

constexpr int kTextPixels = 15;

// A line of text that can be clicked or reached with the keyboard, flat on the window.
QPushButton* Line(const QString& text, QWidget* parent) {
    auto* line = new QPushButton(text, parent);
    line->setFlat(true);
    line->setCursor(Qt::PointingHandCursor);
    line->setIconSize(QSize(kToolIconSide, kToolIconSide));
    return line;
}

}  // namespace

EmptyState::EmptyState(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("emptyState"));
    QFont font = this->font();
    font.setPixelSize(kTextPixels);
    setFont(font);

    choose_ = new QLabel(QStringLiteral("Choose a measurement in the list \"Measurement\""), this);
    choose_->setAlignment(Qt::AlignCenter);
    QFont bold = font;
    bold.setBold(true);
    choose_->setFont(bold);
    readOut_ = Line(QStringLiteral("Read out the Kelmor"), this);
    readOut_->setIcon(ToolIcon(ToolIconKind::ReadOut));
    plugIn_ = new QLabel(QStringLiteral("Plug in the Kelmor, or open a saved data file"), this);
    plugIn_->setAlignment(Qt::AlignCenter);
    open_ = Line(QStringLiteral("Open a data file (Ctrl+O)"), this);
    open_->setIcon(ToolIcon(ToolIconKind::Open));

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    for (QWidget* line : {static_cast<QWidget*>(choose_), static_cast<QWidget*>(readOut_),
                          static_cast<QWidget*>(plugIn_), static_cast<QWidget*>(open_)}) {
        layout->addWidget(line, 0, Qt::AlignHCenter);
    }
    layout->addStretch(1);

    connect(readOut_, &QPushButton::clicked, this, &EmptyState::readOutChosen);
    connect(open_, &QPushButton::clicked, this, &EmptyState::openChosen);
    SetInstrument(false, false);
    SetMeasurementsListed(false);
}

void EmptyState::SetInstrument(bool attached, bool readOutEnabled) {
    readOut_->setVisible(attached);
    readOut_->setEnabled(readOutEnabled);
    plugIn_->setVisible(!attached);
}

void EmptyState::SetOpenEnabled(bool enabled) {
    open_->setEnabled(enabled);
}

void EmptyState::SetMeasurementsListed(bool listed) {
    choose_->setVisible(listed);
}

}  // namespace kelmor
