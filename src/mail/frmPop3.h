#pragma once

#include <QWidget>

#include <QByteArray>
#include <QVector>

#include <array>

class MailListModel;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
struct ListingRow;
struct MailMessage;

// The mailbox window "Email Notify": a view over the check cycle's listing
// (Mail().check()), with reading, replying, deleting and launching the
// user's mail program. Its close box only hides it. Messages are named by
// their key (unique id), never by their row: a message deleted elsewhere
// since the listing shifts no action onto another.
class frmPop3 : public QWidget {
    Q_OBJECT

  public:
    frmPop3();
    ~frmPop3() override;

    // Retrieves the message selected in the list into the composer
    // (labels, MessageText, MailMsgKey, Mail().globals) and shows it.
    // False when the message could not be read (already reported).
    bool ReadMessage(bool forReply);
    // Deletes the messages with these keys; true when the server confirmed
    // every deletion.
    bool DeleteMessages(const QVector<QByteArray>& keys);

    void mnuRead_Click();
    void mnuReply_Click();
    void mnuDelete_Click();
    void mnuLaunch_Click();
    void mnuClose_Click();
    void cmdControl_Click(int index);

    // Keys of the selected messages, in listing order.
    QVector<QByteArray> selectedKeys() const;
    // Selects the rows of these keys (the others lose their selection).
    void selectKeys(const QVector<QByteArray>& keys);

    // The listing as the last check or deletion left it: one table with
    // From, Date and Subject columns, sortable by a click on a heading.
    QTableView* lMessages = nullptr;
    MailListModel* listModel = nullptr;
    QSortFilterProxyModel* sortedList = nullptr;
    std::array<QLabel*, 2> Label1{};
    QProgressBar* Dstatus = nullptr;
    std::array<QPushButton*, 5> cmdControl{};
    QMenu* mnuFile = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    enum class Found { Read, Gone, Failed };
    void buildControls();
    void buildMenu();
    void showListing();
    bool refuseWhileChecking();
    Found retrieveSelected(bool forReply);
    const ListingRow* selectedRow() const;
    void fillComposer(const MailMessage& m);
    void tellGone(const QVector<QByteArray>& keys);
    void reportFailure(const QString& what, const QString& title, const QString& logText);
    QVector<QByteArray> removeOnServer(const QVector<QByteArray>& keys, QVector<QByteArray>& gone);
};
