#include "editor/HaldParfelleView.h"

#include "effect/HaldParfelle.h"

HaldParfelleView::HaldParfelleView(HaldParfelle* effect) : HaldEditor(effect)
{
    rect_.top = 0;
    rect_.left = 0;
    rect_.bottom = kDefaultHeight;
    rect_.right = kDefaultWidth;
}

bool HaldParfelleView::getRect(ERect** rect)
{
    if (!rect) return false;
    *rect = &rect_;
    return true;
}

bool HaldParfelleView::open(void* parentWindow)
{
    // The window itself comes with the editor's toolkit; for now the parent
    // is only recorded.
    return HaldEditor::open(parentWindow);
}

void HaldParfelleView::close() { HaldEditor::close(); }

void HaldParfelleView::parameterChanged(int /*index*/, float /*value*/) {}
