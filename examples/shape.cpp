// shape.cpp -- }Œ`ƒrƒ…[‚Æ‚»‚Ì}Œ`ƒNƒ‰ƒX
#include "stdafx.h"
#include "shape.h"

/////////////////////////////////////////////////////////////////////////////
// CShape: }Œ`‚ÌŠî’êƒNƒ‰ƒX

CShape::CShape()
{
    m_nX = 0;
    m_nY = 0;
}

CShape::~CShape()
{
    Release();
}

void CShape::Move(int dx, int dy)
{
    m_nX += dx;
    m_nY += dy;
    Invalidate();   // Ä•`‰æ‚ðˆË—Š
}

BOOL CShape::HitTest(CPoint pt)
{
    return GetBounds().PtInRect(pt);
}

/////////////////////////////////////////////////////////////////////////////
// CShapeView: }Œ`‚ð•À‚×‚Ä•\Ž¦‚·‚éƒrƒ…[

IMPLEMENT_DYNCREATE(CShapeView, CView)

BEGIN_MESSAGE_MAP(CShapeView, CView)
    ON_WM_LBUTTONDOWN()
    ON_COMMAND(ID_EDIT_CLEAR, OnEditClear)
END_MESSAGE_MAP()

void CShapeView::OnDraw(CDC *pDC)
{
    POSITION pos = m_list.GetHeadPosition();
    while (pos != NULL) {
        CShape *p = (CShape *)m_list.GetNext(pos);
        p->Draw(pDC);       /* Še}Œ`‚ð•`‚­ */
    }
}

void CShapeView::OnLButtonDown(UINT nFlags, CPoint point)
{
    CShape *p = FindShape(point);
    if (p != NULL)
        p->Move(1, 1);
    CView::OnLButtonDown(nFlags, point);
}

void CShapeView::OnEditClear()
{
    m_list.RemoveAll();
    Invalidate();
}
