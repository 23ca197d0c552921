#pragma once

#include <QString>

class EMessageTooLong;
struct HistoryFailure;

// What the windows say about the chat session's failures.
QString MessageTooLongText(const EMessageTooLong &error);
QString HistoryNotSavedText(const QString &path, const HistoryFailure &failure);
