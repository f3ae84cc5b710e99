// Where a starting copy of the desktop program looks for a window that is
// already showing a given caption. The single-instance guard asks a finder
// before any window of its own exists; tests hand it a fake, or a real
// finder pointed at a display and a folder of their own.
#pragma once

#include <memory>
#include <string>

class IWindowFinder {
 public:
  virtual ~IWindowFinder() = default;
  /// True when some top-level window's caption is exactly captionUtf8, byte
  /// for byte. Any failure to look (no display, no folder) counts as "no".
  virtual bool HasTopLevelWindow(const std::string& captionUtf8) = 0;
};

/// The top-level windows of the X display named by DISPLAY: the root
/// window's children and their children (a reparenting window manager puts
/// the client one level below its frame), mapped or not. A caption is read
/// from _NET_WM_NAME, else from WM_NAME (STRING, UTF8_STRING or
/// COMPOUND_TEXT). Without a display that can be opened it finds nothing.
std::unique_ptr<IWindowFinder> MakeX11WindowFinder();

/// The captions served by the running copies of this user on this display (see
/// CCaptionServer). The whole search, answers included, gets
/// kCaptionReplyTimeoutMs and at most kMaxCaptionPeers connections; a copy
/// that does not answer in time counts as no window. Sockets whose copy is
/// gone are removed on the way.
std::unique_ptr<IWindowFinder> MakeCaptionSocketFinder();
