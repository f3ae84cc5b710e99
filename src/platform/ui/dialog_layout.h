// Building windows from dialog templates: the fonts the templates name,
// dialog units, and the controls. Internal to the layer.
#pragma once

#include <QFont>

#include "platform/ui/resource_types.h"

class QWidget;

/// Maps the templates' font names to installed fonts ("ＭＳ 明朝" to a
/// Mincho, "ＭＳ Ｐゴシック" to a proportional Gothic, "System" to the
/// default UI font). Idempotent; needs the QApplication.
void AfxInitTemplateFonts();

/// The font a template names, at its point size.
QFont TemplateFont(const char* face, int points);

/// Dialog units of a font: a horizontal unit is a quarter of the font's
/// average character width, a vertical one an eighth of its height.
struct DialogUnits {
  int baseX = 8;   // average character width, in pixels
  int baseY = 16;  // character height, in pixels
  static DialogUnits ForFont(const QFont& font);
  int X(int du) const { return MulDiv(du, baseX, 4); }
  int Y(int du) const { return MulDiv(du, baseY, 8); }
  static int MulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
  }
};

/// Creates the controls of tmpl on parent, in template order, with the
/// template's font set on parent, and sizes parent to the template.
/// Returns the dialog units used.
DialogUnits BuildDialog(QWidget* parent, const DialogTemplate& tmpl);
