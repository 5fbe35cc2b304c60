#pragma once

#include <QString>

#include <functional>
#include <optional>

// Quoting the message being answered. The text is taken line by line after
// a line end has been added to it, so a text that already ends with a line
// end gives a last quoted line of "> " alone. `pump` runs after every sixth
// line so a long text does not freeze the windows.

// "On " + the date without its first five characters (a weekday, a comma
// and a blank) + ", you wrote:" + CR LF.
QString QuoteHeading(const QString& date);

// Every line as "> " + line + CR LF.
QString QuoteLines(const QString& text, const std::function<void()>& pump = {});

// The same through a scratch file at path: written (replacing it), read
// back line by line and removed. Nothing when the file cannot be written or
// read back; the caller then quotes in memory.
std::optional<QString> QuoteThroughFile(const QString& text, const QString& path,
                                        const std::function<void()>& pump = {});

// The subject of an answer: "Re: " before the original, unless it already
// starts with "Re:" (any case), so answers never stack "Re: Re:".
QString ReplySubject(const QString& subject);
