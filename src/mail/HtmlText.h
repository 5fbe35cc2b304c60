#pragma once

#include <QString>

// The text of an HTML mail part, for a plain text box: tags dropped, the
// contents of scripts, styles and comments dropped, blocks and line breaks
// as line ends, runs of blanks as one, entities decoded, and each link kept
// as "label (address)" (the address alone when it is the label). Nothing is
// ever fetched. Linear in the input, for any input; the work stops once the
// text is longer than maxChars (what a reader is shown is cut anyway).
QString HtmlToText(const QString& html, qsizetype maxChars = -1);
