#pragma once

#include <QWidget>

class HistoryStore;

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;

// The text search of the history browser: finds the next or previous stored message whose
// preview holds a text and makes it the current record.
class TForm5 final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm5)
public:
    // Searches the records of `store`.
    explicit TForm5(HistoryStore &store, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;             // "Текст для поиска"
    QLineEdit *Edit1 = nullptr;           // the text to find
    QPushButton *Button1 = nullptr;       // "Искать"
    QGroupBox *suiGroupBox1 = nullptr;    // "Направление поиска"
    QRadioButton *RadioButton1 = nullptr; // "Вниз"
    QRadioButton *RadioButton2 = nullptr; // "Вверх"
    QStatusBar *StatusBar = nullptr;
    QLabel *StatusPanels[2] = {}; // "Состояние:" and the result

    // Handlers.
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // "Состояние:" is 80 pixels wide, or wider when the style's font or frame needs it.
    void fitStatePanel();

    HistoryStore &m_store;
    bool m_placed = false;
};

extern TForm5 *Form5;
