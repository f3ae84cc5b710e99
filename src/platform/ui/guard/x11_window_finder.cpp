#include "platform/ui/guard/window_finder.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// A caption longer than this (in 32-bit units, so 4 KiB) is cut short and
// therefore never equal to the one looked for.
constexpr uint32_t kMaxNameLongs = 1024;

template <typename T>
struct FreeDeleter {
  void operator()(T* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

struct XcbDisconnect {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
struct XCloseDisplayDeleter {
  void operator()(Display* d) const { XCloseDisplay(d); }
};

xcb_atom_t AtomReply(xcb_connection_t* c, xcb_intern_atom_cookie_t cookie) {
  XcbReply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, cookie, nullptr));
  return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_intern_atom_cookie_t AskAtom(xcb_connection_t* c, const char* name) {
  // only_if_exists: an atom nobody has interned names no property either.
  return xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name);
}

// The children of every parent, asked for all at once so that the whole
// level costs one round trip. A parent that vanished meanwhile has none.
std::vector<xcb_window_t> Children(xcb_connection_t* c,
                                   const std::vector<xcb_window_t>& parents) {
  std::vector<xcb_query_tree_cookie_t> cookies;
  cookies.reserve(parents.size());
  for (xcb_window_t p : parents) cookies.push_back(xcb_query_tree(c, p));
  std::vector<xcb_window_t> out;
  for (auto cookie : cookies) {
    xcb_generic_error_t* err = nullptr;
    XcbReply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(c, cookie, &err));
    std::free(err);
    if (!r) continue;
    const xcb_window_t* kids = xcb_query_tree_children(r.get());
    out.insert(out.end(), kids, kids + xcb_query_tree_children_length(r.get()));
  }
  return out;
}

std::string Bytes(const xcb_get_property_reply_t& r) {
  auto* p = static_cast<const char*>(xcb_get_property_value(&r));
  return std::string(p, static_cast<size_t>(xcb_get_property_value_length(&r)));
}

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

class X11WindowFinder : public IWindowFinder {
 public:
  bool HasTopLevelWindow(const std::string& captionUtf8) override;

 private:
  struct Atoms {
    xcb_atom_t netWmName, utf8String, compoundText;
  };
  std::optional<std::string> WmName(const xcb_get_property_reply_t& r, const Atoms& atoms);
  std::optional<std::string> DecodeCompoundText(const std::string& bytes, xcb_atom_t encoding);

  // Opened only when a COMPOUND_TEXT caption has to be decoded: Xlib's
  // converter needs a display of its own, and most windows never ask for it.
  std::unique_ptr<Display, XCloseDisplayDeleter> m_pDisplay;
  bool m_bDisplayTried = false;
};

std::optional<std::string> X11WindowFinder::DecodeCompoundText(const std::string& bytes,
                                                               xcb_atom_t encoding) {
  if (!m_bDisplayTried) {
    m_bDisplayTried = true;
    m_pDisplay.reset(XOpenDisplay(nullptr));
  }
  if (!m_pDisplay) return std::nullopt;
  XTextProperty prop;
  prop.value = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data()));
  prop.encoding = encoding;  // atoms are the server's, the same on both connections
  prop.format = 8;
  prop.nitems = bytes.size();
  char** list = nullptr;
  int count = 0;
  int rc = Xutf8TextPropertyToTextList(m_pDisplay.get(), &prop, &list, &count);
  std::optional<std::string> text;
  // A positive rc counts characters that had no UTF-8 form and were replaced:
  // such a caption cannot equal ours. Several strings mean embedded NULs.
  if (rc == Success && count == 1) text = std::string(list[0]);
  if (list) XFreeStringList(list);
  return text;
}

std::optional<std::string> X11WindowFinder::WmName(const xcb_get_property_reply_t& r,
                                                   const Atoms& atoms) {
  if (r.format != 8 || r.type == XCB_ATOM_NONE) return std::nullopt;
  std::string bytes = Bytes(r);
  if (r.type == XCB_ATOM_STRING) return Latin1ToUtf8(bytes);
  if (r.type == atoms.utf8String) return bytes;
  if (r.type == atoms.compoundText && atoms.compoundText != XCB_ATOM_NONE)
    return DecodeCompoundText(bytes, r.type);
  return std::nullopt;
}

bool X11WindowFinder::HasTopLevelWindow(const std::string& captionUtf8) {
  std::unique_ptr<xcb_connection_t, XcbDisconnect> conn(xcb_connect(nullptr, nullptr));
  xcb_connection_t* c = conn.get();
  if (xcb_connection_has_error(c)) return false;

  auto netCookie = AskAtom(c, "_NET_WM_NAME");
  auto utf8Cookie = AskAtom(c, "UTF8_STRING");
  auto ctextCookie = AskAtom(c, "COMPOUND_TEXT");
  std::vector<xcb_window_t> roots;
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
    roots.push_back(it.data->root);
  Atoms atoms{AtomReply(c, netCookie), AtomReply(c, utf8Cookie), AtomReply(c, ctextCookie)};

  std::vector<xcb_window_t> windows = Children(c, roots);
  std::vector<xcb_window_t> below = Children(c, windows);
  windows.insert(windows.end(), below.begin(), below.end());

  // Both names of every window are asked for before any answer is read.
  // When no client ever interned _NET_WM_NAME, only WM_NAME is asked for.
  const bool askNet = atoms.netWmName != XCB_ATOM_NONE;
  auto ask = [c](xcb_window_t w, xcb_atom_t property) {
    return xcb_get_property(c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxNameLongs);
  };
  auto reply = [c](xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* err = nullptr;  // a window may vanish meanwhile
    XcbReply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, cookie, &err));
    std::free(err);
    return r;
  };
  std::vector<xcb_get_property_cookie_t> asked;
  asked.reserve(windows.size() * 2);
  for (xcb_window_t w : windows) {
    if (askNet) asked.push_back(ask(w, atoms.netWmName));
    asked.push_back(ask(w, XCB_ATOM_WM_NAME));
  }
  for (size_t i = 0; i < asked.size();) {
    std::optional<std::string> name;
    if (askNet) {
      auto net = reply(asked[i++]);
      if (net && net->type == atoms.utf8String && net->format == 8) name = Bytes(*net);
    }
    auto wm = reply(asked[i++]);
    if (!name && wm) name = WmName(*wm, atoms);
    // The rest of the replies are dropped with the connection.
    if (name && *name == captionUtf8) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<IWindowFinder> MakeX11WindowFinder() {
  return std::make_unique<X11WindowFinder>();
}
