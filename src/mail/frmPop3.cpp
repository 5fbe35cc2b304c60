#include "mail/frmPop3.h"

#include "core/Logs.h"
#include "core/ProgramError.h"
#include "mail/MailCheck.h"
#include "mail/MailLaunch.h"
#include "mail/MailProgram.h"
#include "mail/MailSettings.h"
#include "mail/MailText.h"
#include "mail/MailTrayIcon.h"
#include "mail/WaitCursor.h"
#include "mail/frmMail.h"
#include "platform/MessageBoxes.h"
#include "platform/Pop3Client.h"
#include "tools/Sounds.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kReadLineLimit = 1500;
constexpr int kMaxReadHeaders = 4500;
constexpr int kMaxShownBody = 45000;
const QByteArray kTooLong = "\r\n<--- Message Too Long to Display --->";
constexpr int kWhiteTextFrom = 48;

MailCheck& check()
{
    return Mail().check();
}
MailSettings& settings()
{
    return Mail().settings();
}

} // namespace

frmPop3::frmPop3()
{
    setObjectName(QStringLiteral("frmPop3"));
    setWindowTitle(QStringLiteral("Email Notify"));
    buildMenu();
    buildControls();
    MailCheck& c = check();
    connect(&c, &MailCheck::listingChanged, this, &frmPop3::showListing);
    connect(&c, &MailCheck::statusTextChanged, Label1[1], &QLabel::setText);
    connect(&c, &MailCheck::progressChanged, this, [this](int percent) {
        Dstatus->setValue(percent);
        Dstatus->setStyleSheet(percent >= kWhiteTextFrom ? QStringLiteral("color: white")
                                                         : QStringLiteral("color: black"));
    });
    connect(&c, &MailCheck::launchAvailable, this, [this](bool available) {
        cmdControl[0]->setEnabled(available);
        mnuFile->actions().at(4)->setEnabled(available);
    });
    const bool launchable = !settings().txtBrowser.isEmpty();
    cmdControl[0]->setEnabled(launchable);
    mnuFile->actions().at(4)->setEnabled(launchable);
    showListing();
    Label1[1]->setText(c.statusText());
}

frmPop3::~frmPop3() = default;

void frmPop3::buildMenu()
{
    mnuFile = new QMenu(QStringLiteral("&Mail"), this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    auto add = [this](const char* name, const char* text, void (frmPop3::*handler)()) {
        QAction* a = mnuFile->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
    };
    add("mnuRead", "&Read", &frmPop3::mnuRead_Click);
    add("mnuReply", "R&eply", &frmPop3::mnuReply_Click);
    add("mnuDelete", "&Delete", &frmPop3::mnuDelete_Click);
    mnuFile->addSeparator();
    add("mnuLaunch", "&Launch Email Reader", &frmPop3::mnuLaunch_Click);
    mnuFile->addSeparator();
    add("mnuClose", "&Close", &frmPop3::mnuClose_Click);
}

void frmPop3::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    Label1[0] = new QLabel(QStringLiteral(
        " From                                                Date                       Subject"));
    layout->addWidget(Label1[0]);
    auto* columns = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        lMessages[size_t(i)] = new QListWidget;
        QListWidget* list = lMessages[size_t(i)];
        list->setObjectName(QStringLiteral("lMessages_%1").arg(i));
        list->setSelectionMode(i == 0 ? QAbstractItemView::ExtendedSelection
                                      : QAbstractItemView::SingleSelection);
        list->viewport()->installEventFilter(this);
        connect(list, &QListWidget::itemClicked, this,
                [this, list](QListWidgetItem* item) { selectRowEverywhere(list, list->row(item)); });
        columns->addWidget(list, i == 2 ? 2 : 1);
    }
    layout->addLayout(columns);
    Label1[1] = new QLabel;
    Label1[1]->setTextFormat(Qt::PlainText);
    layout->addWidget(Label1[1]);
    Dstatus = new QProgressBar;
    Dstatus->setObjectName(QStringLiteral("Dstatus"));
    Dstatus->setRange(0, 100);
    Dstatus->hide();
    layout->addWidget(Dstatus);
    auto* buttons = new QHBoxLayout;
    const char* texts[] = {"&Launch Email Client", "&Delete", "R&eply", "&Read", "&Close"};
    for (int i = 0; i < 5; ++i) {
        cmdControl[size_t(i)] = new QPushButton(QString::fromLatin1(texts[i]));
        connect(cmdControl[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdControl_Click(i); });
        buttons->addWidget(cmdControl[size_t(i)]);
    }
    layout->addLayout(buttons);
    resize(640, 360);
}

