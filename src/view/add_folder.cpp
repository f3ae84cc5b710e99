// The form's add-folder command: every source below a folder the user picks
// joins the chosen files. The walk is done a few entries at a time while the
// form goes on painting, with a progress box once it has taken a while.
#include <string>
#include <vector>

#include "platform/files/source_tree.h"
#include "platform/ui/folder_dialog.h"
#include "platform/ui/message_box.h"
#include "view/tolvane_view.h"

namespace {

// Names at most ten folders, then how many more: the box fits the screen
// after a walk over a whole tree.
CString NameFolders(const std::vector<CSourceTreeWalk::Failure>& folders) {
  constexpr std::size_t kShown = 10;
  CString text;
  for (std::size_t k = 0; k < folders.size() && k < kShown; ++k)
    text += "\n" + CString(folders[k].folder);
  if (folders.size() > kShown) text += "\n他" + CString(std::to_string(folders.size() - kShown)) + "個";
  return text;
}

}  // namespace

void CTolvaneView::OnAddFolder() {
  CFolderDialog dialog("ﾌｫﾙﾀﾞを追加");
  if (dialog.DoModal() != IDOK) return;
  AddFolder(dialog.GetPathName());
}

void CTolvaneView::AddFolder(const CString& folder) {
  CSourceTreeWalk walk(folder.str());
  {
    CProgressDlg progress("ﾌｫﾙﾀﾞを追加", m_nProgressDelay, this);
    while (walk.Step(m_nWalkStep)) {
      CString text = "ソースファイルを探しています。" + CString(std::to_string(walk.Sources().size())) +
                     "個見つかりました。\n" + CString(walk.Current());
      if (!progress.Pump(text)) return;  // cancelled: nothing is added
    }
  }
  std::vector<std::string> found = walk.TakeSources();
  bool none = found.empty();
  std::vector<CString> paths;
  paths.reserve(found.size());
  for (std::string& p : found) paths.emplace_back(std::move(p));
  ChooseFiles(std::move(paths));

  CString message;
  if (none) message = "ソースファイルが見つかりませんでした。";
  if (!walk.Failures().empty()) {
    if (!message.IsEmpty()) message += "\n";
    message += "次のフォルダは読めませんでした。" + NameFolders(walk.Failures());
  }
  if (!message.IsEmpty()) AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
}
