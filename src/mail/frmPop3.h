#pragma once

#include <QWidget>

#include <QVector>

#include <array>

class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;

// The mailbox window "Email Notify": a view over the check cycle's listing
// (Mail().check()), with reading, replying, deleting and launching the
// user's mail program. Its close box only hides it.
class frmPop3 : public QWidget {
    Q_OBJECT

  public:
    frmPop3();
    ~frmPop3() override;

    // Retrieves the message selected in lMessages(0) into the composer
    // (labels, MessageText, MailMsgNo, Mail().globals) and shows it.
    // False when the message could not be read (already reported).
    bool ReadMessage(bool forReply);
    // Deletes message msgNo, or every selected row's message when several;
    // true when the server confirmed the deletion.
    bool DeleteMessage(int msgNo, bool several);

    void mnuRead_Click();
    void mnuReply_Click();
    void mnuDelete_Click();
    void mnuLaunch_Click();
    void mnuClose_Click();
    void cmdControl_Click(int index);

    // The listing as the last check or deletion left it.
    std::array<QListWidget*, 3> lMessages{};
    std::array<QLabel*, 2> Label1{};
    QProgressBar* Dstatus = nullptr;
    std::array<QPushButton*, 5> cmdControl{};
    QMenu* mnuFile = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void buildMenu();
    void showListing();
    void selectRowEverywhere(QListWidget* clicked, int row);
    void setColumnsEnabled(bool enabled);
    bool retrieveSelected(bool forReply);
    void fillComposer(int msgNo);
    void reportFailure(const QString& what, const QString& title, const QString& logText);
    QVector<int> rowsToDelete(int msgNo, bool several) const;
    QVector<int> removeOnServer(const QVector<int>& rows);
};
