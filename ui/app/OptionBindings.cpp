#include "OptionBindings.h"

#include "OptionsFile.h"
#include "SettingsWindow.h"

#include <QCheckBox>
#include <QSpinBox>

void ApplyOptions(const OptionsFile &options)
{
    Form2->CheckBox14->setChecked(options.Get(opt::Notifications));
    Form2->SpinEdit1->setValue(options.Get(opt::FilePort));
}

void TakeOptions(OptionsFile &options)
{
    options.Set(opt::Notifications, Form2->CheckBox14->isChecked());
    options.Set(opt::FilePort, Form2->SpinEdit1->value());
}
