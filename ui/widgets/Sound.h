#pragma once

#include <QString>

// Starts playing a wave file found by its name relative to the shipped files and returns
// at once; a file that is not there, or a sound back end that cannot be loaded, gives the
// system's default sound.
void PlaySoundFile(const QString &fileName);

// Whether the sound back end beside the program loads. It is loaded at the first sound, not
// at start-up: the multimedia libraries behind it are large and most runs play no sound.
bool SoundBackEndAvailable();
