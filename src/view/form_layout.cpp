#include "view/form_layout.h"

#include <algorithm>

#include "platform/ui/dialog.h"

void CFormLayout::Capture(const CWnd& form, const std::vector<Control>& controls, int cx, int cy) {
  m_items.clear();
  m_labels.clear();
  CPoint origin(0, 0);
  form.ClientToScreen(&origin);
  for (const Control& c : controls) {
    CWnd* wnd = form.GetDlgItem(c.id);
    if (!wnd) {
      // A label has no window object of the form's: it gets one here.
      m_labels.push_back(std::make_unique<CWnd>());
      wnd = m_labels.back().get();
      CDataExchange dx(const_cast<CWnd*>(&form), FALSE);
      DDX_Control(&dx, c.id, *wnd);
    }
    CRect r;
    wnd->GetWindowRect(&r);
    m_items.push_back({wnd, c.anchor,
                       CRect(r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y)});
  }
  m_initial = CSize(cx, cy);
  m_bCaptured = true;
}

std::vector<CRect> CFormLayout::Place(int cx, int cy) const {
  int dx = std::max(0, cx - m_initial.cx);
  int dy = std::max(0, cy - m_initial.cy);
  // The lists share the extra height equally; the first ones take what
  // does not divide.
  std::vector<const Item*> lists;
  for (const Item& item : m_items)
    if (item.anchor == kStretches) lists.push_back(&item);
  std::vector<int> gain(lists.size());
  const int n = static_cast<int>(lists.size());
  for (int k = 0; k < n; ++k) gain[static_cast<std::size_t>(k)] = dy / n + (k < dy % n ? 1 : 0);

  std::vector<CRect> places;
  for (const Item& item : m_items) {
    // Down by what the lists wholly above it gained.
    int down = 0, grow = 0;
    for (std::size_t k = 0; k < lists.size(); ++k) {
      if (lists[k] == &item)
        grow = gain[k];
      else if (lists[k]->rect.bottom <= item.rect.top)
        down += gain[k];
    }
    CRect r = item.rect;
    r.top += down;
    r.bottom += down + grow;
    if (item.anchor == kStretches || item.anchor == kWidens) r.right += dx;
    if (item.anchor == kKeepsRight) {
      r.left += dx;
      r.right += dx;
    }
    places.push_back(r);
  }
  return places;
}

void CFormLayout::Apply(int cx, int cy) const {
  std::vector<CRect> places = Place(cx, cy);
  for (std::size_t k = 0; k < places.size(); ++k) m_items[k].wnd->MoveWindow(places[k], TRUE);
}
