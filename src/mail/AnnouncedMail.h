#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVector>

// The messages already announced as new, by key (unique id), kept in a
// file of the program directory so that a restart announces nothing old.
// Only keys still in the mailbox are kept, and at most kMaxKeys of the
// newest: the file never outgrows the mailbox or a few megabytes.
class AnnouncedMail {
  public:
    static constexpr int kMaxKeys = 100000;

    explicit AnnouncedMail(QString path) : path_(std::move(path)) {}

    // How many of the mailbox's keys (in server order, oldest first) were
    // never announced. Reads the file on first use.
    int freshCount(const QVector<QByteArray>& mailbox);
    // Every key of the mailbox counts as announced from now on; the file is
    // replaced when that changes it. False when it could not be written
    // (already told).
    bool markAll(const QVector<QByteArray>& mailbox);

  private:
    void load();
    static QVector<QByteArray> newest(const QVector<QByteArray>& mailbox);

    QString path_;
    bool loaded_ = false;
    QSet<QByteArray> keys_;
};
