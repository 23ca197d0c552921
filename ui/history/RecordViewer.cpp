#include "RecordViewer.h"

#include "Guard.h"
#include "HistoryDatabase.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "MainWindow.h"
#include "PlainLabel.h"
#include "WindowPlacement.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

TForm6 *Form6 = nullptr;

namespace
{

constexpr QSize ClientSize{449, 274};

QLineEdit *fieldEdit(const QString &name, bool bold, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    if (bold) {
        QFont font = edit->font();
        font.setBold(true);
        edit->setFont(font);
    }
    return edit;
}

// The memo shows CR LF and lone CR line breaks as the line breaks they are.
QString memoText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

TForm6::TForm6(HistoryStore &store, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(tr("Просмотр записи"));
    setFixedSize(ClientSize);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = PlainLabel(QStringLiteral("Label1"), tr("Дата"), GroupBox1);
    Label2 = PlainLabel(QStringLiteral("Label2"), tr("Время"), GroupBox1);
    Label3 = PlainLabel(QStringLiteral("Label3"), tr("Отправитель"), GroupBox1);
    Label4 = PlainLabel(QStringLiteral("Label4"), tr("Получатель"), GroupBox1);
    Label5 = PlainLabel(QStringLiteral("Label5"), tr("Текст сообщения"), GroupBox1);
    DBEdit1 = fieldEdit(QStringLiteral("DBEdit1"), false, GroupBox1);
    DBEdit2 = fieldEdit(QStringLiteral("DBEdit2"), false, GroupBox1);
    DBEdit3 = fieldEdit(QStringLiteral("DBEdit3"), true, GroupBox1);
    DBEdit4 = fieldEdit(QStringLiteral("DBEdit4"), true, GroupBox1);
    DBMemo1 = new QPlainTextEdit(GroupBox1);
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->setReadOnly(true);
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBMemo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto *fields = new QGridLayout(GroupBox1);
    fields->setContentsMargins(8, 6, 8, 8);
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(2);
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Label2, 0, 1);
    fields->addWidget(DBEdit1, 1, 0);
    fields->addWidget(DBEdit2, 1, 1);
    fields->addWidget(Label3, 2, 0);
    fields->addWidget(Label4, 2, 1);
    fields->addWidget(DBEdit3, 3, 0);
    fields->addWidget(DBEdit4, 3, 1);
    fields->addWidget(Label5, 4, 0, 1, 2);
    fields->addWidget(DBMemo1, 5, 0, 1, 2);
    fields->setRowStretch(5, 1);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedSize(75, 25);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));

    SetDataSource(&store.tableForBinding());
}

void TForm6::SetDataSource(HistoryTable *table)
{
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    if (table) {
        // A reset, insertion or removal is announced as a move of the current record too.
        connect(table, &HistoryTable::currentChanged, this, Guarded([this] {
                    if (isVisible())
                        ShowCurrentRecord();
                }));
    }
    ShowCurrentRecord();
}

void TForm6::ShowCurrentRecord()
{
    if (m_table && m_table->controlsDisabled())
        return; // the table is being scanned: the fields wait for its outcome
    QString date, time, sender, receiver, text;
    if (m_table && m_table->isActive() && m_table->recNo() >= 0) {
        try {
            date = m_table->fieldText(HistoryField::mDate);
            time = m_table->fieldText(HistoryField::mTime);
            sender = m_table->fieldText(HistoryField::mSender);
            receiver = m_table->fieldText(HistoryField::mReceiver);
            text = m_table->fieldText(HistoryField::mFullText);
        } catch (const AppError &) {
            // A record that cannot be read shows empty, like no record at all.
            date = time = sender = receiver = text = QString();
        }
    }
    DBEdit1->setText(date);
    DBEdit2->setText(time);
    DBEdit3->setText(sender);
    DBEdit4->setText(receiver);
    DBMemo1->setPlainText(memoText(text));
    for (QLineEdit *edit : {DBEdit1, DBEdit2, DBEdit3, DBEdit4})
        edit->setCursorPosition(0);
}

void TForm6::Button1Click()
{
    close();
}

void TForm6::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    ShowCurrentRecord();
    if (m_placed)
        return;
    m_placed = true;
    CentreOnMainWindow(this);
}
