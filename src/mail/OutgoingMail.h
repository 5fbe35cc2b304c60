#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// What the composer sends, as the user typed it.
struct OutgoingMail {
    QString userName;      // txtUserName, the sender's display name
    QString returnAddress; // txtReturnAddress
    QString to;            // SendTo: one or several addresses
    QString copy;          // CopyTo
    QString subject;
    QString text; // MessageText + CR LF + signature
    // On a reply: the answered message's "<id>", and the thread's ids, oldest first.
    QByteArray inReplyTo{};
    QList<QByteArray> references{};
};

struct PreparedMail {
    QString error;          // why it cannot be sent; empty when it can
    QString envelopeFrom;   // the bare return address
    QStringList recipients; // bare addresses of To and Copy
    QByteArray message;     // header lines, blank line, body; CR LF line ends
};

// Splits an address field into its addresses: separated by ",", ";" or
// blanks outside quotes, comments and angle brackets; "Name <a@b>" gives
// "a@b", a group "Team: a@b, c@d;" its members. Entries with quotes,
// comments, brackets or groups are parsed by GMime.
QStringList ParseAddressList(const QString& field);

// Builds the message the SMTP client sends:
//   From: "userName" <returnAddress>
//   To: ..., Cc: ... (when Copy is not empty), Subject: ..., Date: (RFC 5322,
//   from now), Message-ID, MIME-Version: 1.0,
//   In-Reply-To and References on a reply (ids that cannot travel are dropped),
//   Content-Type: text/plain; charset=UTF-8, Content-Transfer-Encoding: 7bit
//   when every line is ASCII and fits, else quoted-printable, X-Mailer: Halvorn v3.3.
// CR and LF in To, Copy, Subject and the name cannot start a header line
// (they become blanks); non-ASCII header text is RFC 2047 encoded; every
// line end of the text becomes CR LF. An empty or invalid recipient or
// return address gives an error.
PreparedMail PrepareMail(const OutgoingMail& mail, const QDateTime& now);

inline const QByteArray kMailerHeader = "X-Mailer: Halvorn v3.3";
