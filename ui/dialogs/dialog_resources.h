#pragma once

#include <QByteArray>

namespace kelmor {

// Resource paths of the pictures built into the program (made by tools/make_banner).
inline constexpr char kBannerResource[] = ":/kelmor/banner.jpg";
inline constexpr char kApplicationIconResource[] = ":/kelmor/kelmor.png";

// The resources live in a static library, whose registration the linker would otherwise
// drop; call before opening one of the paths above. Safe to call repeatedly.
void LoadDialogResources();

// The About box banner as stored: JPEG bytes, empty if the resource is missing.
QByteArray BannerJpeg();

}  // namespace kelmor
