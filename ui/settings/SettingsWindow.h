#pragma once

#include <QFont>
#include <QWidget>

#include <optional>

class ChatServices;
struct ChatPorts;
struct LocalNetwork;
class ColorBox;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

// The settings window: its controls write the chat's options as they change.
class TForm2 final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm2)
public:
    explicit TForm2(ChatServices &services, QWidget *parent = nullptr);
    ~TForm2() override;

    // Fits the window's text to its pages the first time it is shown.
    void setVisible(bool visible) override;

    QTabWidget *suiPageControl1 = nullptr;
    QWidget *suiTabSheet1 = nullptr; // "Главные"
    QWidget *suiTabSheet2 = nullptr; // "Стили"
    QWidget *suiTabSheet3 = nullptr; // "Цвета"
    QWidget *suiTabSheet4 = nullptr; // "Сеть"
    QPushButton *Button1 = nullptr;  // "OK"

    // "Главные"
    QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr,
              *GroupBox4 = nullptr, *GroupBox5 = nullptr, *GroupBox6 = nullptr,
              *GroupBox7 = nullptr, *GroupBox8 = nullptr, *suiGroupBox6 = nullptr;
    QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr,
              *CheckBox4 = nullptr, *CheckBox5 = nullptr, *CheckBox6 = nullptr,
              *CheckBox7 = nullptr, *CheckBox8 = nullptr, *CheckBox11 = nullptr;
    // Desktop notifications; kept in the options file, not in Chat.cfg.
    QCheckBox *CheckBox14 = nullptr;
    QSlider *TrackBar1 = nullptr, *TrackBar2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr;
    QLineEdit *Edit1 = nullptr;

    // "Стили"
    QListWidget *ListBox1 = nullptr;
    QGroupBox *suiGroupBox1 = nullptr, *suiGroupBox2 = nullptr;
    QLabel *suiURLLabel1 = nullptr;

    // "Цвета"
    QGroupBox *suiGroupBox3 = nullptr, *suiGroupBox4 = nullptr, *suiGroupBox5 = nullptr;
    QCheckBox *CheckBox9 = nullptr, *CheckBox10 = nullptr;
    QLabel *Label5 = nullptr, *Label6 = nullptr, *Label8 = nullptr, *Label9 = nullptr;
    ColorBox *ColorBox1 = nullptr, *ColorBox2 = nullptr, *ColorBox3 = nullptr, *ColorBox4 = nullptr;

    // "Сеть"
    QGroupBox *suiGroupBox7 = nullptr, *suiGroupBox8 = nullptr, *suiGroupBox9 = nullptr,
              *suiGroupBox10 = nullptr;
    QCheckBox *CheckBox12 = nullptr, *CheckBox13 = nullptr;
    QLineEdit *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr;
    QLabel *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr,
           *Label14 = nullptr;
    QLabel *Label15 = nullptr; // the address and broadcast address found at start-up
    // The port for files, UDP and TCP (0: no file transfer); kept in the options file.
    QLabel *Label16 = nullptr;
    QSpinBox *SpinEdit1 = nullptr;

    // Handlers, run by the user's change and by the same change made from code.
    void suitempCheckBox5Click();
    void suitempTrackBar1Change();
    void suitempTrackBar2Change();
    void suitempCheckBox8Click();
    void Edit1Exit(); // refuses a fast-entry nick the chat cannot carry
    void CheckBox9Click();
    void CheckBox10Click();
    void CheckBox11Click();
    void CheckBox12Click();
    void CheckBox13Click();
    void ListBox1Click();
    void suitempButton1Click();

    // Shows the network the start-up settled on under the broadcast address.
    void ShowLocalNetwork(const LocalNetwork &network);
    // Shows the broadcast address and the ports the start-up chose.
    void ShowNetworkChoice(const LocalNetwork &network, const ChatPorts &ports);

    // The main window's translucency as the handlers last set it: whether it is on, and
    // the opacity on the 0..255 scale (15 × the position of TrackBar1).
    bool AlphaBlend() const;
    int AlphaBlendValue() const;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // As in any dialog: Escape closes the window, Enter presses "OK".
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The pages alone, as built, for working out the font they need.
    struct Measuring {
    };
    explicit TForm2(Measuring);
    void build();
    void FormShow();

    QWidget *buildMainPage();
    QWidget *buildStylesPage();
    QWidget *buildColorsPage();
    QWidget *buildNetworkPage();
    void wireEvents();
    // The font the window's text needs so that every page fits its width; none when its own
    // font does. Tries it on these pages.
    std::optional<QFont> fittingFont();
    void fitFont();
    void applyTranslucency() const;

    ChatServices *m_services = nullptr; // none while only measuring
    QLabel *m_downloadText = nullptr;   // the text above the home-page link
    QLabel *m_installText = nullptr;    // how to install a style
    bool m_fitted = false;
};

extern TForm2 *Form2;
