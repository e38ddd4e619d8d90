#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/ErrorBox.h"
#include "platform/SystemServices.h"
#include "platform/x11/LastError.h"

namespace platform {

namespace {
thread_local std::string recordedError;
}

void setLastErrorText(std::string text) { recordedError = std::move(text); }

void showErrorBox(const std::string& text, bool /*warningIcon*/)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

std::string lastErrorText()
{
    if (!recordedError.empty()) return recordedError;
    return std::strerror(errno);
}

}  // namespace platform
