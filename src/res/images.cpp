#include "res/images.h"

#include "res/embedded_images.h"
#include "res/resource.h"

const std::vector<ImageResource>& TolvaneIcons() {
  static const std::vector<ImageResource> icons = {
      {IDR_MAINFRAME, kTolvaneIcon16, kTolvaneIcon16Size},
      {IDR_MAINFRAME, kTolvaneIcon22, kTolvaneIcon22Size},
      {IDR_MAINFRAME, kTolvaneIcon24, kTolvaneIcon24Size},
      {IDR_MAINFRAME, kTolvaneIcon32, kTolvaneIcon32Size},
      {IDR_MAINFRAME, kTolvaneIcon48, kTolvaneIcon48Size},
      {IDR_MAINFRAME, kTolvaneIcon64, kTolvaneIcon64Size},
      {IDR_MAINFRAME, kTolvaneIcon128, kTolvaneIcon128Size},
      {IDR_MAINFRAME, kTolvaneIcon256, kTolvaneIcon256Size},
  };
  return icons;
}

const std::vector<ImageResource>& TolvaneBitmaps() {
  static const std::vector<ImageResource> bitmaps = {
      {IDB_SPLASH, kSplashBitmap, kSplashBitmapSize}};
  return bitmaps;
}

std::string TolvaneVersionText(const char* program) {
  const VersionResource& v = TolvaneVersion();
  std::string shown;
  for (const auto& [key, value] : v.strings)
    if (std::string(key) == "FileVersion") shown = value;
  return std::string(program) + " " + shown + " (" + v.fileVersion + ")\n";
}
