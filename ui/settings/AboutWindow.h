#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

class QFrame;
class QPushButton;

// An animated picture: a fixed number of frames shown one after another at a fixed
// interval, repeating without end while Animate is on.
class AnimatedPicture final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnimatedPicture)
public:
    explicit AnimatedPicture(QWidget *parent = nullptr);

    bool Animate() const;
    void setAnimate(bool on);

    int frameCount() const;
    int currentFrame() const;
    // The timer that moves the picture on; its interval is the time per frame.
    const QTimer &frameTimer() const;
    // Shows the next frame, after the last one the first again (the timer's tick).
    void nextFrame();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void renderFrames();

    QTimer m_timer;
    QList<QImage> m_frames;
    int m_frame = 0;
};

// A link label: blue underlined text, red while the mouse is over it, a hand cursor; a
// click asks the system to open its address. Themes may change the two colours through the
// properties linkColor and hoverColor.
class URLLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(URLLabel)
    Q_PROPERTY(QColor linkColor READ linkColor WRITE setLinkColor)
    Q_PROPERTY(QColor hoverColor READ hoverColor WRITE setHoverColor)
public:
    URLLabel(const QString &caption, const QUrl &url, QWidget *parent = nullptr);

    QUrl url() const;
    bool isHot() const;
    QColor linkColor() const;
    void setLinkColor(const QColor &color);
    QColor hoverColor() const;
    void setHoverColor(const QColor &color);
    // The colour the text is drawn in now.
    QColor textColor() const;

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QUrl m_url;
    QColor m_linkColor{0x00, 0x00, 0xFF};
    QColor m_hoverColor{0xFF, 0x00, 0x00};
    bool m_hot = false;
};

// The About window: the program's name and version, what it is, an animated picture, and
// links to the home page and to the author.
class TForm3 final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm3)
public:
    explicit TForm3(QWidget *parent = nullptr);

    AnimatedPicture *RxGIFAnimator1 = nullptr;
    QLabel *Label1 = nullptr; // " Palavrix v1.7"
    QFrame *Panel2 = nullptr; // the upper rule
    QLabel *Label3 = nullptr; // the author line
    QLabel *Label4 = nullptr; // "Status: Freeware "
    QLabel *Label6 = nullptr; // "E-mail:"
    URLLabel *suiURLLabel2 = nullptr;
    QLabel *Label2 = nullptr; // "HomePage:"
    URLLabel *suiURLLabel1 = nullptr;
    QFrame *Panel3 = nullptr; // the lower rule
    QLabel *StaticText1 = nullptr;
    QPushButton *Button1 = nullptr; // "OK"

    void FormShow();
    void FormClose();
    void suitempButton1Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
};

extern TForm3 *Form3;