// The list is a view over the check's listing; header texts come from the
// server and are only ever shown as plain, decoded text.
void frmPop3::showListing()
{
    for (QListWidget* list : lMessages)
        list->clear();
    for (const ListingRow& row : check().listing()) {
        lMessages[0]->addItem(DecodeHeaderValue(row.From));
        lMessages[1]->addItem(DecodeHeaderValue(row.Date));
        lMessages[2]->addItem(DecodeHeaderValue(row.Subject));
    }
}

// The clicked column keeps its own selection (several rows in the first).
void frmPop3::selectRowEverywhere(QListWidget* clicked, int row)
{
    for (QListWidget* list : lMessages) {
        if (list != clicked)
            list->setCurrentRow(row);
    }
}

bool frmPop3::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        for (QListWidget* list : lMessages) {
            if (watched == list->viewport())
                mnuFile->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmPop3::setColumnsEnabled(bool enabled)
{
    for (QListWidget* list : lMessages)
        list->setEnabled(enabled);
}

void frmPop3::cmdControl_Click(int index)
{
    switch (index) {
    case 0:
        return mnuLaunch_Click();
    case 1:
        return mnuDelete_Click();
    case 2:
        return mnuReply_Click();
    case 3:
        return mnuRead_Click();
    case 4:
        return mnuClose_Click();
    default:
        return;
    }
}

void frmPop3::mnuRead_Click()
{
    if (!ReadMessage(false))
        return;
    Mail().composer().Read();
    Mail().composer().show();
}

void frmPop3::mnuReply_Click()
{
    if (!ReadMessage(true))
        return;
    Mail().composer().Reply();
    Mail().composer().show();
}

void frmPop3::mnuLaunch_Click()
{
    LaunchMailClient(settings().txtBrowser, this);
}

void frmPop3::mnuClose_Click()
{
    hide();
    RemoveMailTrayIcon();
}

void frmPop3::closeEvent(QCloseEvent* event)
{
    // The window lives as long as the program: its close box only hides it.
    event->ignore();
    hide();
}

void frmPop3::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RemoveMailTrayIcon();
    QWidget::changeEvent(event);
}

void frmPop3::reportFailure(const QString& what, const QString& title, const QString& logText)
{
    const MailCheck::PopError e = check().lastError();
    const QString detail = QStringLiteral("%1: %2").arg(e.number).arg(e.description);
    check().showListingFooter(what);
    MsgBox(what + QStringLiteral("\r\nError ") + detail, platform::MsgButtons::Ok,
           platform::MsgIcon::Information, title, this);
    DebugLog(logText + detail);
    check().POP1().quit();
    check().ownFailures(false);
    setColumnsEnabled(true);
}

bool frmPop3::ReadMessage(bool forReply)
{
    WaitCursor wait;
    check().showListingFooter(QStringLiteral("Please Wait.. Retrieving Message."));
    check().ownFailures(true);
    const bool read = retrieveSelected(forReply);
    check().showListingFooter();
    if (read) {
        check().POP1().quit();
        check().ownFailures(false);
    } else {
        reportFailure(QStringLiteral("An error occurred while reading message."),
                      QStringLiteral("Message not read"),
                      QStringLiteral("[E-Mail] Unable to read message.. Error: "));
    }
    Dstatus->hide();
    check().ShowProgress = false;
    return read;
}

