// How a form follows its frame. At the size the form had when it was first
// shown every control stands where its template put it. When the form grows,
// the stretching lists widen by the whole extra width and share the extra
// height; every other control keeps its size and moves down by the height
// that the lists above it gained, so it stays with its list. Controls kept at
// the right edge move right by the extra width. The form never lays out for
// less than its first size: below it the view scrolls instead.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/wnd.h"

class CFormLayout {
 public:
  enum Anchor {
    kStays,      // keeps its size; moves down with the lists above it
    kStretches,  // a list: takes the extra width and a share of the height
    kWidens,     // takes the extra width; moves down with the lists above it
    kKeepsRight  // keeps its size; moves right by the extra width, and down
  };
  struct Control {
    int id;
    Anchor anchor;
  };

  /// Records where form's controls stand now, for a form of cx x cy pixels.
  /// Throws std::logic_error when the form lacks one of them.
  void Capture(const CWnd& form, const std::vector<Control>& controls, int cx, int cy);
  bool IsCaptured() const { return m_bCaptured; }

  /// Where each recorded control goes for a form of cx x cy pixels, in the
  /// order of Capture.
  std::vector<CRect> Place(int cx, int cy) const;
  /// Moves the recorded controls to their places for cx x cy.
  void Apply(int cx, int cy) const;

 private:
  struct Item {
    CWnd* wnd;
    Anchor anchor;
    CRect rect;  // in the form's client area, at the initial size
  };
  std::vector<Item> m_items;
  std::vector<std::unique_ptr<CWnd>> m_labels;  // controls the form has no object for
  CSize m_initial;
  bool m_bCaptured = false;
};
