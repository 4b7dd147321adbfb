#pragma once

#include <QIcon>
#include <QImage>

namespace kelmor {

// The pictures of the main window's tool buttons, drawn by the program itself.
enum class ToolIconKind {
    Open,          // openButton: an open folder
    Save,          // saveButton: a floppy disk
    Print,         // printButton: a printer
    ReadOut,       // readOutButton: the instrument with a downward arrow
    TriggerLevel,  // triggerLevelButton: red and green lamps with the level between them
    Clock,         // clockButton: a clock face
    Erase,         // eraseButton: an eraser
};

inline constexpr ToolIconKind kAllToolIcons[] = {
    ToolIconKind::Open,         ToolIconKind::Save,  ToolIconKind::Print, ToolIconKind::ReadOut,
    ToolIconKind::TriggerLevel, ToolIconKind::Clock, ToolIconKind::Erase,
};

// Side of a tool-button picture in device-independent pixels; fits the 25 px high buttons.
inline constexpr int kToolIconSide = 20;

// The enabled picture at `scale` times kToolIconSide pixels a side, on a transparent ground.
QImage PaintToolGlyph(ToolIconKind kind, int scale);

// An icon whose Normal and Disabled modes are set explicitly, each at 20 x 20 and 40 x 40.
QIcon ToolIcon(ToolIconKind kind);

// The program's window icon, 256 x 256 (the banner's motif); null if the resource is missing.
QIcon ApplicationIcon();

}  // namespace kelmor
