// Documents and the single-document template.
//
// The template ties a document class, a frame class and a view class to
// one resource ID (menu, accelerators, icon and the document string
// "window title\ndocument name"). Opening a document the first time creates
// the document, the frame with its view, and shows them; every later New or
// Open reuses them: the document is reinitialised and the view runs its
// initial update again.
#pragma once

#include <memory>

#include "platform/text/cstring.h"
#include "platform/ui/message_map.h"
#include "platform/ui/runtime_class.h"

class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
 public:
  const CString& GetTitle() const { return m_strTitle; }
  /// Sets the title and the captions of the frames that show it.
  virtual void SetTitle(const CString& title);
  const CString& GetPathName() const { return m_strPathName; }
  /// Makes path the document's file; the title becomes its file name.
  virtual void SetPathName(const CString& path);

  /// Reinitialises the document as new. FALSE ends the New command.
  virtual BOOL OnNewDocument();
  /// Opens path as the document (its content goes through Serialize).
  /// Throws CFileException when it cannot be read.
  virtual BOOL OnOpenDocument(const CString& path);
  /// Writes the document to path (through Serialize). Throws CFileException.
  virtual BOOL OnSaveDocument(const CString& path);
  /// Reads (bStoring FALSE) or writes the document's data.
  virtual void Serialize(bool /*bStoring*/) {}

  /// Save: asks for a file name every time, and writes the document there;
  /// a file that exists is replaced only if CanReplaceFile allows it and
  /// the user agrees.
  void OnFileSave();
  /// Whether the existing file at path may be replaced by the document; a
  /// document that refuses tells the user why. Any file may, by default.
  virtual BOOL CanReplaceFile(const CString& /*path*/) { return TRUE; }

  void SetFrame(CFrameWnd* frame) { m_pFrame = frame; }

 protected:
  CString m_strTitle;
  CString m_strPathName;
  CFrameWnd* m_pFrame = nullptr;

  DECLARE_MESSAGE_MAP()
};

class CSingleDocTemplate {
 public:
  CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                     const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass);
  ~CSingleDocTemplate();
  CSingleDocTemplate(const CSingleDocTemplate&) = delete;
  CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

  /// New (path null) or Open: see the header. Returns the document, or null
  /// when it could not be created or opened.
  CDocument* OpenDocumentFile(const CString* path);
  /// Destroys the frame, its view and the document.
  void CloseAllDocuments();

 private:
  UINT m_nIDResource;
  const CRuntimeClass* m_pDocClass;
  const CRuntimeClass* m_pFrameClass;
  const CRuntimeClass* m_pViewClass;
  std::unique_ptr<CDocument> m_pDocument;
  std::unique_ptr<CFrameWnd> m_pFrame;
};
