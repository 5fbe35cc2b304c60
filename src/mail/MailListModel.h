#pragma once

#include "mail/MailboxSync.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QSortFilterProxyModel>
#include <QVector>

// The mailbox listing as a table of From, Date and Subject. The server's
// header bytes are decoded once when the listing changes, never while
// painting, so thousands of rows scroll and sort without delay.
class MailListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { FromColumn, DateColumn, SubjectColumn, ColumnCount };
    // The value rows sort by: the time for dates, folded text otherwise.
    static constexpr int SortRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    void setListing(const QVector<ListingRow>& listing);
    // The key of the message on source row r.
    QByteArray keyAt(int row) const;
    int rowOfKey(const QByteArray& key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Row {
        QByteArray key;
        QString texts[ColumnCount];
        QString folded[ColumnCount];
        QDateTime when;
    };
    static Row decoded(const ListingRow& source);

    QVector<Row> rows_;
    QHash<QByteArray, int> rowOfKey_;
};

// Mail dates as they appear in Date headers ("Mon, 7 Dec 2026 10:11:00
// +0000 (UTC)"); an invalid time when the text is no such date.
QDateTime ParseMailDate(const QString& text);
