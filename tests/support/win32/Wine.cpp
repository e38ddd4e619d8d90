#include "support/Wine.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace support {

namespace {

// Runs command through /bin/sh with its output in the file output. Wine
// starts Unix programs through CreateProcess without a handle to wait on:
// the output is written under a temporary name, then renamed, and the file
// is waited for.
bool runUnixCommand(const std::string& command, const std::string& output, std::string& error)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t full[MAX_PATH];
    const std::wstring wide(output.begin(), output.end());
    char* unixName = toUnix && GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr) ? toUnix(full) : nullptr;
    if (!unixName) {
        error = "no Unix name for " + output;
        return false;
    }
    const std::string target = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    std::remove(output.c_str());
    std::string line = "/bin/sh -c \"" + command + " >'" + target + ".part' && mv '" + target + ".part' '" + target + "'\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        error = "cannot start " + line;
        return false;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    for (int i = 0; i < 300; ++i) {
        if (std::FILE* file = std::fopen(output.c_str(), "rb")) {
            std::fclose(file);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error = "nothing came of " + line + " (tools/install-deps.sh installs imagemagick and x11-utils)";
    return false;
}

}  // namespace

std::vector<unsigned long> wineOffscreenWindows(int width, int height, std::string& error)
{
    const std::string tree = "support-xwininfo-tree.txt";
    std::vector<unsigned long> found;
    if (!runUnixCommand("xwininfo -root -tree", tree, error)) return found;
    std::FILE* file = std::fopen(tree.c_str(), "rb");
    if (!file) return found;
    // Window lines with their indentation; a window's parent is the nearest
    // line above it that is indented less.
    std::vector<std::pair<size_t, std::string>> lines;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, file)) {
        const std::string text = buffer;
        const size_t indent = text.find_first_not_of(' ');
        if (indent != std::string::npos && text.compare(indent, 2, "0x") == 0) lines.emplace_back(indent, text);
    }
    std::fclose(file);
    std::remove(tree.c_str());
    const std::string size = " " + std::to_string(width) + "x" + std::to_string(height) + "+0+0 ";
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].second.find(size) == std::string::npos) continue;
        for (size_t j = i; j-- > 0;) {
            if (lines[j].first >= lines[i].first) continue;
            if (lines[j].second.find(" 1x1+-1+-1 ") != std::string::npos)
                found.push_back(std::stoul(lines[i].second.substr(lines[i].first), nullptr, 16));
            break;
        }
    }
    return found;
}

bool importXWindow(unsigned long id, const std::string& png, std::string& error)
{
    char command[96];
    std::snprintf(command, sizeof command, "import -window 0x%lx png:-", id);
    return runUnixCommand(command, png, error);
}

}  // namespace support
