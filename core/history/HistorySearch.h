#pragma once

#include <QString>

class HistoryTable;

enum class SearchDirection { Down, Up };

// The text search of the history: from the record after (Down) or before (Up) the current one,
// to the end of the view without wrapping, finds the first record whose mCutText contains
// `text`, both upper-cased by the code page 1251 letter rules, and makes it current. With
// nothing found (an empty text never is) the current record stays. The bound views are not
// updated record by record; they learn the outcome once. Returns whether a record was found.
bool SearchCutText(HistoryTable &table, const QString &text, SearchDirection direction);
