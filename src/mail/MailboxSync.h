#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

namespace platform {
class Pop3Client;
}

// One row of the mailbox listing, as the last check or deletion left it.
// The texts are the server's bytes; the window decodes them for display.
struct ListingRow {
    // What names the message whatever its number becomes: the server's
    // unique id, or (from a server without UIDL) a digest of its
    // Message-ID, Date and From.
    QByteArray Key;
    bool ServerUid = false;
    int Number = 0; // its number when listed
    QByteArray From;
    QByteArray Date;
    QByteArray Subject;
    QByteArray MessageId;
    qint64 Size = 0;
};

// The key of a message from a server without unique ids.
QByteArray HeaderKey(const QByteArray& messageId, const QByteArray& date, const QByteArray& from);

// Lists a logged-in mailbox and finds its messages again. Header blocks
// are kept by unique id, so a check of an unchanged mailbox asks for no
// header at all; only new messages cost a TOP.
class MailboxSync {
  public:
    explicit MailboxSync(platform::Pop3Client& pop) : pop_(pop) {}

    // Every message's row, in server order. account names the mailbox
    // (server and login): the cache of another is dropped. False when the
    // client failed (it has reported the error).
    bool list(const QString& account, QVector<ListingRow>& rows);
    // The number the message row names has now; 0 when it is gone from
    // the server, -1 when asking the server failed.
    int locate(const ListingRow& row);
    // Header blocks fetched by the last list().
    int lastFetched() const { return lastFetched_; }

  private:
    ListingRow rowFrom(int n, const QList<QPair<QByteArray, QByteArray>>& headers) const;

    platform::Pop3Client& pop_;
    QString account_;
    QHash<QByteArray, ListingRow> cache_;
    int lastFetched_ = 0;
};
