#include "platform/ui/dialog_layout.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>

#include "platform/ui/qt_string.h"
#include "platform/ui/text_view.h"
#include "platform/ui/widgets.h"

QPixmap AfxLoadIconPixmap(int id, int size);  // images.cpp

void AfxInitTemplateFonts() {
  static bool done = false;
  if (done) return;
  done = true;
  QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
}

QFont TemplateFont(const char* face, int points) {
  AfxInitTemplateFonts();
  QString name = QString::fromUtf8(face ? face : "System");
  QFont font = name == QLatin1String("System") ? QApplication::font() : QFont(name);
  font.setPointSize(points > 0 ? points : 10);
  return font;
}

DialogUnits DialogUnits::ForFont(const QFont& font) {
  QFontMetrics fm(font);
  int width = fm.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogUnits u;
  u.baseX = (width / 26 + 1) / 2;
  u.baseY = fm.height();
  return u;
}

namespace {

QWidget* CreateControl(QWidget* parent, const DialogControl& c) {
  QWidget* w = nullptr;
  switch (c.kind) {
    case ControlKind::PushButton: {
      auto* b = new ButtonWidget(parent, c.id);
      b->setText(MnemonicToQt(CString(c.text)));
      b->setDefault(c.style & BS_DEFPUSHBUTTON);
      w = b;
      break;
    }
    case ControlKind::ListBox:
      w = new ListBoxWidget(parent, c.id, c.style);
      break;
    case ControlKind::TextView:
      w = new TextViewWidget(parent, c.id, c.style);
      break;
    case ControlKind::Edit:
      w = new EditWidget(parent, c.id, c.style);
      if (c.style & ES_READONLY) {  // read-only boxes show on the window's colour
        QPalette p = w->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        w->setPalette(p);
      }
      break;
    case ControlKind::Static: {
      auto* l = new QLabel(MnemonicToQt(CString(c.text)), parent);
      l->setWordWrap(false);
      l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      if (c.id != -1) l->setProperty("tolvaneControlId", c.id);
      w = l;
      break;
    }
    case ControlKind::Icon: {
      auto* l = new QLabel(parent);
      int size = 32;
      l->setPixmap(AfxLoadIconPixmap(std::atoi(c.text), size));
      l->setFixedSize(size, size);
      if (c.id != -1) l->setProperty("tolvaneControlId", c.id);
      w = l;
      break;
    }
  }
  if (c.accessibleName && *c.accessibleName) w->setAccessibleName(QString::fromUtf8(c.accessibleName));
  w->setEnabled(!(c.style & WS_DISABLED));
  bool tabStop = c.style & WS_TABSTOP;
  if (c.kind != ControlKind::Static && c.kind != ControlKind::Icon)
    w->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
  return w;
}

}  // namespace

DialogUnits BuildDialog(QWidget* parent, const DialogTemplate& tmpl) {
  QFont font = TemplateFont(tmpl.fontFace, tmpl.fontPoints);
  parent->setFont(font);
  DialogUnits du = DialogUnits::ForFont(font);
  for (const DialogControl& c : tmpl.controls) {
    QWidget* w = CreateControl(parent, c);
    if (c.kind == ControlKind::Icon)
      w->move(du.X(c.x), du.Y(c.y));
    else
      w->setGeometry(du.X(c.x), du.Y(c.y), du.X(c.cx), du.Y(c.cy));
    w->show();
  }
  parent->resize(du.X(tmpl.cx), du.Y(tmpl.cy));
  return du;
}
