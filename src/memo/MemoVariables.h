#pragma once

#include "memo/MemoPages.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>

// The memo server's 20 variables for custom page files, replaced in this
// order, without regard to letter case.
inline constexpr int kMemoTokenCount = 20;

struct MemoToken {
    QByteArray token;
    QByteArray value;
};
using MemoTokenTable = std::array<MemoToken, kMemoTokenCount>;

// What the table is built from, taken at the moment the page is read.
struct MemoTokenInputs {
    PageSettings settings;
    QDateTime now;
    QString localHostName;
    std::array<QByteArray, 5> custom; // [Custom] "C0%" .. "C4%"
    QString reply;                    // MemoReply
    QByteArray senderName;            // SenderName, as the visitor sent it
};

MemoTokenTable BuildMemoTokens(const MemoTokenInputs& in);

// Replaces every token of the table in one line. The scan for a token goes
// on after the value put in, so a value never expands its own token again.
QByteArray ReplaceMemoTokens(const QByteArray& line, const MemoTokenTable& table);

struct CustomPage {
    QByteArray text;
    int error = 0; // the error that cut the reading short, 0 when none
};

// A custom page file with the variables replaced, every line ended by CR LF.
// A missing file gives empty text; a read error keeps what was read so far.
// fileName is taken relative to the program directory unless absolute.
CustomPage ReadCustomPage(const QString& fileName, const MemoTokenTable& table);

// A custom page of the memo settings with the variables as they stand now
// (settings, clock, reply, senderName); a reading error goes to error.log.
QByteArray ReadMemoPage(const QString& fileName, const QByteArray& senderName);

// The time and date texts of the variables.
namespace memo {
QString time12(const QDateTime& when);   // "hh:mm AMPM"
QString longDate(const QDateTime& when); // "dddd, mmm d yyyy"
} // namespace memo
