// The host's window on Windows: an overlapped window of a class of the
// host's own, pumped with PeekMessage so the host's loop never blocks.
#include "platform/HostWindow.h"

#include <windows.h>

#include <cstdint>

namespace platform {

namespace {

const char kClassName[] = "parfelle-host-window";

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        // Only noted here: the host closes the editor first, then destroys
        // this window, so the editor never outlives its parent unasked.
        SetPropA(hwnd, "parfelle-closed", reinterpret_cast<HANDLE>(1));
        return 0;
    case WM_ERASEBKGND: {
        RECT inside;
        GetClientRect(hwnd, &inside);
        FillRect(reinterpret_cast<HDC>(wParam), &inside, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool registerClass()
{
    WNDCLASSA windowClass{};
    if (GetClassInfoA(GetModuleHandleA(nullptr), kClassName, &windowClass)) return true;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = nullptr;  // WM_ERASEBKGND paints it
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

std::string systemMessage(DWORD code)
{
    char text[300] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message;
}

class Win32HostWindow final : public HostWindow
{
public:
    Win32HostWindow(HWND hwnd, int width, int height) : hwnd_(hwnd), width_(width), height_(height) {}

    ~Win32HostWindow() override
    {
        if (IsWindow(hwnd_)) {
            RemovePropA(hwnd_, "parfelle-closed");
            DestroyWindow(hwnd_);
        }
        // Let the destruction's messages go by before the class could go.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }

    void* handle() const override { return hwnd_; }

    bool processEvents() override
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit_ = true;
                break;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        return !quit_ && IsWindow(hwnd_) && GetPropA(hwnd_, "parfelle-closed") == nullptr;
    }

    void raise() override
    {
        if (IsWindow(hwnd_)) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    bool capture(Screenshot& picture, std::string& error) override
    {
        if (!IsWindow(hwnd_)) {
            error = "the window is gone";
            return false;
        }
        // What the screen shows where the window's inside is: children
        // included, OpenGL ones too once the system has composed them (a copy
        // from the window's own device context may lack those).
        POINT origin{0, 0};
        ClientToScreen(hwnd_, &origin);
        HDC screenDC = GetDC(nullptr);
        if (!screenDC) {
            error = "no device context for the screen: " + systemMessage(GetLastError());
            return false;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // rows from the top
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;  // 24-bit sections are not to be trusted under Wine
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC memoryDC = CreateCompatibleDC(screenDC);
        HBITMAP bitmap = CreateDIBSection(screenDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bool copied = false;
        if (memoryDC && bitmap && bits) {
            HGDIOBJ previous = SelectObject(memoryDC, bitmap);
            GdiFlush();
            copied = BitBlt(memoryDC, 0, 0, width_, height_, screenDC, origin.x, origin.y, SRCCOPY | CAPTUREBLT) != 0;
            if (!copied) error = "cannot copy the window's pixels: " + systemMessage(GetLastError());
            GdiFlush();
            SelectObject(memoryDC, previous);
        } else {
            error = "cannot make a bitmap for the window's pixels: " + systemMessage(GetLastError());
        }
        if (copied) {
            picture.width = width_;
            picture.height = height_;
            picture.rgb.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
            const auto* in = static_cast<const uint8_t*>(bits);
            uint8_t* out = picture.rgb.data();
            for (size_t i = 0; i < static_cast<size_t>(width_) * static_cast<size_t>(height_); ++i, in += 4) {
                *out++ = in[2];
                *out++ = in[1];
                *out++ = in[0];
            }
        }
        if (bitmap) DeleteObject(bitmap);
        if (memoryDC) DeleteDC(memoryDC);
        ReleaseDC(nullptr, screenDC);
        return copied;
    }

private:
    HWND hwnd_;
    int width_;
    int height_;
    bool quit_ = false;
};

}  // namespace

std::unique_ptr<HostWindow> HostWindow::create(const std::string& title, int width, int height, std::string& error)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        error = "the window size " + std::to_string(width) + " x " + std::to_string(height) + " is not usable";
        return nullptr;
    }
    if (!registerClass()) {
        error = "cannot register the host's window class: " + systemMessage(GetLastError());
        return nullptr;
    }
    // A fixed-size frame around an inside of exactly width x height.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND hwnd = CreateWindowExA(0, kClassName, title.c_str(), style, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) {
        error = "cannot create the host's window: " + systemMessage(GetLastError());
        return nullptr;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return std::unique_ptr<HostWindow>(new Win32HostWindow(hwnd, width, height));
}

}  // namespace platform
