#include "app/tolvane_doc.h"

#include <sys/stat.h>

#include "platform/ui/message_box.h"

IMPLEMENT_DYNCREATE(CTolvaneDoc, CDocument)

BEGIN_MESSAGE_MAP(CTolvaneDoc, CDocument)
END_MESSAGE_MAP()

void CTolvaneDoc::Serialize(bool) {}

BOOL CTolvaneDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

BOOL CTolvaneDoc::CanReplaceFile(const CString& path) {
  struct stat st;
  if (::stat(path.GetString(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) return TRUE;
  AfxMessageBox(path + " は空のファイルではないため、置き換えられません。", MB_OK | MB_ICONEXCLAMATION);
  return FALSE;
}
