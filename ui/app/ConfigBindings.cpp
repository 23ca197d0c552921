#include "ConfigBindings.h"

#include "ChatOptions.h"
#include "ColorBox.h"
#include "Convert.h"
#include "MainWindow.h"
#include "OptionsFile.h"
#include "SettingsWindow.h"
#include "SkinEngine.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>

#include <array>

using namespace cfg;

namespace
{

// Controls are looked up when used: the windows are made after the table.
using ButtonOf = std::function<QAbstractButton *()>;
using ColorBoxOf = std::function<ColorBox *()>;
using SliderOf = std::function<QSlider *()>;
using EditOf = std::function<QLineEdit *()>;
template <typename T> using Field = T OptionValues::*;

// Keeps `field` at the value `read` gives, from now on whenever the control's `signal` says it
// changed (from code as well as by the user).
template <typename Control, typename Signal, typename T, typename Read>
std::function<void(ChatOptions &)> watch(std::function<Control *()> control, Signal signal,
                                         Field<T> field, Read read)
{
    return [control, signal, field, read](ChatOptions &options) {
        Control *widget = control();
        if (!widget)
            return; // a window this run has not made
        const auto update = [widget, field, read, &options] { options.Set(field, read(widget)); };
        QObject::connect(widget, signal, widget, update);
        update();
    };
}

std::function<void(ChatOptions &)> watchButton(ButtonOf box, Field<bool> field)
{
    return watch(box, &QAbstractButton::toggled, field,
                 [](QAbstractButton *b) { return b->isChecked(); });
}

std::function<void(ChatOptions &)> watchEdit(EditOf edit, Field<QString> field)
{
    return watch(edit, &QLineEdit::textChanged, field, [](QLineEdit *e) { return e->text(); });
}

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

int number(ConfigLines &config, Line line)
{
    const int value = strToInt(config.ValueOf(line));
    config.SetApplied(line);
    return value;
}

// A switch shown by a check box.
ConfigBinding checkBox(Line line, ButtonOf box, Field<bool> field)
{
    return {line,
            [line, box](ConfigLines &config) {
                box()->setChecked(SwitchOn(config.ValueOf(line)));
                config.SetApplied(line);
            },
            [box] { return std::optional(switchText(box()->isChecked())); },
            false,
            watchButton(box, field),
            {},
            {}};
}

// A colour number shown by a colour box; `when` (if any) is the switch that lets the line
// be read and written at all.
ConfigBinding colorBox(Line line, ColorBoxOf box, Field<int> field, ButtonOf when = nullptr,
                       std::function<void()> after = {})
{
    return {line,
            [line, box, when, after](ConfigLines &config) {
                if (when && !when()->isChecked())
                    return;
                box()->selectIndex(number(config, line));
                if (after)
                    after();
            },
            [box, when]() -> std::optional<QString> {
                if (when && !when()->isChecked())
                    return std::nullopt;
                return QString::number(box()->selectedIndex());
            },
            static_cast<bool>(when),
            watch(box, &QComboBox::currentIndexChanged, field,
                  [](ColorBox *b) { return b->selectedIndex(); }),
            {},
            {}};
}

// A text shown by a line edit and taken by `apply`.
ConfigBinding lineEdit(Line line, EditOf edit, Field<QString> field,
                       std::function<void(ConfigLines &)> apply)
{
    return {line,  std::move(apply),       [edit] { return std::optional(edit()->text()); },
            false, watchEdit(edit, field), {},
            {}};
}

ConfigBinding slider(Line line, SliderOf bar, Field<int> field, std::function<void()> after = {})
{
    return {line,
            [line, bar, after](ConfigLines &config) {
                bar()->setValue(number(config, line));
                if (after)
                    after();
            },
            [bar] { return std::optional(QString::number(bar()->value())); },
            false,
            watch(bar, &QSlider::valueChanged, field, [](QSlider *b) { return b->value(); }),
            {},
            {}};
}

void applyAlphaBlend(ConfigLines &config)
{
    const bool on = number(config, AlphaBlend) >= 1;
    Form2->CheckBox5->setChecked(on);
    if (!on)
        Form2->TrackBar1->setEnabled(false);
}

void applyRefreshInterval()
{
    const int seconds = RefreshStepSeconds * Form2->TrackBar2->value();
    Form2->Label2->setText(
        QCoreApplication::translate("TForm2", "Время обновления - %1 сек.").arg(seconds));
}

void applySavedNick(ConfigLines &config)
{
    const QString nick = config.ValueOf(SavedNick);
    if (!nick.isEmpty())
        Form2->Edit1->setText(nick);
    config.SetApplied(SavedNick);
}

void applyStartMinimized(ConfigLines &config)
{
    const bool on = SwitchOn(config.ValueOf(StartMinimized));
    (on ? Form2->RadioButton1 : Form2->RadioButton2)->setChecked(true);
    config.SetApplied(StartMinimized);
}

void applySkin(ConfigLines &config)
{
    const QString skin = config.ValueOf(Skin);
    config.SetApplied(Skin);
    if (!skin.isEmpty())
        RestoreSkin(skin);
}

QString selectedSkin()
{
    const QListWidgetItem *skin = Form2->ListBox1->currentItem();
    return skin && skin->isSelected() ? skin->text() : QString();
}

std::optional<QString> takeSkin(const ConfigLines &config)
{
    const QString skin = selectedSkin();
    return skin.isEmpty() ? config[Skin] : skin;
}

// The broadcast address and the ports are taken as stored only where their switch allows;
// otherwise the start-up shows what it found.
void applyBroadcastAddress(ConfigLines &config)
{
    if (Form2->CheckBox12->isChecked())
        Form2->Edit2->setText(config.ValueOf(BroadcastIP));
    config.SetApplied(BroadcastIP);
}

void applyPorts(ConfigLines &config)
{
    if (!Form2->CheckBox13->isChecked())
        return;
    for (auto [line, edit] :
         {std::pair{MainPort, Form2->Edit3}, std::pair{PrivatePort, Form2->Edit4},
          std::pair{SystemPort, Form2->Edit5}}) {
        edit->setText(config.ValueOf(line));
        config.SetApplied(line);
    }
}

// An entry of the options file, shown by a check box or a spin box.
ConfigBinding optionSwitch(const opt::Switch &option, ButtonOf box, Field<bool> field)
{
    ConfigBinding binding;
    binding.ApplyOption = [&option, box](const OptionsFile &file) {
        box()->setChecked(file.Get(option));
    };
    binding.TakeOption = [&option, box](OptionsFile &file) {
        file.Set(option, box()->isChecked());
    };
    binding.Watch = watchButton(box, field);
    return binding;
}

ConfigBinding optionNumber(const opt::Number &option, std::function<QSpinBox *()> box,
                           Field<int> field)
{
    ConfigBinding binding;
    binding.ApplyOption = [&option, box](const OptionsFile &file) {
        box()->setValue(file.Get(option));
    };
    binding.TakeOption = [&option, box](OptionsFile &file) { file.Set(option, box()->value()); };
    binding.Watch =
        watch(box, &QSpinBox::valueChanged, field, [](QSpinBox *b) { return b->value(); });
    return binding;
}

std::vector<ConfigBinding> makeBindings()
{
    using V = OptionValues;
    return {
        colorBox(
            FontColor, [] { return Form1 ? Form1->ColorBox1 : nullptr; }, &V::FontColor, nullptr,
            [] { Form1->RichEdit4->setTextColor(Form1->ColorBox1->selectedColor()); }),
        colorBox(
            BGColor, [] { return Form1 ? Form1->ColorBox2 : nullptr; }, &V::BGColor, nullptr,
            [] { Form1->ApplyBackgroundColor(); }),
        {AlphaBlend,
         applyAlphaBlend,
         [] { return std::optional(switchText(Form2->CheckBox5->isChecked())); },
         false,
         watchButton([] { return Form2->CheckBox5; }, &V::AlphaBlend),
         {},
         {}},
        slider(
            AlphaBlendValue, [] { return Form2->TrackBar1; }, &V::AlphaBlendValue),
        checkBox(
            ShowMainWND, [] { return Form2->CheckBox3; }, &V::ShowMainWND),
        checkBox(
            PlaySndOnRcv, [] { return Form2->CheckBox4; }, &V::PlaySndOnRcv),
        checkBox(
            ShowMsgTime, [] { return Form2->CheckBox1; }, &V::ShowMsgTime),
        checkBox(
            ShowIP, [] { return Form2->CheckBox2; }, &V::ShowIP),
        slider(
            RedrawUsrWnd, [] { return Form2->TrackBar2; }, &V::RedrawUsrWnd, applyRefreshInterval),
        checkBox(
            ShowPrivateWND, [] { return Form2->CheckBox6; }, &V::ShowPrivateWND),
        checkBox(
            PlaySndOnPrivateRcv, [] { return Form2->CheckBox7; }, &V::PlaySndOnPrivateRcv),
        checkBox(
            AutoLogon, [] { return Form2->CheckBox8; }, &V::AutoLogon),
        lineEdit(
            SavedNick, [] { return Form2->Edit1; }, &V::SavedNick, applySavedNick),
        {StartMinimized,
         applyStartMinimized,
         [] { return std::optional(switchText(Form2->RadioButton1->isChecked())); },
         false,
         watchButton([] { return Form2->RadioButton1; }, &V::StartMinimized),
         {},
         {}},
        {Skin,
         applySkin,
         [] { return takeSkin(Form1->Config); },
         false,
         watch(std::function<QListWidget *()>([] { return Form2->ListBox1; }),
               &QListWidget::itemSelectionChanged, &V::Skin,
               [](QListWidget *) { return selectedSkin(); }),
         {},
         {}},
        checkBox(
            IgnUsrClr, [] { return Form2->CheckBox9; }, &V::IgnUsrClr),
        colorBox(
            IncommingMsgClr, [] { return Form2->ColorBox1; }, &V::IncommingMsgClr,
            [] { return Form2->CheckBox9; }),
        checkBox(
            SelectHistoryClr, [] { return Form2->CheckBox10; }, &V::SelectHistoryClr),
        colorBox(
            IncClr, [] { return Form2->ColorBox2; }, &V::IncClr, [] { return Form2->CheckBox10; }),
        colorBox(
            OutClr, [] { return Form2->ColorBox3; }, &V::OutClr, [] { return Form2->CheckBox10; }),
        colorBox(
            SysClr, [] { return Form2->ColorBox4; }, &V::SysClr),
        checkBox(
            AutoRun, [] { return Form2->CheckBox11; }, &V::AutoRun),
        checkBox(
            ChangeIP, [] { return Form2->CheckBox12; }, &V::ChangeIP),
        lineEdit(
            BroadcastIP, [] { return Form2->Edit2; }, &V::BroadcastIP, applyBroadcastAddress),
        checkBox(
            ChangePort, [] { return Form2->CheckBox13; }, &V::ChangePort),
        // The three ports are taken together, after the switch that allows them.
        lineEdit(
            MainPort, [] { return Form2->Edit3; }, &V::MainPort, applyPorts),
        lineEdit(
            PrivatePort, [] { return Form2->Edit4; }, &V::PrivatePort, nullptr),
        lineEdit(
            SystemPort, [] { return Form2->Edit5; }, &V::SystemPort, nullptr),
        // The options file's.
        optionSwitch(
            opt::Notifications, [] { return Form2->CheckBox14; }, &V::Notifications),
        optionNumber(
            opt::FilePort, [] { return Form2->SpinEdit1; }, &V::FilePort),
    };
}

} // namespace

