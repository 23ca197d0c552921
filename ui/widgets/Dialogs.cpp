#include "Dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <deque>

namespace Dialogs
{
namespace
{

struct Queued {
    Answer answer;
    QString text;
};

std::deque<Queued> &queue()
{
    static std::deque<Queued> q;
    return q;
}

QList<Shown> &shownList()
{
    static QList<Shown> list;
    return list;
}

bool &autoAnswer()
{
    static bool on = false;
    return on;
}

// Records the dialog and, when tests answered it ahead, returns that answer.
bool takeQueued(Kind kind, const QString &caption, const QString &text, Queued &out)
{
    shownList().append({kind, caption, text});
    if (!queue().empty()) {
        out = queue().front();
        queue().pop_front();
        return true;
    }
    if (autoAnswer()) {
        out = {Answer::Ok, QString()};
        return true;
    }
    return false;
}

Answer runBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text,
              bool withCancel)
{
    // Carriage returns without line feeds still break the line on screen.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(icon, caption, shown, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    if (withCancel)
        box.setEscapeButton(box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole));
    else
        box.setEscapeButton(ok);
    box.exec();
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

void oneButton(QWidget *parent, Kind kind, QMessageBox::Icon icon, const QString &caption,
               const QString &text)
{
    // With auto-answer on, a box with a lone OK leaves the queued answers to the questions.
    if (autoAnswer()) {
        shownList().append({kind, caption, text});
        return;
    }
    Queued q;
    if (!takeQueued(kind, caption, text, q))
        runBox(parent, icon, caption, text, false);
}

} // namespace

void setNextAnswer(Answer answer)
{
    queue().push_back({answer, QString()});
}

void setNextInput(const QString &text, Answer answer)
{
    queue().push_back({answer, text});
}

void setAutoAnswer(bool on)
{
    autoAnswer() = on;
}

const QList<Shown> &history()
{
    return shownList();
}

void clearHistory()
{
    shownList().clear();
}

Answer question(QWidget *parent, const QString &caption, const QString &text)
{
    Queued q;
    if (takeQueued(Kind::Question, caption, text, q))
        return q.answer;
    return runBox(parent, QMessageBox::Question, caption, text, true);
}

void information(QWidget *parent, const QString &caption, const QString &text)
{
    oneButton(parent, Kind::Information, QMessageBox::Information, caption, text);
}

void warning(QWidget *parent, const QString &caption, const QString &text)
{
    oneButton(parent, Kind::Warning, QMessageBox::Warning, caption, text);
}

void error(QWidget *parent, const QString &caption, const QString &text)
{
    oneButton(parent, Kind::Error, QMessageBox::Critical, caption, text);
}

Answer inputText(QWidget *parent, const QString &caption, const QString &prompt, QString &value)
{
    Queued q;
    if (takeQueued(Kind::Input, caption, prompt, q)) {
        value = q.answer == Answer::Ok ? q.text : QString();
        return q.answer;
    }
    QDialog dialog(parent);
    dialog.setWindowTitle(caption);
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(prompt, &dialog);
    label->setTextFormat(Qt::PlainText);
    auto *edit = new QLineEdit(value, &dialog);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.setMinimumWidth(300);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    value = accepted ? edit->text() : QString();
    return accepted ? Answer::Ok : Answer::Cancel;
}

Answer saveFileName(QWidget *parent, const QString &caption, const QString &filters, QString &path)
{
    Queued q;
    if (takeQueued(Kind::SaveFile, caption, filters, q)) {
        path = q.answer == Answer::Ok ? q.text : QString();
        return q.answer;
    }
    QFileDialog dialog(parent, caption, path, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    path = accepted ? dialog.selectedFiles().constFirst() : QString();
    if (accepted && QFileInfo(path).suffix().isEmpty()) {
        static const QRegularExpression suffix(QStringLiteral("\\*\\.(\\w+)"));
        const QRegularExpressionMatch match = suffix.match(dialog.selectedNameFilter());
        if (match.hasMatch())
            path += u'.' + match.captured(1);
    }
    return accepted ? Answer::Ok : Answer::Cancel;
}

Answer openFileNames(QWidget *parent, const QString &caption, const QString &folder,
                     QStringList &paths)
{
    Queued q;
    if (takeQueued(Kind::OpenFiles, caption, folder, q)) {
        paths = q.answer == Answer::Ok ? q.text.split(u'\n', Qt::SkipEmptyParts) : QStringList();
        return paths.isEmpty() ? Answer::Cancel : Answer::Ok;
    }
    QFileDialog dialog(parent, caption, folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    paths = dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    return paths.isEmpty() ? Answer::Cancel : Answer::Ok;
}

Answer existingFolder(QWidget *parent, const QString &caption, QString &folder)
{
    Queued q;
    if (takeQueued(Kind::Folder, caption, folder, q)) {
        if (q.answer == Answer::Ok && !q.text.isEmpty())
            folder = q.text;
        return q.answer;
    }
    QFileDialog dialog(parent, caption, folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return Answer::Cancel;
    folder = dialog.selectedFiles().constFirst();
    return Answer::Ok;
}

} // namespace Dialogs
