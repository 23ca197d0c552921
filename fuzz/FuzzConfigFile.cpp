// Chat.cfg: any bytes load into the 28 entries, and what is saved from them loads back to the
// same entries and saves to the same bytes.

#include "ConfigFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ConfigLines config;
    config.Parse(bytes);
    const QByteArray saved = config.Content();

    ConfigLines again;
    again.Parse(saved);
    if (again.Content() != saved)
        std::abort();
    for (int line = 1; line <= ConfigLines::LineCount; ++line) {
        if (again[line] != config[line] || again.Loaded(line) != config[line])
            std::abort();
        // The value is what follows the first "=", and taking it twice changes nothing more
        // than a value holding "=" would.
        const QString entry = config[line];
        const QString value = config.ValueOf(line);
        if (!entry.endsWith(value) || config[line] != value)
            std::abort();
        if (entry.contains(u'=') && entry.size() - value.size() - 1 != entry.indexOf(u'='))
            std::abort();
    }
    return 0;
}
