#include "support/CapturedErrors.h"

namespace support {

namespace {
std::vector<std::string> capturedTexts;
std::vector<bool> capturedIcons;

void capture(const std::string& text, bool warningIcon)
{
    capturedTexts.push_back(text);
    capturedIcons.push_back(warningIcon);
}
}  // namespace

CapturedErrors::CapturedErrors()
{
    clear();
    previous_ = platform::setErrorReporter(capture);
}

CapturedErrors::~CapturedErrors() { platform::setErrorReporter(previous_); }

const std::vector<std::string>& CapturedErrors::texts() { return capturedTexts; }
const std::vector<bool>& CapturedErrors::icons() { return capturedIcons; }

void CapturedErrors::clear()
{
    capturedTexts.clear();
    capturedIcons.clear();
}

}  // namespace support