bool frmPop3::retrieveSelected(bool forReply)
{
    MailCheck& c = check();
    platform::Pop3Client& pop = c.POP1();
    if (!c.connectAndLogin(false))
        return false;
    const int row = lMessages[0]->currentRow();
    const int n = row + 1;
    c.CurrentMsg = n;
    Mail().composer().MailMsgNo = n;
    if (n < 1 || n > pop.messageCount()) {
        c.recordError(err::kSubscript,
                      QStringLiteral("No message is selected, or it is no longer on the server"));
        return false;
    }
    if (c.table().count() < n)
        c.table().resize(n);
    c.table()[n].reset(qint32(std::min<qint64>(pop.messageSize(n), INT32_MAX)));
    pop.lineLimit = kReadLineLimit;
    c.ShowProgress = true;
    Dstatus->setValue(0);
    Dstatus->show();
    if (!pop.retrieve(n))
        return false;
    QApplication::processEvents();
    const MailSettings& s = settings();
    const bool deleteNow = forReply ? s.chkDelOnReply : s.chkDelOnRead;
    if (deleteNow && !pop.remove(n))
        return false;
    fillComposer(n);
    if (deleteNow) {
        pop.quit();
        if (pop.lastReply().startsWith(QLatin1String("+OK")))
            c.forgetDeleted({row});
    }
    return true;
}

// The composer shows the message parsed whole: the text decoded and cut to
// a size a text box can take, the attachments listed.
void frmPop3::fillComposer(int msgNo)
{
    const MailMessage& m = check().table()[msgNo];
    // Until reading retrieves the whole message, it is put together from
    // the header and body lines received.
    const QByteArray raw = m.Raw.isEmpty() ? m.Headers + "\r\n" + m.Body : m.Raw;
    MailGlobals& g = Mail().globals;
    g.Read = ParseMimeMessage(raw);
    frmMail& composer = Mail().composer();
    composer.showMessage(g.Read);
    composer.show();
}

void frmPop3::mnuDelete_Click()
{
    const int row = lMessages[0]->currentRow();
    if (row < 0 || lMessages[0]->item(row)->text().isEmpty())
        return;
    const bool several = lMessages[0]->selectedItems().size() > 1;
    if (settings().chkCfmDel &&
        MsgBox(QStringLiteral("Are you sure?"), platform::MsgButtons::YesNo, platform::MsgIcon::Information,
               several ? QStringLiteral("Deleting Messages From Server")
                       : QStringLiteral("Deleting Message From Server"),
               this) != platform::MsgAnswer::Yes)
        return;
    DeleteMessage(row + 1, several);
}

QVector<int> frmPop3::rowsToDelete(int msgNo, bool several) const
{
    QVector<int> rows;
    if (!several)
        return {msgNo - 1};
    for (int i = 0; i < lMessages[0]->count(); ++i) {
        if (lMessages[0]->item(i)->isSelected())
            rows.append(i);
    }
    return rows;
}

// Marks the rows' messages deleted within one connection, so the numbering
// holds, and returns the rows the server has removed once it said goodbye.
QVector<int> frmPop3::removeOnServer(const QVector<int>& rows)
{
    platform::Pop3Client& pop = check().POP1();
    QVector<int> marked;
    for (int row : rows) {
        check().CurrentMsg = row + 1;
        if (pop.remove(row + 1))
            marked.append(row);
        else if (!pop.connected())
            break;
    }
    pop.quit();
    // The server removes marked messages only when it acknowledges QUIT.
    if (!pop.lastReply().startsWith(QLatin1String("+OK")))
        marked.clear();
    return marked;
}

bool frmPop3::DeleteMessage(int msgNo, bool several)
{
    const QVector<int> rows = rowsToDelete(msgNo, several);
    QVector<int> gone;
    {
        WaitCursor wait;
        setColumnsEnabled(false);
        check().showListingFooter(QStringLiteral("Please Wait.. Deleting Message(s)"));
        check().ownFailures(true);
        if (check().connectAndLogin(false))
            gone = removeOnServer(rows);
    }
    check().forgetDeleted(gone);
    if (gone.size() != rows.size() || rows.isEmpty()) {
        if (check().lastError().number == 0)
            check().recordError(err::kInternal, check().POP1().lastReply().left(200));
        reportFailure(QStringLiteral("An error occurred while deleting message."),
                      QStringLiteral("Message not deleted"),
                      QStringLiteral("[E-Mail] Unable to delete message.. Error: "));
        return false;
    }
    check().ownFailures(false);
    setColumnsEnabled(true);
    check().showListingFooter(QStringLiteral("Message(s) Deleted."));
    if (settings().chkSound[2])
        PlaySoundFile(settings().txtSound[2]);
    return true;
}
