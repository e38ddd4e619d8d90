// A window without a system window, over a real effect, for the editor's
// elements: the toolkit's tests build theirs the same way.
#pragma once

#include <memory>

#include "effect/HaldParfelle.h"
#include "gui/UIWindow.h"

class TestOwner : public HD::WindowOwner
{
public:
    void* parentWindow() override { return nullptr; }
    HaldAuBase* effectObject() override { return &effect; }

    HaldParfelle effect{nullptr};
};

// The same over a host's window (a test_host::HostWindow's handle, or null).
class HostOwner : public HD::WindowOwner
{
public:
    explicit HostOwner(void* parent) : parent_(parent) {}
    void* parentWindow() override { return parent_; }
    HaldAuBase* effectObject() override { return &effect; }

    HaldParfelle effect{nullptr};

private:
    void* parent_;
};

// The editor's size.
inline ERect editorRect()
{
    ERect rect;
    rect.top = 0;
    rect.left = 0;
    rect.bottom = 315;
    rect.right = 770;
    return rect;
}

struct EditorFixture
{
    TestOwner owner;
    std::unique_ptr<HD::UIWindow> window{new HD::UIWindow(&owner, editorRect(), nullptr, nullptr)};

    HaldParfelle& effect() { return owner.effect; }
};
