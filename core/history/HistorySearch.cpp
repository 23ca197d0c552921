#include "HistorySearch.h"

#include "Cp1251.h"
#include "HistoryDatabase.h"

#include <QStringDecoder>
#include <QVarLengthArray>

#include <string_view>

namespace
{

// Puts the controls back and the current record where it was, whatever happens.
class SearchScope
{
public:
    explicit SearchScope(HistoryTable &table) : m_table(table) { m_table.disableControls(); }
    ~SearchScope()
    {
        if (!m_found && m_mark != HistoryTable::NoBookmark && m_table.bookmarkValid(m_mark)) {
            try {
                m_table.gotoBookmark(m_mark);
            } catch (const AppError &) {
                // The position stays where the failure left it.
            }
        }
        m_table.enableControls();
    }
    SearchScope(const SearchScope &) = delete;
    SearchScope &operator=(const SearchScope &) = delete;

    void remember() { m_mark = m_table.bookmark(); }
    void found() { m_found = true; }

private:
    HistoryTable &m_table;
    HistoryTable::Bookmark m_mark = HistoryTable::NoBookmark;
    bool m_found = false;
};

// Whether a preview, given as its stored UTF-8 bytes and upper-cased by the code page's letter
// rules, contains the upper-cased search text. The same as upper-casing the decoded text and
// looking in it, without a copy per record.
class PreviewMatcher
{
public:
    explicit PreviewMatcher(const QString &wanted)
        : m_wanted(wanted), m_decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)
    {
    }

    bool operator()(QByteArrayView utf8)
    {
        // A UTF-8 text never has more UTF-16 units than bytes.
        m_units.resize(utf8.size() + 1);
        auto *begin = reinterpret_cast<QChar *>(m_units.data());
        const QChar *end = m_decoder.appendToBuffer(begin, utf8);
        const auto length = size_t(end - begin);
        for (size_t i = 0; i < length; ++i)
            m_units[qsizetype(i)] = cp1251::toUpper(m_units[qsizetype(i)]);
        const std::u16string_view text(m_units.data(), length);
        const std::u16string_view wanted(reinterpret_cast<const char16_t *>(m_wanted.utf16()),
                                         size_t(m_wanted.size()));
        return text.find(wanted) != std::u16string_view::npos;
    }

private:
    QString m_wanted;
    QStringDecoder m_decoder;
    QVarLengthArray<char16_t, 1024> m_units;
};

} // namespace

bool SearchCutText(HistoryTable &table, const QString &text, SearchDirection direction)
{
    SearchScope scope(table);
    scope.remember();
    const QString wanted = cp1251::toUpper(text);
    if (wanted.isEmpty())
        return false; // an empty text is found nowhere
    PreviewMatcher matches(wanted);
    if (!table.scanCutText(direction == SearchDirection::Down,
                           [&matches](QByteArrayView preview) { return matches(preview); }))
        return false;
    scope.found();
    return true;
}
