#include "platform/RenderThread.h"

#include <windows.h>

#include <cstdio>

namespace platform {

namespace {

class Win32RenderThread final : public RenderThread
{
public:
    Win32RenderThread(Body body, void* argument, HANDLE quit) : body_(body), argument_(argument), quit_(quit) {}

    ~Win32RenderThread() override
    {
        stop(5000);
        CloseHandle(quit_);
    }

    bool launch()
    {
        thread_ = CreateThread(nullptr, 0, procedure, this, 0, nullptr);
        return thread_ != nullptr;
    }

    bool waitForQuit(int milliseconds) override
    {
        // The event is auto-reset: once seen it stays seen here.
        if (quitSeen_) return true;
        quitSeen_ = WaitForSingleObject(quit_, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
        return quitSeen_;
    }

    void stop(int graceMilliseconds) override
    {
        if (!thread_) return;
        SetEvent(quit_);
        if (WaitForSingleObject(thread_, static_cast<DWORD>(graceMilliseconds)) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "render thread still busy after %d ms; waiting for it\n", graceMilliseconds);
            std::fflush(stderr);
            WaitForSingleObject(thread_, INFINITE);
        }
        CloseHandle(thread_);
        thread_ = nullptr;
    }

private:
    static DWORD WINAPI procedure(void* parameter)
    {
        auto* self = static_cast<Win32RenderThread*>(parameter);
        self->body_(*self, self->argument_);
        return 0;
    }

    Body body_;
    void* argument_;
    HANDLE quit_;
    HANDLE thread_ = nullptr;
    bool quitSeen_ = false;  // the render thread's alone
};

}  // namespace

std::unique_ptr<RenderThread> RenderThread::start(Body body, void* argument, int& errorCode)
{
    // Auto-reset, not signalled.
    HANDLE quit = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!quit) {
        errorCode = static_cast<int>(GetLastError());
        return nullptr;
    }
    std::unique_ptr<Win32RenderThread> thread(new Win32RenderThread(body, argument, quit));
    if (!thread->launch()) {
        errorCode = static_cast<int>(GetLastError());
        return nullptr;
    }
    errorCode = 0;
    return thread;
}

double threadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
    auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 1e-7;  // 100 ns units
}

}  // namespace platform
