#pragma once

#include <QApplication>

// The application object: every error that escapes an event handler ends here and is
// shown in the standard error box; the program goes on with the next event.
class TApplication final : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
