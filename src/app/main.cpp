// tolvane: the desktop program. For now a plain window that shows the form.
#include "platform/ui/app.h"
#include "platform/ui/frame.h"
#include "res/resources.h"
#include "view/tolvane_view.h"

namespace {

class CFormApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    AfxSetResources(&TolvaneResources());
    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    if (!m_frame.CreateFrame("ソース選択 - Tolvane For Windows95")) return FALSE;
    m_pMainWnd = &m_frame;
    m_pView = new CTolvaneView;
    if (!m_pView->Create(&m_frame)) return FALSE;
    m_frame.SetActiveView(m_pView);
    m_pView->OnInitialUpdate();
    m_frame.ShowWindow(SW_SHOW);
    return TRUE;
  }
  int ExitInstance() override {
    delete m_pView;
    m_pView = nullptr;
    return 0;
  }

 private:
  CFrameWnd m_frame;
  CTolvaneView* m_pView = nullptr;
};

CFormApp theApp;

}  // namespace

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
