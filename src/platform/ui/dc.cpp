#include "platform/ui/dc.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "platform/ui/qt_string.h"
#include "platform/ui/resource_types.h"
#include "platform/ui/wnd.h"

CDC::CDC() = default;
CDC::~CDC() = default;

BOOL CDC::CreateCompatibleDC(CDC*) {
  m_bMemory = true;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  m_bMemory = false;
  m_pBitmap = nullptr;
  return TRUE;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
  CBitmap* old = m_pBitmap;
  m_pBitmap = pBitmap;
  return old;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* pSrcDC, int xSrc, int ySrc, DWORD) {
  if (!m_pPainter || !pSrcDC || !pSrcDC->m_pBitmap || !pSrcDC->m_pBitmap->Pixmap()) return FALSE;
  m_pPainter->drawPixmap(x, y, *pSrcDC->m_pBitmap->Pixmap(), xSrc, ySrc, width, height);
  return TRUE;
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
  if (!m_pPainter) return FALSE;
  QFontMetrics fm(m_pPainter->font());
  QString q = ToQString(text);
  m_pPainter->drawText(x, y + fm.ascent(), q);
  // A text drawn on a window is its description to a screen reader, which
  // cannot read pixels.
  if (auto* w = dynamic_cast<QWidget*>(m_pPainter->device()))
    if (w->accessibleDescription() != q) w->setAccessibleDescription(q);
  return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) {
  if (pWnd && pWnd->m_hWnd) {
    m_painter.reset(new QPainter(pWnd->m_hWnd));
    m_pPainter = m_painter.get();
  }
}

CPaintDC::~CPaintDC() = default;

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
  const ResourceTable* res = AfxGetResources();
  if (!res) return FALSE;
  for (const ImageResource& r : res->bitmaps) {
    if (r.id != static_cast<int>(nIDResource)) continue;
    auto pixmap = std::make_unique<QPixmap>();
    if (!pixmap->loadFromData(r.data, static_cast<uint>(r.size))) return FALSE;
    m_pixmap = std::move(pixmap);
    return TRUE;
  }
  return FALSE;
}

BOOL CBitmap::DeleteObject() {
  BOOL had = m_pixmap != nullptr;
  m_pixmap.reset();
  return had;
}

CSize CBitmap::GetSize() const {
  return m_pixmap ? CSize(m_pixmap->width(), m_pixmap->height()) : CSize();
}
