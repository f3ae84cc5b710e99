// Device contexts: drawing on a window while it paints, and the bitmaps of
// the resources.
#pragma once

#include <memory>

#include "platform/text/cstring.h"
#include "platform/ui/ui_types.h"

class CWnd;
class QPainter;
class QPixmap;
class CBitmap;

/// Drawing on a window, or (a memory context) on a bitmap selected into it.
class CDC {
 public:
  CDC();
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  /// Makes this a memory context that draws like pDC.
  BOOL CreateCompatibleDC(CDC* pDC);
  BOOL DeleteDC();
  /// Selects a bitmap into a memory context; returns the one selected before.
  CBitmap* SelectObject(CBitmap* pBitmap);
  /// Copies width × height pixels from (xSrc, ySrc) of pSrcDC's bitmap to
  /// (x, y) here.
  BOOL BitBlt(int x, int y, int width, int height, CDC* pSrcDC, int xSrc, int ySrc, DWORD rop);
  /// Draws text at (x, y) in the context's font and colours.
  BOOL TextOut(int x, int y, const CString& text);

 protected:
  QPainter* m_pPainter = nullptr;
  CBitmap* m_pBitmap = nullptr;  // of a memory context
  bool m_bMemory = false;
};

constexpr DWORD SRCCOPY = 0x00CC0020;

/// Drawing on a window inside its WM_PAINT handler.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;

 private:
  std::unique_ptr<QPainter> m_painter;
};

/// A bitmap of the resources.
class CBitmap {
 public:
  CBitmap();
  ~CBitmap();
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;

  BOOL LoadBitmap(UINT nIDResource);
  BOOL DeleteObject();
  /// Width and height in pixels (0, 0 when nothing is loaded).
  CSize GetSize() const;
  const QPixmap* Pixmap() const { return m_pixmap.get(); }

 private:
  std::unique_ptr<QPixmap> m_pixmap;
};
