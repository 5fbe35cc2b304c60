#pragma once

#include <QColor>
#include <QString>

// The 16 colours of the memo form. The page keeps an entry's stored text,
// the window shows its palette colour; two entries differ between the two.
inline constexpr int kMemoColorCount = 16;

// The stored text of entry index, empty outside 0..15.
QString HtmlColor(int index);
// The entry of a stored text as decimal digits, compared exactly; empty
// when it is none of the 16.
QString ColorPic(const QString& text);
// The palette colour of entry index (0..15).
QColor PaletteColor(int index);
