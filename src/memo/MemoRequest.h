#pragma once

#include <QByteArray>

#include <optional>

// Taking a memo request apart. The parser searches the text for the field
// names, without regard to letter case, and cuts the values out by
// position: in the body when the body holds the fields, else in the whole
// request (a GET carries them in its first line). All functions work on the
// 8-bit text as received.

// Error number raised for a malformed "%" escape.
inline constexpr int kUrlDecodeError = 65001;

// Form-value decoder: "+" becomes a blank, then every "%" with one or two
// hexadecimal digits becomes that byte (the scan goes on after it, so a "%"
// produced by decoding stays). Throws ProgramError(kUrlDecodeError).
QByteArray DecodeCGI(const QByteArray& text);

struct MemoFields {
    QByteArray webSite; // undecoded, "unknown" without a Site field
    QByteArray sender;
    QByteArray text;
    bool replyWanted = false;
};

enum class MemoExtract {
    Memo,      // fields are set
    NoName,    // no "NAME" anywhere
    NoMessage, // no "MESSAGE" after "NAME"
};

struct ExtractedMemo {
    MemoExtract outcome = MemoExtract::NoName;
    MemoFields fields;
};

// The fields of a complete memo request. A malformed escape or fields in an
// order that makes a cut length negative throw ProgramError.
ExtractedMemo ExtractMemo(const QByteArray& request);

// Name and message of a request refused while busy, only to pre-fill the
// busy page's form. Never throws: what cannot be decoded stays empty.
struct BusyFields {
    QByteArray name;
    QByteArray message;
};
BusyFields ExtractBusyFields(const QByteArray& request) noexcept;

// The browser's header line, from "User-Agent:" up to its CR, control
// characters removed, for the debug log; nothing when the request has none.
std::optional<QByteArray> BrowserLine(const QByteArray& request);
