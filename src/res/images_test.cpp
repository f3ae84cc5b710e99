// The embedded pictures are whole files of the stated kinds and sizes, read
// from their own headers (decoding them is left to the GUI tests, which
// have Qt), and the version block keeps its values blanks and all.
#include "res/images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::uint32_t BigEndian32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

std::uint32_t LittleEndian32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}

/// Each as "ID KIND WIDTHxHEIGHT[xBITS] whole|cut": whole when the bytes end
/// where the file's own structure says (a PNG's IEND chunk, a BMP's size).
std::vector<std::string> Describe(const std::vector<ImageResource>& images) {
  static const unsigned char kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  std::vector<std::string> out;
  for (const ImageResource& r : images) {
    const unsigned char* d = r.data;
    std::string s = std::to_string(r.id);
    if (r.size >= 45 && std::memcmp(d, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) == 0)
      s += " PNG " + std::to_string(BigEndian32(d + 16)) + "x" +
           std::to_string(BigEndian32(d + 20)) +
           (std::memcmp(d + r.size - 12, kEnd, 12) == 0 ? " whole" : " cut");
    else if (r.size >= 30 && d[0] == 'B' && d[1] == 'M')
      s += " BMP " + std::to_string(LittleEndian32(d + 18)) + "x" +
           std::to_string(LittleEndian32(d + 22)) + "x" + std::to_string(d[28] | d[29] << 8) +
           (LittleEndian32(d + 2) == r.size ? " whole" : " cut");
    else
      s += " unknown";
    out.push_back(s);
  }
  return out;
}

}  // namespace

TEST(TolvaneImages, IconsAndSplashAreWholeFilesOfTheirSizes) {
  EXPECT_EQ(Describe(TolvaneIcons()),
            (std::vector<std::string>{"2 PNG 16x16 whole", "2 PNG 22x22 whole", "2 PNG 24x24 whole",
                                      "2 PNG 32x32 whole", "2 PNG 48x48 whole", "2 PNG 64x64 whole",
                                      "2 PNG 128x128 whole", "2 PNG 256x256 whole"}));
  EXPECT_EQ(Describe(TolvaneBitmaps()), (std::vector<std::string>{"103 BMP 383x207x8 whole"}));
}
