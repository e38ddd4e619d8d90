// A window without a system window, over a real effect, for the editor's
// elements: the toolkit's tests build theirs the same way.
#pragma once

#include <memory>

#include "editor/HaldParfelleView.h"
#include "effect/HaldParfelle.h"
#include "gui/UIWindow.h"
#include "ToolkitRig.h"
#include "tests/effect/RecordingHost.h"

class TestOwner : public HD::WindowOwner
{
public:
    void* parentWindow() override { return nullptr; }
    HaldAuBase* effectObject() override { return &effect; }

    HaldParfelle effect{nullptr, HaldParfelleView::create};
};

// The same over a host's window (a support::HostWindow's handle, or null).
class HostOwner : public HD::WindowOwner
{
public:
    explicit HostOwner(void* parent) : parent_(parent) {}
    void* parentWindow() override { return parent_; }
    HaldAuBase* effectObject() override { return &effect; }

    HaldParfelle effect{nullptr, HaldParfelleView::create};

private:
    void* parent_;
};

// The effect and its own editor under a recording host.
struct RecordedEffect
{
    RecordingHost host;
    HaldParfelle effect{RecordingHost::callback, HaldParfelleView::create};
};

using rig::editorRect;

struct EditorFixture
{
    TestOwner owner;
    std::unique_ptr<HD::UIWindow> window{new HD::UIWindow(&owner, editorRect(), nullptr, nullptr)};

    HaldParfelle& effect() { return owner.effect; }
};
