#include "mail/frmPop3.h"

#include "core/Logs.h"
#include "core/ProgramError.h"
#include "mail/MailCheck.h"
#include "mail/MailLaunch.h"
#include "mail/MailListModel.h"
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
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace {

const QString kCheckRunning =
    QStringLiteral("The mailbox is being checked. Please try again when the check has finished.");
const QString kMessageGone = QStringLiteral("This message is no longer on the server");
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
    listModel = new MailListModel(this);
    sortedList = new QSortFilterProxyModel(this);
    sortedList->setSourceModel(listModel);
    sortedList->setSortRole(MailListModel::SortRole);
    lMessages = new QTableView;
    lMessages->setObjectName(QStringLiteral("lMessages"));
    lMessages->setModel(sortedList);
    lMessages->setSelectionBehavior(QAbstractItemView::SelectRows);
    lMessages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lMessages->setSortingEnabled(true);
    lMessages->sortByColumn(-1, Qt::AscendingOrder); // server order until a heading is clicked
    lMessages->setWordWrap(false);
    lMessages->setShowGrid(false);
    lMessages->verticalHeader()->hide();
    // Fixed row heights: the view never measures thousands of rows.
    lMessages->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lMessages->verticalHeader()->setDefaultSectionSize(lMessages->fontMetrics().height() + 6);
    lMessages->horizontalHeader()->setStretchLastSection(true);
    lMessages->horizontalHeader()->resizeSection(MailListModel::FromColumn, 190);
    lMessages->horizontalHeader()->resizeSection(MailListModel::DateColumn, 210);
    lMessages->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lMessages, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { mnuFile->popup(lMessages->viewport()->mapToGlobal(at)); });
    connect(lMessages, &QAbstractItemView::doubleClicked, this, &frmPop3::mnuRead_Click);
    layout->addWidget(lMessages);
    Label1[0] = new QLabel; // the column names are the table's headings now
    Label1[0]->hide();
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
// server and are only ever shown as plain, decoded text. A new listing keeps
// the selection of the messages still in it.
void frmPop3::showListing()
{
    const QVector<QByteArray> selected = selectedKeys();
    listModel->setListing(check().listing());
    selectKeys(selected);
}

