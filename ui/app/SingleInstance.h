#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Finds a running copy of the program on the same desktop for the same user, shown or
// in the tray. The lock lives as long as this object.
class SingleInstance final
{
public:
    SingleInstance();
    ~SingleInstance();
    // True when this copy is the only one; false when another copy holds the desktop.
    bool Acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
