// CTolvaneDoc: the program's document. It holds nothing: the form is all
// there is.
#pragma once

#include "platform/ui/doc.h"

class CTolvaneDoc : public CDocument {
 public:
  void Serialize(bool bStoring) override;
  BOOL OnNewDocument() override;
  /// Only an empty file: the document holds nothing, and saving it must
  /// never empty a file with text in it.
  BOOL CanReplaceFile(const CString& path) override;

  DECLARE_DYNCREATE(CTolvaneDoc)
  DECLARE_MESSAGE_MAP()
};
