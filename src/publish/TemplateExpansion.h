#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>

#include <array>
#include <limits>

// The pure heart of page generation: the variable table, the memo form and
// the line-by-line expansion of a template into the page bytes. Nothing here
// touches files, settings or widgets, so it is tested and fuzzed directly.
namespace publish {

inline constexpr int kVariableCount = 18;
using VariableValues = std::array<QByteArray, kVariableCount>;

// The publishing tokens in table order. The order is part of the behaviour:
// a value inserted for token k is searched only for the tokens after k.
const std::array<QByteArray, kVariableCount>& VariableTokens();

// What the memo form needs to point a visitor's browser back at this machine.
struct MemoFormParts {
    QByteArray address; // the advertised address
    QByteArray port;    // the memo server port, as typed in the settings
    QByteArray profile; // the selected profile's name
    QByteArray rows;
    QByteArray columns;
    bool wrap = false;
    bool reply = false;
    QByteArray httpsName{}; // with HTTPS on, the name the form posts to over https
};

// WRAP="physical" with word wrap on, else empty.
QByteArray WrapAttrFor(bool wrap);
QByteArray MemoForm(const MemoFormParts& parts);

struct ExpansionInputs {
    QByteArray status;                // "Online" or "Offline"
    QByteArray address;               // %ip%
    QByteArray hostName;              // %dns%
    std::array<QByteArray, 5> custom; // %c1% .. %c5%
    MemoFormParts memo;
    QDateTime now;
    QLocale locale; // day and month names
};

// All 18 values, computed once for one expansion.
VariableValues ComputeValues(const ExpansionInputs& inputs);

// Replaces the tokens of one line in table order. Each occurrence present
// when a token's turn comes is replaced once; the inserted value is not
// searched again for the same token, so a value holding its own token
// cannot make the replacement run forever. A line that would grow past
// maxSize throws ProgramError before it is built: one line of %memo% tokens
// grows about ninety-fold.
void ReplaceVariables(QByteArray& line, const VariableValues& values,
                      qsizetype maxSize = std::numeric_limits<qsizetype>::max());

struct PageOptions {
    bool removeComments = false;
    bool credits = true;
    // A template of many %memo% tokens can grow a hundredfold; past this the
    // expansion stops with an error instead of exhausting memory.
    qsizetype outputLimit = qsizetype(256) * 1024 * 1024;
};

// The generator comment block and the credits footer, each line ending CR LF.
QByteArray GeneratorBlock();
QByteArray CreditsFooter();

// The whole page: generator block (unless removed), every template line
// expanded and ended with CR LF, and the footer with credits on. Lines end
// at CR or CR LF; a lone LF stays inside its line. Throws ProgramError when
// the page would pass the output limit.
QByteArray ExpandTemplateText(const QByteArray& templateBytes, const VariableValues& values,
                              const PageOptions& options);

} // namespace publish
