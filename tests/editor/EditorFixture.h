// A window without a system window, over a real effect, for the editor's
// elements: the toolkit's tests build theirs the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "editor/HaldParfelleView.h"
#include "effect/HaldParfelle.h"
#include "gui/UIWindow.h"
#include "ToolkitRig.h"

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

// A host that records the requests a user's edits make (begin, automate,
// end, refresh), with the thread each came from, and may answer one as a
// host would (calling the plug-in back). One at a time per process: the
// callback finds it through a process-wide pointer.
class RecordingHost
{
public:
    struct Request
    {
        int32_t opcode;
        int32_t index;
        float value;  // audioMasterAutomate's normalised value, else 0
        std::thread::id thread;
    };

    RecordingHost() { current() = this; }
    ~RecordingHost() { current() = nullptr; }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    std::vector<Request> requests() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    void forget()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.clear();
    }
    bool heard(int32_t opcode) const
    {
        for (const Request& r : requests())
            if (r.opcode == opcode) return true;
        return false;
    }

    // Called with each recorded request, outside the lock.
    std::function<void(AEffect*, const Request&)> answer;

    static intptr_t VST_CALLBACK callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float opt)
    {
        RecordingHost* host = current();
        const bool edit = opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
                          opcode == audioMasterEndEdit || opcode == audioMasterUpdateDisplay;
        if (!host || !edit) return 0;
        const Request request{opcode, index, opcode == audioMasterAutomate ? opt : 0.0f, std::this_thread::get_id()};
        {
            std::lock_guard<std::mutex> lock(host->mutex_);
            host->requests_.push_back(request);
        }
        if (host->answer) host->answer(effect, request);
        return 1;
    }

private:
    static RecordingHost*& current()
    {
        static RecordingHost* host = nullptr;
        return host;
    }
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
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
