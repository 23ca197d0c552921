#include "SkinEngine.h"

void RestoreSkin(const QString &savedName)
{
    // The built-in look stays until the theme engine is in place.
    Q_UNUSED(savedName);
}
