#pragma once

#include <QtGlobal>

// Numbers of the 16-bit Windows metafile format that the writer and its readers share.
namespace kelmor::wmf {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableHeaderBytes = 22;
constexpr int kMetaHeaderWords = 9;
constexpr quint16 kMetafileVersion = 0x0300;  // the version that knows device-independent bitmaps
constexpr quint16 kMemoryMetafile = 1;

enum Function : quint16 {
    kEof = 0x0000,
    kSaveDc = 0x001E,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetPolyFillMode = 0x0106,
    kRestoreDc = 0x0127,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDeleteObject = 0x01F0,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kPolyPolygon = 0x0538,
    kExtTextOut = 0x0A32,
};

constexpr quint16 kTransparent = 1;  // background mode
constexpr quint16 kAnisotropic = 8;  // map mode
constexpr quint16 kAlternate = 1;    // polygon fill modes
constexpr quint16 kWinding = 2;
constexpr quint16 kTextAlignBaseline = 24;  // left, baseline, current position not updated

enum PenStyle : quint16 {
    kPenSolid = 0,
    kPenDash = 1,
    kPenDot = 2,
    kPenDashDot = 3,
    kPenDashDotDot = 4,
    kPenNull = 5,
    kPenEndCapRound = 0x0000,
    kPenEndCapSquare = 0x0100,
    kPenEndCapFlat = 0x0200,
    kPenJoinRound = 0x0000,
    kPenJoinBevel = 0x1000,
    kPenJoinMiter = 0x2000,
};

enum BrushStyle : quint16 { kBrushSolid = 0, kBrushNull = 1, kBrushHatched = 2 };

enum Hatch : quint16 {
    kHatchHorizontal = 0,
    kHatchVertical = 1,
    kHatchForwardDiagonal = 2,
    kHatchBackwardDiagonal = 3,
    kHatchCross = 4,
    kHatchDiagonalCross = 5,
};

constexpr quint8 kAnsiCharset = 0;
constexpr int kFaceNameBytes = 32;

}  // namespace kelmor::wmf
