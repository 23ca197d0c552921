#pragma once

#include <QPointer>
#include <QWidget>

class HistoryStore;
class HistoryTable;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The record viewer: the current record of the history's table view in full. While shown it
// follows the current record; with no current record its fields are empty.
class TForm6 final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm6)
public:
    // Shows the current record of `store`.
    explicit TForm6(HistoryStore &store, QWidget *parent = nullptr);

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr;
    QLineEdit *DBEdit1 = nullptr;      // mDate
    QLineEdit *DBEdit2 = nullptr;      // mTime
    QLineEdit *DBEdit3 = nullptr;      // mSender
    QLineEdit *DBEdit4 = nullptr;      // mReceiver
    QPlainTextEdit *DBMemo1 = nullptr; // mFullText
    QPushButton *Button1 = nullptr;    // "OK"

    // The table view the fields show; the history window's at creation when there is one.
    void SetDataSource(HistoryTable *table);
    // Puts the current record into the fields.
    void ShowCurrentRecord();

    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPointer<HistoryTable> m_table;
    bool m_placed = false;
};

extern TForm6 *Form6;
