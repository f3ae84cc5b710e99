// Input set aside while the program works on the user-interface thread and
// lets its windows paint. Internal to the layer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

/// While it lives, every window but allowed (with none: every window) takes
/// no input: clicks, keys, the wheel, context menus, typing through an input
/// method, menus and accelerators are dropped, not kept for later. Painting,
/// moving and sizing go on. A request to close one of the program's windows
/// is refused, or, when closes are held, carried out once the blocker is
/// gone and no handler runs any more (CloseWhenHandlersReturn).
class InputBlocker : public QObject {
 public:
  enum class Closes { kRefused, kHeld };
  InputBlocker(QWidget* allowed, Closes closes);
  ~InputBlocker() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QWidget* m_allowed;
  Closes m_closes;
  std::vector<QPointer<QWidget>> m_held;  // asked to close, in the order asked
};
