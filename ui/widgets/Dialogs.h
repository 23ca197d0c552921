#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// Every modal dialog of the program opens through here, so tests can answer a dialog
// before it opens and never wait on one.
namespace Dialogs
{

enum class Answer { Ok, Cancel };
enum class Kind { Question, Information, Warning, Error, Input, SaveFile, OpenFiles, Folder };

struct Shown {
    Kind kind;
    QString caption;
    QString text;
};

// Tests: the next dialog returns this answer (and, for an input dialog, this text)
// without being shown. Answers queue up in order.
void setNextAnswer(Answer answer);
void setNextInput(const QString &text, Answer answer = Answer::Ok);
// Tests: with auto-answer on, a dialog with no queued answer is answered Ok, unshown.
void setAutoAnswer(bool on);
// Every dialog asked for since the last clear, answered or shown.
const QList<Shown> &history();
void clearHistory();

// "OK" and "Cancel" with a question icon.
Answer question(QWidget *parent, const QString &caption, const QString &text);
// One "OK" button with an information, warning or error icon.
void information(QWidget *parent, const QString &caption, const QString &text);
void warning(QWidget *parent, const QString &caption, const QString &text);
void error(QWidget *parent, const QString &caption, const QString &text);
// A one-line text prompt; Cancel leaves `value` empty and returns Answer::Cancel.
Answer inputText(QWidget *parent, const QString &caption, const QString &prompt, QString &value);
// The file dialog for a file to write, with name filters such as "Текст (*.txt);;CSV (*.csv)";
// a name typed without a suffix gets the chosen filter's. Cancel leaves `path` empty. Tests
// answer it with setNextInput(path); the history records the filters as its text.
Answer saveFileName(QWidget *parent, const QString &caption, const QString &filters, QString &path);
// The file dialog for one or more existing files, starting in `folder`. Cancel leaves `paths`
// empty. Tests answer it with setNextInput(the paths, one a line).
Answer openFileNames(QWidget *parent, const QString &caption, const QString &folder,
                     QStringList &paths);
// The dialog for an existing folder, starting at `folder`; OK puts the chosen one there.
// Tests answer it with setNextInput(folder); the history records the starting folder.
Answer existingFolder(QWidget *parent, const QString &caption, QString &folder);

} // namespace Dialogs
