#include "ColorList.h"

#include "AppError.h"

namespace colors
{

bool isValidIndex(int index)
{
    return index >= 0 && index < int(ColorList.size());
}

QString name(int index)
{
    return isValidIndex(index) ? QString::fromUtf16(ColorList[size_t(index)].name) : QString();
}

std::uint32_t rgbAt(int index)
{
    if (!isValidIndex(index))
        throw AppError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return ColorList[size_t(index)].rgb;
}

} // namespace colors
