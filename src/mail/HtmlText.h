#pragma once

#include <QString>

// The text of an HTML mail part, for a plain text box: tags dropped, the
// contents of scripts, styles and comments dropped, blocks and line breaks
// as line ends, runs of blanks as one, entities decoded, and each link kept
// as "label (address)" (the address alone when it is the label). Nothing is
// ever fetched. Linear in the input, for any input.
QString HtmlToText(const QString& html);
