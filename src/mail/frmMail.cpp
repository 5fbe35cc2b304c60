#include "mail/frmMail.h"

#include "core/Form1.h"
#include "core/Logs.h"
#include "core/NamedWidget.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/SaveFile.h"
#include "mail/AddressBook.h"
#include "mail/AttachmentList.h"
#include "mail/MailProgram.h"
#include "mail/MailSender.h"
#include "mail/MailSettings.h"
#include "mail/MailText.h"
#include "mail/QuoteText.h"
#include "mail/WaitCursor.h"
#include "mail/frmAddAddress.h"
#include "mail/frmPop3.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kNewMail = "New Mail";
const char* const kSendMail = "Send Mail";
const char* const kSendNewMail = "Send New Mail";
const char* const kEmailAuthor = "Email Author";
const QString kShowHeaders = QStringLiteral(">>>");
const QString kShowBody = QStringLiteral("<<<");

QLabel* textLabel(const QString& text, QWidget* parent, const QString& name = QString())
{
    auto* label = named<QLabel>(name, parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QString indexed(const char* base, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(index);
}

MailSettings& settings()
{
    return Mail().settings();
}

} // namespace

frmMail::frmMail()
{
    setObjectName(QStringLiteral("frmMail"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QString::fromLatin1(kNewMail));
    // A hovered button shows its caption in blue, the others stay black.
    setStyleSheet(
        QStringLiteral("QPushButton:enabled { color: black; } QPushButton:enabled:hover { color: blue; }"));

    auto* layout = new QVBoxLayout(this);
    buildHeaderPanel();
    buildComposePanel();
    layout->addWidget(Picture1);
    layout->addWidget(composePanel_);
    MessageText = named<QPlainTextEdit>(QStringLiteral("MessageText"), this);
    MessageText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(MessageText, 1);
    Attachments = new AttachmentList(this);
    layout->addWidget(Attachments);
    buildButtons();
    SmtpStatus = textLabel(QString(), this, QStringLiteral("SmtpStatus"));
    SmtpStatus->setToolTip(QStringLiteral("Status Bar"));
    SmtpStatus->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(SmtpStatus);
    composePanel_->hide();
    connectControls();

    resize(640, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmMail::~frmMail() = default;

void frmMail::buildHeaderPanel()
{
    Picture1 = named<QFrame>(QStringLiteral("Picture1"), this);
    auto* grid = new QGridLayout(Picture1);
    grid->setContentsMargins(0, 0, 0, 0);
    const char* captions[] = {"From:", "Subject:", "Date:", "Headers:"};
    for (int row = 0; row < 4; ++row)
        grid->addWidget(textLabel(QString::fromLatin1(captions[row]), Picture1), row, 0);
    lblFrom = textLabel(QString(), Picture1, QStringLiteral("lblFrom"));
    lblSubject = textLabel(QString(), Picture1, QStringLiteral("lblSubject"));
    lblDate = textLabel(QString(), Picture1, QStringLiteral("lblDate"));
    for (int row = 0; QLabel * value : {lblFrom, lblSubject, lblDate}) {
        // A sender's endless header must not stretch the window.
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        grid->addWidget(value, row++, 1);
    }
    cmdControl[6] = named<QPushButton>(indexed("cmdControl", 6), Picture1);
    cmdControl[6]->setText(kShowHeaders);
    grid->addWidget(cmdControl[6], 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
}

void frmMail::buildComposePanel()
{
    composePanel_ = new QWidget(this);
    auto* grid = new QGridLayout(composePanel_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(0);
    const char* captions[] = {"To:", "Copy:", "Subject:"};
    SendTo = named<QLineEdit>(QStringLiteral("SendTo"), composePanel_);
    CopyTo = named<QLineEdit>(QStringLiteral("CopyTo"), composePanel_);
    Subject = named<QLineEdit>(QStringLiteral("Subject"), composePanel_);
    const std::array<QLineEdit*, 3> fields{SendTo, CopyTo, Subject};
    for (int i = 0; i < 3; ++i) {
        lblGeneric[i] = textLabel(QString::fromLatin1(captions[i]), composePanel_, indexed("lblGeneric", i));
        Underline[i] = named<QFrame>(indexed("Underline", i), composePanel_);
        Underline[i]->setFrameShape(QFrame::HLine);
        grid->addWidget(lblGeneric[i], 2 * i, 0);
        grid->addWidget(fields[i], 2 * i, 1);
        grid->addWidget(Underline[i], 2 * i + 1, 0, 1, 4);
        fields[i]->installEventFilter(this);
    }
    const QIcon book = style()->standardIcon(QStyle::SP_FileDialogContentsView);
    for (int i = 0; i < 2; ++i) {
        // The picture and the button beside it both open the address book.
        Image1[i] = named<QLabel>(indexed("Image1", i), composePanel_);
        Image1[i]->setPixmap(book.pixmap(16, 16));
        Image1[i]->setToolTip(QStringLiteral("Address Book"));
        Image1[i]->installEventFilter(this);
        cmdAddressBook[i] = named<QToolButton>(indexed("cmdAddressBook", i), composePanel_);
        cmdAddressBook[i]->setIcon(book);
        cmdAddressBook[i]->setToolTip(QStringLiteral("Address Book"));
        grid->addWidget(Image1[i], 2 * i, 2);
        grid->addWidget(cmdAddressBook[i], 2 * i, 3);
    }
}

void frmMail::buildButtons()
{
    const char* captions[] = {"&Send", "&Reply", "&Delete", "&Add Address", "&Close", "Sa&ve"};
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        cmdControl[i] = named<QPushButton>(indexed("cmdControl", i), this);
        cmdControl[i]->setText(QString::fromLatin1(captions[i]));
        row->addWidget(cmdControl[i]);
    }
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void frmMail::connectControls()
{
    for (int i = 0; i < 7; ++i)
        connect(cmdControl[i], &QPushButton::clicked, this, [this, i] { cmdControl_Click(i); });
    for (int i = 0; i < 2; ++i)
        connect(cmdAddressBook[i], &QToolButton::clicked, this, [this, i] { Image1_Click(i); });
    // Enter walks To -> Copy -> Subject -> the text.
    connect(SendTo, &QLineEdit::returnPressed, CopyTo, [this] { CopyTo->setFocus(); });
    connect(CopyTo, &QLineEdit::returnPressed, Subject, [this] { Subject->setFocus(); });
    connect(Subject, &QLineEdit::returnPressed, MessageText, [this] { MessageText->setFocus(); });
}

bool frmMail::eventFilter(QObject* watched, QEvent* event)
{
    // A field entered by click or key shows its whole text selected; the
    // click that gave the focus would otherwise place the caret afterwards.
    if (event->type() == QEvent::FocusIn)
        if (auto* field = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, field, &QLineEdit::selectAll);
    if (event->type() == QEvent::MouseButtonRelease)
        for (int i = 0; i < 2; ++i)
            if (watched == Image1[i]) {
                Image1_Click(i);
                return true;
            }
    return QWidget::eventFilter(watched, event);
}

void frmMail::closeEvent(QCloseEvent* event)
{
    event->accept();
    unload();
}

void frmMail::unload()
{
    hide();
    if (Mail().composerIfLoaded() == this)
        Mail().unloadComposer();
}

bool frmMail::captionIs(const char* caption) const
{
    return windowTitle() == QLatin1String(caption);
}

void frmMail::showComposeView(bool compose)
{
    Picture1->setVisible(!compose);
    for (QLabel* label : {lblFrom, lblSubject, lblDate})
        label->setVisible(!compose);
    composePanel_->setVisible(compose);
}

void frmMail::showMessage(const MimeMessage& message)
{
    message_ = message;
    lblFrom->setText(message.from);
    lblDate->setText(message.date);
    lblSubject->setText(message.subject);
    MessageText->setPlainText(message.text);
    MessageText->moveCursor(QTextCursor::Start);
    cmdControl[6]->setText(kShowHeaders);
    Attachments->setAttachments(message.attachments);
}

void frmMail::Read()
{
    cmdControl[0]->setEnabled(false);
    cmdControl[1]->setEnabled(true);
    // A message deleted on reading is no longer on the server.
    cmdControl[2]->setEnabled(!settings().chkDelOnRead);
    cmdControl[3]->setEnabled(true);
    showComposeView(false);
}

void frmMail::Reply()
{
    cmdControl[0]->setEnabled(true);
    cmdControl[1]->setEnabled(false);
    cmdControl[3]->setEnabled(false);
    // Nothing to delete without a message read from the server.
    cmdControl[2]->setEnabled(!settings().chkDelOnReply && !captionIs(kNewMail) && !MailMsgKey.isEmpty());
    Picture1->hide();
    if (cmdControl[6]->text() == kShowBody)
        headersClicked(); // the text is quoted, not the headers
    // The parsed reply addresses: a decoded name never adds a recipient.
    SendTo->setText(message_.replyField());
    Attachments->hide();
    if (!captionIs(kEmailAuthor)) {
        setWindowTitle(QString::fromLatin1(kSendMail));
        Subject->setText(ReplySubject(lblSubject->text()));
        QPointer<frmMail> self(this);
        QuoteReply();
        if (!self)
            return;
    }
    showComposeView(true);
}

void frmMail::QuoteReply()
{
    MessageText->setEnabled(false);
    SmtpStatus->setText(QStringLiteral("Please Wait.."));
    const WaitCursor hourglass;
    QPointer<frmMail> self(this);
    const QString original = MessageText->toPlainText();
    const auto pump = [] { QCoreApplication::processEvents(); };
    std::optional<QString> quoted = QuoteThroughFile(original, ProgramFile(QStringLiteral("Mail.Tmp")), pump);
    if (!quoted) {
        DebugLog(QStringLiteral("[E-Mail] Could not use Mail.Tmp; the reply is quoted in memory"));
        quoted = QuoteLines(original, pump);
    }
    if (!self)
        return;
    MessageText->setPlainText(QuoteHeading(lblDate->text()) + *quoted);
    MessageText->setEnabled(true);
    SmtpStatus->clear();
}

bool frmMail::SendMessage()
{
    SmtpStatus->setText(QStringLiteral("Please Wait... Sending Message"));
    if (SendTo->text().trimmed().isEmpty()) {
        MsgBox(QStringLiteral("Please complete the 'To:' field before sending."), platform::MsgButtons::Ok,
               platform::MsgIcon::Information, kProgramName, this);
        SmtpStatus->clear();
        return false;
    }
    QPointer<frmMail> self(this);
    SendOutcome outcome;
    {
        const WaitCursor hourglass;
        const MailSettings& live = settings();
        OutgoingMail mail;
        mail.userName = live.txtUserName;
        mail.returnAddress = live.txtReturnAddress;
        mail.to = SendTo->text();
        mail.copy = CopyTo->text();
        mail.subject = Subject->text();
        mail.text = MessageText->toPlainText() + QLatin1String("\r\n") + ReadSignature(live.txtSig);
        if (captionIs(kSendMail)) { // an answer keeps the thread
            mail.inReplyTo = message_.messageId;
            mail.references = message_.replyReferences();
        }
        outcome = SendOutgoingMail(mail, live);
    }
    // The program may have closed the window while the server was busy.
    if (!self)
        return outcome.sent;
    if (outcome.sent) {
        SmtpStatus->setText(QStringLiteral("Message Sent"));
        return true;
    }
    const QString error = QStringLiteral("%1: %2").arg(outcome.number).arg(outcome.description);
    MsgBox(QStringLiteral("An error occurred while sending message.\r\nError ") + error,
           platform::MsgButtons::Ok, platform::MsgIcon::Information, QStringLiteral("Message not sent"),
           this);
    DebugLog(QStringLiteral("[E-Mail] Unable to send message.. Error: ") + error);
    SmtpStatus->setText(QStringLiteral("Error: Unable to send message"));
    return false;
}

void frmMail::cmdControl_Click(int index)
{
    TrapErrors("frmMail cmdControl_Click", [this, index] {
        switch (index) {
        case 0:
            sendClicked();
            break;
        case 1:
            Reply();
            break;
        case 2:
            deleteClicked();
            break;
        case 3:
            addAddressClicked();
            break;
        case 4:
            closeClicked();
            break;
        case 5:
            saveClicked();
            break;
        case 6:
            headersClicked();
            break;
        default:
            break;
        }
    });
}

void frmMail::sendClicked()
{
    QPointer<frmMail> self(this);
    setEnabled(false);
    const bool sent = SendMessage();
    if (!self)
        return;
    setEnabled(true);
    if (!sent)
        return;
    if (settings().ChkCfmMsgSent)
        MsgBox(QStringLiteral("Message sent successfully"), platform::MsgButtons::Ok, platform::MsgIcon::None,
               kProgramName, this);
    unload();
}

void frmMail::deleteClicked()
{
    if (settings().chkCfmDel &&
        MsgBox(QStringLiteral("Are you sure?"), platform::MsgButtons::YesNo, platform::MsgIcon::Information,
               QStringLiteral("Deleting Messages From Server"), this) != platform::MsgAnswer::Yes)
        return;
    QPointer<frmMail> self(this);
    setEnabled(false);
    SmtpStatus->setText(QStringLiteral("Please Wait... Deleting Message."));
    const bool deleted = Mail().mailbox().DeleteMessages({MailMsgKey});
    if (!self)
        return;
    SmtpStatus->setText(deleted ? QStringLiteral("Message deleted.")
                                : QStringLiteral("Error: Unable to delete message"));
    setEnabled(true);
    // The message is gone: there is nothing left here to delete.
    if (deleted) {
        MailMsgKey.clear();
        cmdControl[2]->setEnabled(false);
    }
}

void frmMail::addAddressClicked()
{
    if (message_.sender.isEmpty()) {
        SmtpStatus->setText(QStringLiteral("No sender address to add"));
        return;
    }
    AddressBook::Append(message_.sender.first().fieldText());
    SmtpStatus->setText(QStringLiteral("Address Added to AddressBook"));
}

void frmMail::closeClicked()
{
    if (!captionIs(kSendNewMail) && !captionIs(kEmailAuthor))
        Mail().mailbox().show();
    unload();
}

void frmMail::saveClicked()
{
    const QString path = ShowSaveDialog(this, QStringLiteral("*.*"), QStringLiteral("Save message as"),
                                        ProgramDir(), QStringLiteral("mail.txt"));
    if (path.isEmpty())
        return;
    const QString text = QStringLiteral("From: ") + lblFrom->text() + QStringLiteral("\nSubject: ") +
                         lblSubject->text() + QStringLiteral("\nDate: ") + lblDate->text() +
                         QStringLiteral("\n\n") + MessageText->toPlainText();
    SaveUserFile(path, CrLfBytes(text));
}

void frmMail::headersClicked()
{
    // Both views come decoded from the parsed message, whatever its size.
    if (cmdControl[6]->text() == kShowHeaders) {
        MessageText->setPlainText(message_.headers);
        cmdControl[6]->setText(kShowBody);
    } else {
        MessageText->setPlainText(message_.text);
        cmdControl[6]->setText(kShowHeaders);
    }
}

void frmMail::Image1_Click(int index)
{
    TrapErrors("frmMail Image1_Click", [this, index] {
        QPointer<frmMail> self(this);
        const auto pick = [self](int target, const QString& line) {
            if (self)
                (target == 0 ? self->SendTo : self->CopyTo)->setText(line);
        };
        // Owned by this window while open, so it cannot outlive it.
        QPointer<frmAddAddress> book = new frmAddAddress(index, pick, this);
        book->exec();
        delete book.data();
    });
}