std::span<const ConfigBinding> ConfigBindings()
{
    static const std::vector<ConfigBinding> bindings = makeBindings();
    return bindings;
}

bool IsEarlyLine(Line line)
{
    return line == AutoLogon || line == SavedNick || line == Skin;
}

void ApplyConfigLines(ConfigLines &config, bool early)
{
    for (const ConfigBinding &binding : ConfigBindings())
        if (binding.Line && IsEarlyLine(binding.Line) == early && binding.Apply)
            binding.Apply(config);
}

void RebuildConfigLines(ConfigLines &config, bool allApplied)
{
    for (const ConfigBinding &binding : ConfigBindings()) {
        const int line = binding.Line;
        if (!line)
            continue;
        const std::optional<QString> value = binding.Take();
        if (!value)
            continue;
        if (binding.Direct || allApplied || config.Applied(line) || config.Loaded(line).isEmpty())
            config[line] = ConfigLines::Key(line) + u'=' + *value;
        else
            config[line] = config.Loaded(line);
    }
}

void ApplyOptions(const OptionsFile &options)
{
    for (const ConfigBinding &binding : ConfigBindings())
        if (binding.ApplyOption)
            binding.ApplyOption(options);
}

void TakeOptions(OptionsFile &options)
{
    for (const ConfigBinding &binding : ConfigBindings())
        if (binding.TakeOption)
            binding.TakeOption(options);
}

void WatchSettings(ChatOptions &options)
{
    for (const ConfigBinding &binding : ConfigBindings())
        binding.Watch(options);
}
