#include "memo/MemoColors.h"

namespace {

struct Entry {
    QRgb palette;
    const char* stored;
};

constexpr Entry kTable[kMemoColorCount] = {
    {0x000000, "#000000"}, {0x000080, "#0000A0"}, {0x008000, "#008000"}, {0x008080, "#008080"},
    {0x800000, "#800040"}, {0x800080, "#800080"}, {0x808000, "#808000"}, {0xC0C0C0, "#C0C0C0"},
    {0x808080, "#808080"}, {0x0000FF, "#0000FF"}, {0x00FF00, "#00FF00"}, {0x00FFFF, "#00FFFF"},
    {0xFF0000, "#FF0000"}, {0xFF00FF, "#FF00FF"}, {0xFFFF00, "#FFFF00"}, {0xFFFFFF, "#FFFFFF"},
};

} // namespace

QString HtmlColor(int index)
{
    if (index < 0 || index >= kMemoColorCount)
        return QString();
    return QString::fromLatin1(kTable[index].stored);
}

QString ColorPic(const QString& text)
{
    for (int i = 0; i < kMemoColorCount; ++i) {
        if (text == QLatin1String(kTable[i].stored))
            return QString::number(i);
    }
    return QString();
}

QColor PaletteColor(int index)
{
    if (index < 0 || index >= kMemoColorCount)
        return QColor();
    return QColor::fromRgb(kTable[index].palette);
}
