#pragma once

#include <QString>

#include <array>
#include <cstdint>

// One entry of the fixed colour list every colour box offers; numbers in datagrams and
// in Chat.cfg are positions in this list.
struct ColorEntry {
    const char16_t *name;
    std::uint32_t rgb; // 0xRRGGBB
};

inline constexpr std::array<ColorEntry, 20> ColorList{{
    {u"Black", 0x000000}, {u"Maroon", 0x800000},      {u"Green", 0x008000},
    {u"Olive", 0x808000}, {u"Navy", 0x000080},        {u"Purple", 0x800080},
    {u"Teal", 0x008080},  {u"Gray", 0x808080},        {u"Silver", 0xC0C0C0},
    {u"Red", 0xFF0000},   {u"Lime", 0x00FF00},        {u"Yellow", 0xFFFF00},
    {u"Blue", 0x0000FF},  {u"Fuchsia", 0xFF00FF},     {u"Aqua", 0x00FFFF},
    {u"White", 0xFFFFFF}, {u"Money Green", 0xC0DCC0}, {u"Sky Blue", 0xA6CAF0},
    {u"Cream", 0xFFFBF0}, {u"Med Gray", 0xA0A0A4},
}};

namespace colors
{
inline constexpr int Black = 0;
inline constexpr int Navy = 4;
inline constexpr int Red = 9;
inline constexpr int White = 15;
inline constexpr int MedGray = 19;

bool isValidIndex(int index);
QString name(int index);
// The list's colour for a number; throws AppError for a number without an entry.
std::uint32_t rgbAt(int index);
} // namespace colors
