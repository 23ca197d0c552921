#include "AboutWindow.h"

#include "Guard.h"
#include "WindowPlacement.h"

#include "AboutAnimation.h"
#include "AppPaths.h"
#include "PlainLabel.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

TForm3 *Form3 = nullptr;

namespace
{

constexpr QSize ClientSize{314, 246};
// Room between a caption and its link.
constexpr int LinkGap = 4;

QFont textFont(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QColor highlightColour()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

// Text in the highlight colour. Through the palette, so that a theme's style sheet can give
// it a colour that stands out from the theme's own background.
void paintInHighlight(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, highlightColour());
    widget->setPalette(palette);
}

// A plain-text label in the highlight colour at `pos`, as large as its text.
QLabel *label(QWidget *parent, const char *name, const QString &text, QPoint pos,
              const QFont &font = textFont(11))
{
    QLabel *label = PlainLabel(QLatin1String(name), text, parent);
    label->setFont(font);
    paintInHighlight(label);
    label->adjustSize();
    label->move(pos);
    return label;
}

// A link to one of the documents shipped with the program, right after its caption.
URLLabel *documentLink(QWidget *parent, const char *name, const QString &document,
                       const QLabel *caption)
{
    const QUrl url = QUrl::fromLocalFile(apppaths::SharedFile(QStringLiteral("docs/") + document));
    auto *link = new URLLabel(document, url, parent);
    link->setObjectName(QLatin1String(name));
    link->adjustSize();
    link->move(caption->geometry().right() + 1 + LinkGap, caption->y() - 1);
    return link;
}

// A thin rule in the highlight colour.
QFrame *rule(QWidget *parent, const char *name, QPoint pos)
{
    auto *rule = new QFrame(parent);
    rule->setObjectName(QLatin1String(name));
    rule->setFrameShape(QFrame::NoFrame);
    rule->setStyleSheet(QStringLiteral("QFrame { background-color: %1; border: none; }")
                            .arg(highlightColour().name()));
    rule->setGeometry(QRect(pos, QSize(193, 3)));
    return rule;
}

} // namespace

AnimatedPicture::AnimatedPicture(QWidget *parent) : QWidget(parent)
{
    m_timer.setInterval(AboutFrameInterval);
    connect(&m_timer, &QTimer::timeout, this, &AnimatedPicture::nextFrame);
    setFixedSize(AboutFrameSize);
}

bool AnimatedPicture::Animate() const
{
    return m_timer.isActive();
}

void AnimatedPicture::setAnimate(bool on)
{
    if (on == Animate())
        return;
    if (on) {
        renderFrames();
        m_timer.start();
    } else {
        m_timer.stop();
    }
}

int AnimatedPicture::frameCount() const
{
    return AboutFrameCount;
}

int AnimatedPicture::currentFrame() const
{
    return m_frame;
}

const QTimer &AnimatedPicture::frameTimer() const
{
    return m_timer;
}

void AnimatedPicture::nextFrame()
{
    m_frame = (m_frame + 1) % AboutFrameCount;
    update();
}

QSize AnimatedPicture::sizeHint() const
{
    return AboutFrameSize;
}

void AnimatedPicture::renderFrames()
{
    if (!m_frames.isEmpty())
        return;
    m_frames.reserve(AboutFrameCount);
    for (int i = 0; i < AboutFrameCount; ++i)
        m_frames.append(AboutAnimationFrame(i));
}

void AnimatedPicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_frames.isEmpty())
        painter.drawImage(0, 0, AboutAnimationFrame(m_frame));
    else
        painter.drawImage(0, 0, m_frames.at(m_frame));
}

URLLabel::URLLabel(const QString &caption, const QUrl &url, QWidget *parent)
    : QLabel(caption, parent), m_url(url)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setToolTip(url.toString());
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

QUrl URLLabel::url() const
{
    return m_url;
}

bool URLLabel::isHot() const
{
    return m_hot;
}

QColor URLLabel::linkColor() const
{
    return m_linkColor;
}

void URLLabel::setLinkColor(const QColor &color)
{
    m_linkColor = color;
    update();
}

QColor URLLabel::hoverColor() const
{
    return m_hoverColor;
}

void URLLabel::setHoverColor(const QColor &color)
{
    m_hoverColor = color;
    update();
}

QColor URLLabel::textColor() const
{
    return m_hot ? m_hoverColor : m_linkColor;
}

void URLLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    m_hot = true;
    update();
}

void URLLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    m_hot = false;
    update();
}

void URLLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        QDesktopServices::openUrl(m_url);
}

void URLLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QFont underlined = font();
    underlined.setUnderline(true);
    painter.setFont(underlined);
    painter.setPen(textColor());
    painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, text());
}

TForm3::TForm3(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("О программе..."));
    setFixedSize(ClientSize);
    setFont(textFont(11));

    RxGIFAnimator1 = new AnimatedPicture(this);
    RxGIFAnimator1->setObjectName(QStringLiteral("RxGIFAnimator1"));
    RxGIFAnimator1->move(8, 53);

    Label1 = label(this, "Label1", QStringLiteral(" Palavrix v1.7"), {112, 51}, textFont(17, true));
    Panel2 = rule(this, "Panel2", {112, 71});
    Label3 = label(this, "Label3", QStringLiteral("Author: The Palavrix Team"), {112, 75});
    Label4 = label(this, "Label4", QStringLiteral("Status: Freeware "), {112, 91});
    // The program has no web site or mail address of its own: both links lead to the
    // documentation shipped with it.
    Label6 = label(this, "Label6", tr("Темы:"), {112, 107});
    suiURLLabel2 = documentLink(this, "suiURLLabel2", QStringLiteral("themes.md"), Label6);
    Label2 = label(this, "Label2", QStringLiteral("HomePage:"), {112, 123});
    suiURLLabel1 = documentLink(this, "suiURLLabel1", QStringLiteral("README.md"), Label2);
    Panel3 = rule(this, "Panel3", {112, 139});

    StaticText1 = new QLabel(
        tr("UDP чат для локальных сетей. Работает без серверной части, не требует настройки."),
        this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setTextFormat(Qt::PlainText);
    StaticText1->setWordWrap(true);
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // On a pale caption-coloured ground in a sunken soft frame, through the palette too.
    const QColor highlight = highlightColour();
    QColor pale = highlight;
    pale.setHsv(highlight.hsvHue(), std::min(highlight.hsvSaturation(), 40), 250);
    paintInHighlight(StaticText1);
    QPalette ground = StaticText1->palette();
    ground.setColor(QPalette::Window, pale);
    StaticText1->setPalette(ground);
    StaticText1->setAutoFillBackground(true);
    StaticText1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    StaticText1->setMargin(2);
    StaticText1->setIndent(2);
    StaticText1->setGeometry(8, 157, 297, 49);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(240, 216, 65, 24);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TForm3::suitempButton1Click));
}

void TForm3::FormShow()
{
    RxGIFAnimator1->setAnimate(true);
}

void TForm3::FormClose()
{
    RxGIFAnimator1->setAnimate(false);
}

void TForm3::suitempButton1Click()
{
    close();
}

void TForm3::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnMainWindow(this);
    FormShow();
}

void TForm3::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}
