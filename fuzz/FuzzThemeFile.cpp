// Theme files: any bytes either parse into a theme that has what the format requires, or
// are refused with EThemeFileError; nothing else may happen.

#include "ThemeFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const ThemeFile theme = ParseThemeFile(bytes, QStringLiteral("fuzz.sui"));
        if (theme.name.isEmpty() || !theme.frameColor.isValid() ||
            theme.styleSheet.trimmed().isEmpty())
            std::abort();
    } catch (const EThemeFileError &error) {
        if (error.message().isEmpty())
            std::abort();
    }
    return 0;
}
