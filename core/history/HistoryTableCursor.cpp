#include "HistoryDatabase.h"
#include "HistorySql.h"

#include <algorithm>
#include <cstdlib>

// The history table's current record: moves, fields, bookmarks and the preview scan.

using namespace historysql;

void HistoryTable::checkActive() const
{
    if (!m_active)
        throw EDatabaseError(ClosedDataset);
}

int HistoryTable::recordCount() const
{
    checkActive();
    return int(m_keys.size());
}

int HistoryTable::recNo() const
{
    return m_position;
}

bool HistoryTable::eof() const
{
    checkActive();
    return m_eof;
}

bool HistoryTable::bof() const
{
    checkActive();
    return m_bof;
}

void HistoryTable::first()
{
    checkActive();
    m_position = m_keys.empty() ? -1 : 0;
    m_eof = m_bof = m_keys.empty();
    announceCurrent();
}

void HistoryTable::last()
{
    checkActive();
    m_position = int(m_keys.size()) - 1;
    m_eof = m_bof = m_keys.empty();
    announceCurrent();
}

void HistoryTable::next()
{
    checkActive();
    if (m_position + 1 < int(m_keys.size())) {
        ++m_position;
        m_eof = m_bof = false;
        announceCurrent();
    } else {
        m_eof = true;
    }
}

void HistoryTable::prior()
{
    checkActive();
    if (m_position > 0) {
        --m_position;
        m_eof = m_bof = false;
        announceCurrent();
    } else {
        m_bof = true;
    }
}

void HistoryTable::moveTo(int position)
{
    checkActive();
    if (position < 0 || position >= int(m_keys.size()))
        throw EDatabaseError(RecordNotFound);
    const bool moved = position != m_position;
    m_position = position;
    m_eof = m_bof = false;
    if (moved)
        announceCurrent();
}

QString HistoryTable::fieldText(HistoryField field) const
{
    checkActive();
    if (m_position < 0)
        return QString();
    if (!heldInRows(field))
        return textOutsideRows(m_position, field);
    const Row *row = rowAt(m_position, field != HistoryField::mCutText, true);
    return row ? row->texts[int(field)] : QString();
}

qint32 HistoryTable::fieldInt(HistoryField field) const
{
    if (field == HistoryField::mIncoming) {
        checkActive();
        return m_position < 0 ? 0 : m_keys[size_t(m_position)].incoming;
    }
    return fieldText(field).toInt();
}

bool HistoryTable::scanCutText(bool down, const std::function<bool(QByteArrayView)> &accept)
{
    checkActive();
    const int count = int(m_keys.size());
    const int step = down ? 1 : -1;
    int position = m_position + step;
    while (position >= 0 && position < count) {
        // The next run of positions, read with one statement: a range of neighbouring keys
        // walked in the scan's direction, or record by record when the keys lie far apart.
        const int last = down ? std::min(count - 1, position + ScanRows - 1)
                              : std::max(0, position - ScanRows + 1);
        const qint64 low = m_keys[size_t(std::min(position, last))].key;
        const qint64 high = m_keys[size_t(std::max(position, last))].key;
        const int runLength = std::abs(last - position) + 1;
        const int runStart = position;
        bool byRange = high - low < DenseSpread * runLength;
        if (byRange) {
            Statement &range = down ? m_statements->rangeCut : m_statements->rangeCutDown;
            Resetting done(range);
            range.bind(1, low);
            range.bind(2, high);
            try {
                while (range.step()) {
                    const qint64 key = range.int64(0);
                    // Records deleted since the snapshot was taken are passed over.
                    while (position != last + step && (down ? m_keys[size_t(position)].key < key
                                                            : m_keys[size_t(position)].key > key))
                        position += step;
                    if (position == last + step)
                        break;
                    if (m_keys[size_t(position)].key == key && accept(range.bytes(1))) {
                        moveTo(position);
                        return true;
                    }
                }
            } catch (const EDatabaseError &error) {
                if (!error.damaged())
                    throw;
                byRange = false; // this run again, record by record, past the damaged pages
                position = runStart;
            }
        }
        if (!byRange) {
            Statement &point = m_statements->pointCut;
            for (; position != last + step; position += step) {
                Resetting done(point);
                point.bind(1, m_keys[size_t(position)].key);
                try {
                    if (point.step() && accept(point.bytes(1))) {
                        moveTo(position);
                        return true;
                    }
                } catch (const EDatabaseError &error) {
                    if (!error.damaged())
                        throw;
                    noteDamage(); // an unreadable record holds nothing to find
                }
            }
        }
        position = last + step;
    }
    if (count == 0)
        m_eof = m_bof = true;
    else if (down)
        m_eof = true;
    else
        m_bof = true;
    return false;
}

HistoryTable::Bookmark HistoryTable::bookmark() const
{
    checkActive();
    return m_position < 0 ? NoBookmark : m_keys[size_t(m_position)].key;
}

bool HistoryTable::bookmarkValid(Bookmark bookmark) const
{
    return m_active && positionOf(bookmark) >= 0;
}

void HistoryTable::gotoBookmark(Bookmark bookmark)
{
    checkActive();
    const int position = positionOf(bookmark);
    if (position < 0)
        throw EDatabaseError(RecordNotFound);
    moveTo(position);
}

void HistoryTable::disableControls()
{
    ++m_disabled;
}

void HistoryTable::enableControls()
{
    if (m_disabled > 0 && --m_disabled == 0)
        announceCurrent();
}

void HistoryTable::announceCurrent()
{
    if (m_disabled == 0)
        Q_EMIT currentChanged();
}
