#include "platform/ui/doc.h"

#include <stdexcept>
#include <sys/stat.h>

#include "platform/files/stdio_file.h"
#include "platform/ui/app.h"
#include "platform/ui/dialog.h"
#include "platform/ui/frame.h"
#include "platform/ui/message_box.h"
#include "platform/ui/resource_types.h"
#include "platform/ui/standard_ids.h"

// ---- CDocument ----

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
  ON_COMMAND(ID_FILE_SAVE, OnFileSave)
END_MESSAGE_MAP()

void CDocument::SetTitle(const CString& title) {
  m_strTitle = title;
  if (m_pFrame) m_pFrame->OnUpdateFrameTitle();
}

void CDocument::SetPathName(const CString& path) {
  m_strPathName = path;
  int slash = -1;
  for (int i = 0; i < path.GetLength(); ++i)
    if (path[i] == '/') slash = i;
  SetTitle(path.Mid(slash + 1));
}

BOOL CDocument::OnNewDocument() {
  m_strPathName.Empty();
  return TRUE;
}

BOOL CDocument::OnOpenDocument(const CString& path) {
  CStdioFile file(path, CStdioFile::modeRead | CStdioFile::typeText);
  Serialize(false);
  file.Close();
  return TRUE;
}

BOOL CDocument::OnSaveDocument(const CString& path) {
  CStdioFile file(path, CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText);
  Serialize(true);
  file.Close();
  return TRUE;
}

void CDocument::OnFileSave() {
  // Always asks, and never offers the name of a file opened as the
  // document: that file is somebody's source, not a saved document.
  CFileDialog dialog(FALSE);
  if (dialog.DoModal() != IDOK) return;
  CString path = dialog.GetPathName();
  struct stat st;
  if (::stat(path.GetString(), &st) == 0) {
    if (!CanReplaceFile(path)) return;
    if (AfxMessageBox(path + " は既に存在します。\n置き換えますか？", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
      return;
  }
  OnSaveDocument(path);
  SetPathName(path);
}

// ---- CSingleDocTemplate ----

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                                       const CRuntimeClass* pFrameClass,
                                       const CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource),
      m_pDocClass(pDocClass),
      m_pFrameClass(pFrameClass),
      m_pViewClass(pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() { CloseAllDocuments(); }

void CSingleDocTemplate::CloseAllDocuments() {
  if (m_pFrame && m_pFrame->m_hWnd) m_pFrame->DestroyWindow();
  m_pFrame.reset();
  m_pDocument.reset();
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const CString* path) {
  bool created = false;
  if (!m_pDocument) {
    std::unique_ptr<CDocument> doc(dynamic_cast<CDocument*>(m_pDocClass->CreateObject()));
    std::unique_ptr<CFrameWnd> frame(dynamic_cast<CFrameWnd*>(m_pFrameClass->CreateObject()));
    if (!doc || !frame) throw std::logic_error("document template classes do not fit");
    frame->SetActiveDocument(doc.get());
    doc->SetFrame(frame.get());
    if (!frame->LoadFrame(m_nIDResource)) return nullptr;
    auto* view = dynamic_cast<CView*>(m_pViewClass->CreateObject());
    if (!view) throw std::logic_error("document template classes do not fit");
    frame->SetActiveView(nullptr);
    if (!view->Create(frame.get())) {
      delete view;
      frame->DestroyWindow();
      return nullptr;
    }
    frame->SetActiveView(view);
    m_pDocument = std::move(doc);
    m_pFrame = std::move(frame);
    created = true;
  }
  if (path) {
    if (!m_pDocument->OnOpenDocument(*path)) return nullptr;
    m_pDocument->SetPathName(*path);
  } else {
    if (!m_pDocument->OnNewDocument()) return nullptr;
    // An untitled document is named by the second field of the string.
    CString strings(AfxLoadString(m_nIDResource));
    int newline = strings.Find('\n');
    m_pDocument->SetTitle(newline < 0 ? CString("Untitled") : strings.Mid(newline + 1));
  }
  if (CView* view = m_pFrame->GetActiveView()) view->OnInitialUpdate();
  if (created) {
    m_pFrame->ShowWindow(SW_SHOW);
    m_pFrame->UpdateWindow();
  }
  return m_pDocument.get();
}
