#include "platform/ui/frame.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>
#include <QScrollArea>
#include <QShortcut>

#include "platform/ui/app.h"
#include "platform/ui/doc.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/resource_types.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/widgets.h"

QIcon AfxLoadIcon(int id);  // resources.cpp

namespace {

// The size a frame has before its view sizes it.
constexpr int kDefaultWidth = 640, kDefaultHeight = 480;

QKeySequence KeyOf(const AcceleratorResource& a) {
  int key = 0;
  if (a.key >= 'A' && a.key <= 'Z')
    key = Qt::Key_A + static_cast<int>(a.key - 'A');
  else if (a.key == VK_BACK)
    key = Qt::Key_Backspace;
  else if (a.key == VK_INSERT)
    key = Qt::Key_Insert;
  else if (a.key == VK_DELETE)
    key = Qt::Key_Delete;
  else if (a.key >= VK_F1 && a.key <= VK_F12)
    key = Qt::Key_F1 + static_cast<int>(a.key - VK_F1);
  int mods = 0;
  if (a.flags & FCONTROL) mods |= Qt::ControlModifier;
  if (a.flags & FSHIFT) mods |= Qt::ShiftModifier;
  if (a.flags & FALT) mods |= Qt::AltModifier;
  return QKeySequence(key | mods);
}

void SendCommand(CWnd* frame, UINT id) {
  CWnd::CallWndProc(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void AddMenuItems(CWnd* frame, QMenu* menu, const std::vector<MenuItemResource>& items) {
  for (const MenuItemResource& item : items) {
    if (!item.items.empty()) {
      AddMenuItems(frame, menu->addMenu(MnemonicToQt(CString(item.caption))), item.items);
      continue;
    }
    QAction* action = menu->addAction(MnemonicToQt(CString(item.caption)));
    UINT id = item.command;
    action->setData(id);
    // The mark of a check item is the program's to set (CheckMenuItem):
    // the toggle Qt makes on a choice is undone before the command runs.
    QObject::connect(action, &QAction::triggered, action, [frame, id, action] {
      if (action->isCheckable()) action->setChecked(!action->isChecked());
      SendCommand(frame, id);
    });
  }
}

}  // namespace

CFrameWnd::~CFrameWnd() {
  delete m_pViewActive;
  m_pViewActive = nullptr;
}

BOOL CFrameWnd::CreateFrame(const CString& title) {
  m_strTitle = title;
  return Create(0);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource) {
  CString strings(AfxLoadString(nIDResource));
  int newline = strings.Find('\n');
  m_strTitle = newline < 0 ? strings : strings.Left(newline);
  return Create(nIDResource);
}

BOOL CFrameWnd::Create(UINT nIDResource) {
  auto* host = new WndHost<QMainWindow>(this);
  host->resize(kDefaultWidth, kDefaultHeight);
  host->setWindowTitle(ToQString(m_strTitle));
  AfxApplyDialogColors(host);
  const ResourceTable* res = AfxGetResources();
  if (res && nIDResource) {
    host->setWindowIcon(AfxLoadIcon(static_cast<int>(nIDResource)));
    for (const MenuResource& m : res->menus)
      if (m.id == static_cast<int>(nIDResource))
        for (const MenuItemResource& top : m.menus)
          AddMenuItems(this, host->menuBar()->addMenu(MnemonicToQt(CString(top.caption))), top.items);
    for (const AcceleratorTable& t : res->accelerators)
      if (t.id == static_cast<int>(nIDResource))
        for (const AcceleratorResource& a : t.keys) {
          auto* shortcut = new QShortcut(KeyOf(a), host);
          UINT id = a.command;
          QObject::connect(shortcut, &QShortcut::activated, host, [this, id] { SendCommand(this, id); });
        }
  }
  Attach(host, true);
  CREATESTRUCT cs;
  cs.cx = kDefaultWidth;
  cs.cy = kDefaultHeight;
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  return TRUE;
}

void CFrameWnd::SetActiveView(CView* pView) {
  m_pViewActive = pView;
  auto* main = qobject_cast<QMainWindow*>(m_hWnd);
  if (!main || !pView || !pView->m_hWnd) return;
  if (!dynamic_cast<CFormView*>(pView)) {
    main->setCentralWidget(pView->m_hWnd);
    return;
  }
  // A form fills the client area and scrolls when the frame is smaller than
  // the form's scroll sizes.
  auto* area = qobject_cast<QScrollArea*>(main->centralWidget());
  if (area && area->widget() == pView->m_hWnd) return;
  area = new QScrollArea;
  area->setFrameShape(QFrame::NoFrame);
  area->setFocusPolicy(Qt::NoFocus);
  area->setWidgetResizable(true);
  area->setWidget(pView->m_hWnd);
  main->setCentralWidget(area);
}

void CFrameWnd::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
  auto* main = qobject_cast<QMainWindow*>(m_hWnd);
  if (!main || !main->menuWidget()) return;
  for (QAction* action : main->menuWidget()->findChildren<QAction*>()) {
    if (!action->data().isValid() || action->data().toUInt() != nIDCheckItem) continue;
    // An item once given a state shows a mark, set or clear, from then on.
    action->setCheckable(true);
    action->setChecked((nCheck & MF_CHECKED) != 0);
    return;
  }
}

void CFrameWnd::OnUpdateFrameTitle() {
  if (!m_pDocument) return;
  SetWindowText(m_pDocument->GetTitle() + " - " + m_strTitle);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, UINT nCode) {
  if (m_pViewActive && m_pViewActive->OnCmdMsg(nID, nCode)) return TRUE;
  if (m_pDocument && m_pDocument->OnCmdMsg(nID, nCode)) return TRUE;
  if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(nID, nCode);
}

BOOL CFrameWnd::DestroyWindow() {
  // The view goes with the frame, before it.
  CView* view = m_pViewActive;
  m_pViewActive = nullptr;
  delete view;
  return CWnd::DestroyWindow();
}

int CFrameWnd::MenuBarHeight() const {
  auto* main = qobject_cast<QMainWindow*>(m_hWnd);
  QWidget* bar = main ? main->menuWidget() : nullptr;
  return bar && bar->isVisible() ? bar->height() : 0;
}
