#pragma once

#include <QString>

// Starts playing a wave file found by its name relative to the shipped files and returns
// at once; a file that is not there gives the system's default sound.
void PlaySoundFile(const QString &fileName);
