// A web page opened on Linux: through xdg-open, found on the PATH.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/SystemServices.h"
#include "support/WaitUntil.h"

namespace {

TEST(SystemServices, AWebPageOpensThroughXdgOpenWithoutWaitingForIt)
{
    // A stand-in xdg-open that only finishes once this process has gone on
    // past the call (the file "go" appears), then records its argument.
    char folder[] = "/tmp/parfelle-web-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    const std::string script = dir + "/xdg-open";
    std::FILE* f = std::fopen(script.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f,
                 "#!/bin/sh\n"
                 "for i in $(seq 400); do [ -e '%s/go' ] && break; sleep 0.05; done\n"
                 "if [ -e '%s/go' ]; then echo \"$1\" > '%s/opened.tmp'; else echo waited > '%s/opened.tmp'; fi\n"
                 "mv '%s/opened.tmp' '%s/opened'\n",
                 folder, folder, folder, folder, folder, folder);
    std::fclose(f);
    chmod(script.c_str(), 0755);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir + ":" + savedPath).c_str(), 1);

    platform::openWebPage("https://example.org/parfelle?a=1&b=2");
    setenv("PATH", savedPath.c_str(), 1);
    // Back here while the launcher still waits: tell it to go on.
    std::fclose(std::fopen((dir + "/go").c_str(), "w"));

    std::string opened;
    support::waitUntil([&] {
        if (std::FILE* in = std::fopen((dir + "/opened").c_str(), "r")) {
            char line[256] = {};
            if (std::fgets(line, sizeof line, in)) opened = line;
            std::fclose(in);
        }
        return !opened.empty();
    });
    EXPECT_EQ(opened, "https://example.org/parfelle?a=1&b=2\n");
    for (const char* name : {"/xdg-open", "/go", "/opened"}) std::remove((dir + name).c_str());
    rmdir(folder);
}

}  // namespace