QVector<QByteArray> frmPop3::selectedKeys() const
{
    QVector<int> rows;
    for (const QModelIndex& index : lMessages->selectionModel()->selectedRows())
        rows.append(sortedList->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    QVector<QByteArray> keys;
    for (int row : rows)
        keys.append(listModel->keyAt(row));
    return keys;
}

void frmPop3::selectKeys(const QVector<QByteArray>& keys)
{
    QItemSelection selection;
    QModelIndex current;
    for (const QByteArray& key : keys) {
        const int row = listModel->rowOfKey(key);
        if (row < 0)
            continue;
        current = sortedList->mapFromSource(listModel->index(row, 0));
        selection.select(current, current.siblingAtColumn(MailListModel::ColumnCount - 1));
    }
    QItemSelectionModel* model = lMessages->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current.isValid())
        model->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

// The message Read and Reply act on: the current row, when selected.
const ListingRow* frmPop3::selectedRow() const
{
    const QModelIndex current = lMessages->selectionModel()->currentIndex();
    if (!current.isValid() || !lMessages->selectionModel()->isRowSelected(current.row(), {}))
        return nullptr;
    const QByteArray key = listModel->keyAt(sortedList->mapToSource(current).row());
    for (const ListingRow& row : check().listing())
        if (row.Key == key)
            return &row;
    return nullptr;
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
    lMessages->setEnabled(true);
}

// Reading and deleting use the client the check uses: while a check runs
// they are refused with a word, never queued behind it.
bool frmPop3::refuseWhileChecking()
{
    if (!check().busy())
        return false;
    MsgBox(kCheckRunning, platform::MsgButtons::Ok, platform::MsgIcon::Information,
           QStringLiteral("Mail check running"), this);
    return true;
}

void frmPop3::tellGone(const QVector<QByteArray>& keys)
{
    if (keys.isEmpty())
        return;
    check().forgetDeleted(keys);
    const QString text =
        keys.size() == 1
            ? kMessageGone
            : QStringLiteral("%1 of these messages are no longer on the server").arg(keys.size());
    check().showListingFooter(text);
    MsgBox(text, platform::MsgButtons::Ok, platform::MsgIcon::Information, QStringLiteral("Email Notify"),
           this);
}

bool frmPop3::ReadMessage(bool forReply)
{
    if (refuseWhileChecking())
        return false;
    Found found = Found::Failed;
    {
        WaitCursor wait;
        check().showListingFooter(QStringLiteral("Please Wait.. Retrieving Message."));
        check().ownFailures(true);
        found = retrieveSelected(forReply);
        Dstatus->hide();
        check().ShowProgress = false;
    }
    if (found == Found::Read) {
        check().showListingFooter();
        check().POP1().quit();
        check().ownFailures(false);
        return true;
    }
    if (found == Found::Gone) {
        check().POP1().quit();
        check().ownFailures(false);
        return false;
    }
    reportFailure(QStringLiteral("An error occurred while reading message."),
                  QStringLiteral("Message not read"),
                  QStringLiteral("[E-Mail] Unable to read message.. Error: "));
    return false;
}

frmPop3::Found frmPop3::retrieveSelected(bool forReply)
{
    MailCheck& c = check();
    platform::Pop3Client& pop = c.POP1();
    const ListingRow* selected = selectedRow();
    if (!selected) {
        c.recordError(err::kSubscript, QStringLiteral("No message is selected"));
        return Found::Failed;
    }
    const ListingRow row = *selected;
    if (!c.connectAndLogin(false))
        return Found::Failed;
    const int n = c.sync().locate(row);
    if (n < 0)
        return Found::Failed;
    if (n == 0) {
        tellGone({row.Key});
        return Found::Gone;
    }
    c.CurrentMsg = n;
    MailMessage& m = c.reading();
    m.reset(qint32(std::min<qint64>(pop.messageSize(n), INT32_MAX)));
    c.ShowProgress = true;
    Dstatus->setValue(0);
    Dstatus->show();
    if (!pop.retrieveWhole(n, m.Raw))
        return Found::Failed;
    QApplication::processEvents();
    const MailSettings& s = settings();
    const bool deleteNow = forReply ? s.chkDelOnReply : s.chkDelOnRead;
    if (deleteNow && !pop.remove(n))
        return Found::Failed;
    Mail().composer().MailMsgKey = row.Key;
    fillComposer(m);
    if (deleteNow) {
        pop.quit();
        if (pop.lastReply().startsWith(QLatin1String("+OK")))
            c.forgetDeleted({row.Key});
    }
    return Found::Read;
}

// The composer shows the message parsed whole: the text decoded and cut to
// a size a text box can take, the attachments listed.
void frmPop3::fillComposer(const MailMessage& m)
{
    MailGlobals& g = Mail().globals;
    g.Read = ParseMimeMessage(m.Raw);
    frmMail& composer = Mail().composer();
    composer.showMessage(g.Read);
    composer.show();
}

void frmPop3::mnuDelete_Click()
{
    const QVector<QByteArray> keys = selectedKeys();
    if (keys.isEmpty())
        return;
    if (settings().chkCfmDel &&
        MsgBox(QStringLiteral("Are you sure?"), platform::MsgButtons::YesNo, platform::MsgIcon::Information,
               keys.size() > 1 ? QStringLiteral("Deleting Messages From Server")
                               : QStringLiteral("Deleting Message From Server"),
               this) != platform::MsgAnswer::Yes)
        return;
    DeleteMessages(keys);
}

// Marks the messages deleted within one connection, each found again by its
// key, and returns the keys the server has removed once it said goodbye.
// Keys of messages already gone go to gone.
QVector<QByteArray> frmPop3::removeOnServer(const QVector<QByteArray>& keys, QVector<QByteArray>& gone)
{
    platform::Pop3Client& pop = check().POP1();
    QHash<QByteArray, const ListingRow*> rows;
    for (const ListingRow& row : check().listing())
        rows.insert(row.Key, &row);
    QVector<QByteArray> marked;
    for (const QByteArray& key : keys) {
        const ListingRow* row = rows.value(key);
        const int n = row ? check().sync().locate(*row) : 0;
        if (n == 0)
            gone.append(key);
        else if (n > 0 && pop.remove(n))
            marked.append(key);
        if (!pop.connected())
            break;
    }
    pop.quit();
    // The server removes marked messages only when it acknowledges QUIT.
    if (!pop.lastReply().startsWith(QLatin1String("+OK")))
        marked.clear();
    return marked;
}

bool frmPop3::DeleteMessages(const QVector<QByteArray>& keys)
{
    if (keys.isEmpty() || refuseWhileChecking())
        return false;
    QVector<QByteArray> removed, gone;
    {
        WaitCursor wait;
        lMessages->setEnabled(false);
        check().showListingFooter(QStringLiteral("Please Wait.. Deleting Message(s)"));
        check().ownFailures(true);
        if (check().connectAndLogin(false))
            removed = removeOnServer(keys, gone);
    }
    check().forgetDeleted(removed);
    tellGone(gone);
    if (removed.size() + gone.size() != keys.size()) {
        if (check().lastError().number == 0)
            check().recordError(err::kInternal, check().POP1().lastReply().left(200));
        reportFailure(QStringLiteral("An error occurred while deleting message."),
                      QStringLiteral("Message not deleted"),
                      QStringLiteral("[E-Mail] Unable to delete message.. Error: "));
        return false;
    }
    check().ownFailures(false);
    lMessages->setEnabled(true);
    if (removed.isEmpty())
        return false;
    check().showListingFooter(QStringLiteral("Message(s) Deleted."));
    if (settings().chkSound[2])
        PlaySoundFile(settings().txtSound[2]);
    return true;
}
