#pragma once

class OptionsFile;

// How the options file meets its controls, as Chat.cfg's lines do in ConfigBindings: every
// option is taken into its control at start-up and read back from it before the file is
// written at exit. A new option adds one line to each.
void ApplyOptions(const OptionsFile &options);
void TakeOptions(OptionsFile &options);
