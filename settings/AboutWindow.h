#pragma once

#include <QWidget>

// The About window.
class TForm3 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm3)
public:
    explicit TForm3(QWidget *parent = nullptr);
};

extern TForm3 *Form3;
