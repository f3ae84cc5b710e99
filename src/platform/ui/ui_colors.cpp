#include "platform/ui/ui_colors.h"

#include <QPalette>
#include <QWidget>

namespace {

bool g_bSet = false;
COLORREF g_background = 0;
COLORREF g_text = 0;

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

void AfxSetDialogBkColor(COLORREF background, COLORREF text) {
  g_bSet = true;
  g_background = background;
  g_text = text;
}

void AfxApplyDialogColors(QWidget* window) {
  if (!g_bSet) return;
  QPalette p = window->palette();
  p.setColor(QPalette::Window, ToQColor(g_background));
  // Disabled controls keep Qt's greyed text.
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
    p.setColor(g, QPalette::WindowText, ToQColor(g_text));
  window->setPalette(p);
  window->setAutoFillBackground(true);
}
