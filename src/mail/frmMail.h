#pragma once

#include "mail/MimeMessage.h"

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QWidget;
class QFrame;
class AttachmentList;

// The composer "New Mail" / "Send Mail" / "Send New Mail" / "Email Author":
// reads a message fetched by the mailbox window, answers it, or writes a
// new one, and sends it over SMTP with the live mail settings.
class frmMail : public QWidget {
    Q_OBJECT

  public:
    frmMail();
    ~frmMail() override;

    // Shows a message to read: sender, date, subject, text, attachments.
    // Replies and "Add Address" use its parsed addresses and ids.
    void showMessage(const MimeMessage& message);
    const MimeMessage& shownMessage() const { return message_; }

    // Mode changes.
    void Read();
    void Reply();
    void QuoteReply();
    // The send routine: true when the message went out.
    bool SendMessage();

    // Buttons 0..6: Send, Reply, Delete, Add Address, Close, Save, ">>>".
    void cmdControl_Click(int index);
    // Address book icons: 0 fills "To:", 1 "Copy:".
    void Image1_Click(int index);

    // The key (unique id) of the message shown, handed over by ReadMessage:
    // Delete acts on that message wherever the mailbox has moved it.
    QByteArray MailMsgKey;

    QWidget* Picture1 = nullptr;
    QLabel* lblFrom = nullptr;
    QLabel* lblSubject = nullptr;
    QLabel* lblDate = nullptr;
    QLineEdit* SendTo = nullptr;
    QLineEdit* CopyTo = nullptr;
    QLineEdit* Subject = nullptr;
    std::array<QLabel*, 3> lblGeneric{};
    std::array<QLabel*, 2> Image1{};
    std::array<QToolButton*, 2> cmdAddressBook{};
    QPlainTextEdit* MessageText = nullptr;
    AttachmentList* Attachments = nullptr;
    QLabel* SmtpStatus = nullptr;
    std::array<QPushButton*, 7> cmdControl{};
    std::array<QFrame*, 3> Underline{};

    // Hides the window and unloads it (destroyed once the event that asked
    // for it has finished).
    void unload();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildHeaderPanel();
    void buildComposePanel();
    void buildButtons();
    void connectControls();
    void showComposeView(bool compose);
    bool captionIs(const char* caption) const;
    void sendClicked();
    void deleteClicked();
    void addAddressClicked();
    void closeClicked();
    void saveClicked();
    void headersClicked();

    QWidget* composePanel_ = nullptr;
    MimeMessage message_;
};

// The main window's Email > Send New and the tray's Send New.
void SendNewMail();
