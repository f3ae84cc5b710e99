#include "app/tolvane_doc.h"

IMPLEMENT_DYNCREATE(CTolvaneDoc, CDocument)

BEGIN_MESSAGE_MAP(CTolvaneDoc, CDocument)
END_MESSAGE_MAP()

void CTolvaneDoc::Serialize(bool) {}

BOOL CTolvaneDoc::OnNewDocument() { return CDocument::OnNewDocument(); }
