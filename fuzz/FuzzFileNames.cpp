// The names received files are saved under: whatever a sender calls a file, the safe name
// and its numbered copies stay inside the folder and within the file system's limits,
// suffixes included, carry no character that hides or reorders text, and are hidden only
// when the offered name was. The first byte chooses how the rest is read (UTF-8 or raw
// UTF-16, which reaches unpaired surrogates) and how many numbered copies are taken.

#include "FuzzRequire.h"
#include "SafeFileName.h"

#include <QSet>

#include <cstdint>

using namespace transfer;

namespace
{

bool Disguising(char32_t u)
{
    const auto category = QChar::category(u);
    return category == QChar::Other_Control || category == QChar::Other_Format ||
           category == QChar::Other_Surrogate;
}

void CheckName(const QString &name, bool mayBeHidden)
{
    Require(!name.isEmpty() && name != u"." && name != u"..", "never empty, \".\" or \"..\"");
    Require(!name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0)),
            "no separator and no NUL");
    Require(NameBytes(name) + NameBytes(PartSuffix) <= NameMaxBytes,
            "within the byte limit with the partial's suffix");
    Require(mayBeHidden || !name.startsWith(u'.'), "hidden only if offered hidden");
    Require(!name.startsWith(u".."), "never starts with two dots");
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            Require(!Disguising(QChar::surrogateToUcs4(c, name[i + 1])), "no format character");
            ++i;
            continue;
        }
        Require(!Disguising(c.unicode()), "no control, format or unpaired surrogate");
    }
}

QString Offered(const uint8_t *data, size_t size, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | data[i + 1] << 8));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool utf16 = data[0] & 0x80;
    const int copies = data[0] & 0x7F;
    const QString offered = Offered(data + 1, size - 1, utf16);

    QString last = offered;
    last.replace(u'\\', u'/');
    last = last.section(u'/', -1);
    const bool offeredHidden = last.size() >= 2 && last[0] == u'.' && last[1] != u'.';

    const QString name = SafeFileName(offered);
    CheckName(name, offeredHidden);
    Require(NameBytes(name) <= SafeNameMaxBytes, "room for a copy number");
    Require(SafeFileName(name) == name, "a safe name stays as it is");

    // The first `copies` candidates are taken.
    QSet<QString> refused;
    const QString unique = UniqueFileName(name, [&refused, copies](const QString &candidate) {
        if (refused.size() == copies)
            return false;
        Require(!refused.contains(candidate), "every candidate is a new name");
        refused.insert(candidate);
        return true;
    });
    Require(!refused.contains(unique), "a numbered copy is free");
    CheckName(unique, offeredHidden);
    return 0;
}
