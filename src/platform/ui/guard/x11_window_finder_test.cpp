#include "platform/ui/guard/window_finder.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/ui/guard/guard_test_support.h"
#include "tests/temp_dir.h"

namespace {

class X11WindowFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!m_display.IsUp()) GTEST_SKIP() << "Xvfb is not installed: the X search is not tested";
  }
  bool Finds(const std::string& caption) {
    return MakeX11WindowFinder()->HasTopLevelWindow(caption);
  }
  bool Appears(const std::string& caption) {
    return WaitUntil([&] { return Finds(caption); });
  }

  XvfbDisplay m_display;
  TempDir m_userFolders;  // copies started here serve their captions apart
};

// xmessage names its window in WM_NAME only: as COMPOUND_TEXT with ISO-2022
// escapes around the Japanese, as STRING (Latin-1) when Latin-1 suffices. It
// encodes after the locale, which must hold both.
TEST_F(X11WindowFinderTest, ReadsOldProgramsWmNameAndComparesCaptionsWhole) {
  LineChild japanese({"/usr/bin/env", "LC_ALL=C.UTF-8", "xmessage", "-title", kMainCaption, "hi"});
  LineChild latin1({"/usr/bin/env", "LC_ALL=C.UTF-8", "xmessage", "-title", "Café - Tolvane", "hi"});
  ASSERT_TRUE(Appears(kMainCaption));
  ASSERT_TRUE(Appears("Café - Tolvane"));
  for (const char* caption : {kFileCaption, "ソース選択 - Tolvane For Windows9",
                              "ソース選択 - Tolvane For Windows95 ", "ソース選択", "",
                              "Caf\xE9 - Tolvane"})  // the Latin-1 bytes are not UTF-8
    EXPECT_FALSE(Finds(caption)) << caption;
}

TEST_F(X11WindowFinderTest, FindsAQtCopysCaptionAsItChanges) {
  // Copies with folders of their own: only the X window can refuse the second.
  auto start = [&](const char* folder) {
    return std::make_unique<LineChild>(std::vector<std::string>{
        "/usr/bin/env", "-u", "QT_QPA_PLATFORM", "GUARD_COPY_NO_BOX=1",
        "XDG_RUNTIME_DIR=" + m_userFolders.Join(folder), kGuardCopy});
  };
  auto copy = start("a");
  ASSERT_EQ(copy->ReadLine(), "running xcb");
  ASSERT_TRUE(Appears(kMainCaption));
  auto second = start("b");
  EXPECT_EQ(second->ReadLine(), "refused");
  EXPECT_EQ(second->Wait(), 0);

  copy->WriteLine(std::string("title ") + kFileCaption);
  ASSERT_EQ(copy->ReadLine(), "ok");
  EXPECT_TRUE(Appears(kFileCaption));
  EXPECT_FALSE(Finds(kMainCaption));
}

// A reparenting window manager puts each client inside a frame of its own.
// Names typed UTF8_STRING count in WM_NAME too, as some toolkits write them.
TEST_F(X11WindowFinderTest, FindsFramesAndTheirClientsByEitherUtf8Name) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  ASSERT_EQ(xcb_connection_has_error(c), 0);
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_window_t frame = xcb_generate_id(c), client = xcb_generate_id(c);
  for (xcb_window_t w : {frame, client})
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  auto atom = [c](const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    free(r);
    return a;
  };
  auto name = [&](xcb_window_t w, xcb_atom_t property, const char* text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, atom("UTF8_STRING"), 8,
                        std::strlen(text), text);
  };
  name(frame, XCB_ATOM_WM_NAME, kFileCaption);
  name(client, atom("_NET_WM_NAME"), kMainCaption);
  xcb_reparent_window(c, client, frame, 5, 5);
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // all applied

  EXPECT_TRUE(Finds(kMainCaption));
  EXPECT_TRUE(Finds(kFileCaption));
  xcb_disconnect(c);
  EXPECT_TRUE(WaitUntil([&] { return !Finds(kMainCaption); }));
}

}  // namespace
