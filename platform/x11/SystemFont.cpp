#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <strings.h>

#include "platform/SystemServices.h"

namespace platform {

namespace {

// Wine's fonts (package fonts-wine) include a Tahoma with the metrics the
// panel was laid out for.
const char* const kWineFontFolder = "/usr/share/wine/fonts";

// The file of the best scalable match for a family name; with requireFamily,
// only a face of that very family counts (fontconfig always offers something).
std::string matchFile(FcConfig* config, const char* family, bool requireFamily)
{
    std::string path;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return path;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* matchedFamily = nullptr;
        FcChar8* file = nullptr;
        const bool familyOk = !requireFamily || (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) ==
                                                     FcResultMatch &&
                                                 strcasecmp(reinterpret_cast<const char*>(matchedFamily), family) == 0);
        if (familyOk && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
            path = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return path;
}

}  // namespace

std::string systemFontPath()
{
    // A Windows directory in the environment means the Windows rule, as the
    // product has always followed it.
    if (const char* windir = std::getenv("WINDIR")) return std::string(windir) + "\\fonts\\" + "tahoma.ttf";

    // A configuration of our own: the host's fontconfig state stays untouched.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return std::string();
    FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(kWineFontFolder));
    std::string path = matchFile(config, "Tahoma", true);
    if (path.empty()) path = matchFile(config, "sans-serif", false);
    FcConfigDestroy(config);
    return path;
}

}  // namespace platform
