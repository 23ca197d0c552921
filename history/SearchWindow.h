#pragma once

#include <QWidget>

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
    explicit TForm5(QWidget *parent = nullptr);

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

private:
    bool m_placed = false;
};

extern TForm5 *Form5;
