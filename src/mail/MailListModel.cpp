#include "mail/MailListModel.h"

#include "mail/MailText.h"

#include <QRegularExpression>

QDateTime ParseMailDate(const QString& text)
{
    // A trailing comment such as "(UTC)" or "(CET)" is not part of the date.
    static const QRegularExpression comment(QStringLiteral("\\s*\\([^)]*\\)\\s*$"));
    QString date = text.simplified();
    date.remove(comment);
    QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
    if (!when.isValid() && date.size() > 5 && date.at(3) == u',')
        when = QDateTime::fromString(date.mid(5), Qt::RFC2822Date); // an unknown weekday name
    return when;
}

void MailListModel::setListing(const QVector<ListingRow>& listing)
{
    // Rows already shown keep their decoded texts: a check that finds a few
    // new messages decodes only those.
    QVector<Row> shown = std::move(rows_);
    const QHash<QByteArray, int> shownAt = std::move(rowOfKey_);
    beginResetModel();
    rows_.clear();
    rowOfKey_.clear();
    rows_.reserve(listing.size());
    rowOfKey_.reserve(listing.size());
    for (const ListingRow& source : listing) {
        const int old = shownAt.value(source.Key, -1);
        rowOfKey_.insert(source.Key, int(rows_.size()));
        rows_.append(old >= 0 && !shown[old].key.isNull() ? std::move(shown[old]) : decoded(source));
    }
    endResetModel();
}

MailListModel::Row MailListModel::decoded(const ListingRow& source)
{
    Row row;
    row.key = source.Key;
    row.texts[FromColumn] = DecodeHeaderValue(source.From);
    row.texts[DateColumn] = DecodeHeaderValue(source.Date);
    row.texts[SubjectColumn] = DecodeHeaderValue(source.Subject);
    for (int c = 0; c < ColumnCount; ++c)
        row.folded[c] = row.texts[c].toCaseFolded();
    row.when = ParseMailDate(row.texts[DateColumn]);
    return row;
}

QByteArray MailListModel::keyAt(int row) const
{
    return row >= 0 && row < rows_.size() ? rows_[row].key : QByteArray();
}

int MailListModel::rowOfKey(const QByteArray& key) const
{
    return rowOfKey_.value(key, -1);
}

int MailListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int MailListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MailListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& row = rows_[index.row()];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return row.texts[index.column()];
    if (role != SortRole)
        return {};
    if (index.column() == DateColumn && row.when.isValid())
        return row.when.toMSecsSinceEpoch();
    if (index.column() == DateColumn)
        return qint64(0); // undated mail sorts as the oldest
    return row.folded[index.column()];
}

QVariant MailListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QString names[ColumnCount] = {QStringLiteral("From"), QStringLiteral("Date"),
                                               QStringLiteral("Subject")};
    return section >= 0 && section < ColumnCount ? names[section] : QVariant();
}
