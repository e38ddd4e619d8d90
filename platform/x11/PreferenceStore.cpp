// One file per key, "<config>/<key>.conf", one "name=value" line per entry.
// Lines that do not parse are ignored; a value that is not a whole number in
// the 32-bit range reads as absent, like a registry value of the wrong size.
#include "platform/PreferenceStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr size_t maxFileBytes = 64 * 1024;

std::string configFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0]) return std::string(home) + "/.config";
    return {};
}

std::string fileFor(const char* key)
{
    const std::string folder = configFolder();
    if (folder.empty() || !key || !key[0] || std::strchr(key, '/')) return {};
    return folder + "/" + key + ".conf";
}

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries readEntries(const std::string& path)
{
    Entries entries;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return entries;
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() < maxFileBytes) text.append(chunk, got);
    std::fclose(file);
    if (text.size() > maxFileBytes) return entries;  // not ours, or damaged: read as defaults

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return entries;
}

bool parseInteger(const std::string& text, int32_t& value)
{
    if (text.empty() || text.size() > 16) return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0') return false;
    if (parsed < INT32_MIN || parsed > INT32_MAX) return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

bool validName(const char* name)
{
    return name && name[0] && !std::strpbrk(name, "=\n\r");
}

void makeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0700);
}

}  // namespace

bool readStoredInteger(const char* key, const char* name, int32_t& value)
{
    const std::string path = fileFor(key);
    if (path.empty() || !validName(name)) return false;
    const Entries entries = readEntries(path);
    // The last line for a name wins, as a later write would have replaced it.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->first == name) return parseInteger(it->second, value);
    return false;
}

void writeStoredInteger(const char* key, const char* name, int32_t value)
{
    const std::string path = fileFor(key);
    if (path.empty() || !validName(name)) return;
    makeFolders(path);

    Entries entries = readEntries(path);
    bool replaced = false;
    for (auto& entry : entries) {
        if (entry.first == name) {
            entry.second = std::to_string(value);
            replaced = true;
        }
    }
    if (!replaced) entries.emplace_back(name, std::to_string(value));

    // Write beside the file and rename over it, so a reader never sees half a file.
    const std::string temporary = path + ".tmp." + std::to_string(static_cast<long>(getpid()));
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return;
    bool ok = true;
    for (const auto& entry : entries)
        ok = ok && std::fprintf(file, "%s=%s\n", entry.first.c_str(), entry.second.c_str()) > 0;
    ok = (std::fflush(file) == 0) && ok;
    ok = (fsync(fileno(file)) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) std::remove(temporary.c_str());
}

}  // namespace platform
