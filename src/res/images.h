// The program's pictures and its version block, as resource data: the
// application icon in every size a desktop uses, the splash bitmap, and the
// version strings the About box shows. The pictures are the files of
// src/res/images, embedded at build time; the version block comes from
// src/res/version.cmake, which the desktop file and the Debian package
// read too. No Qt here.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/resource_types.h"

/// Icon 2 (IDR_MAINFRAME) as PNG bytes, one ImageResource per size: 16, 22,
/// 24, 32, 48, 64, 128 and 256 pixels square, smallest first.
const std::vector<ImageResource>& TolvaneIcons();

/// Bitmap 103 (IDB_SPLASH): the splash picture, a 383 x 207 BMP of 8 bits
/// a pixel.
const std::vector<ImageResource>& TolvaneBitmaps();

/// The version block: file and product version 1.0.0.1 and the strings
/// CompanyName to ProductVersion.
const VersionResource& TolvaneVersion();

/// What `program --version` prints: "PROGRAM 3.0 (1.0.0.1)" and a line
/// feed, the version the About box shows (the FileVersion string) and the
/// file version.
std::string TolvaneVersionText(const char* program);

