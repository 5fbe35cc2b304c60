#include "memo/frmMemo.h"

#include "core/Ini.h"
#include "core/Logs.h"
#include "core/NamedWidget.h"
#include "core/OpenForUser.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "core/TextToBool.h"
#include "memo/MemoLog.h"
#include "memo/MemoLogQueue.h"
#include "memo/MemoProgram.h"
#include "memo/MemoText.h"
#include "memo/frmMemoSetup.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/MessageBoxes.h"
#include "tools/ToolsWiring.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr qsizetype kShownMemoChars = 32000;
const QString kReceived = QStringLiteral("Message Recevied");
const QString kTimeLeft = QStringLiteral("Time left to reply:");

QLabel* plainLabel(const char* name, const QString& text, QWidget* parent)
{
    auto* l = named<QLabel>(name, parent);
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    return l;
}

// The numeric value of a settings text, written back as text.
QString numberText(const QString& text)
{
    return QString::number(LeadingNumber(text), 'g', 15);
}

QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

} // namespace

frmMemo::frmMemo()
{
    setObjectName(QStringLiteral("frmMemo"));
    setWindowTitle(QStringLiteral("You Received a Memo"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_ShowWithoutActivating);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    auto* layout = new QVBoxLayout(this);
    auto* received = new QGroupBox(QStringLiteral("Memo Received"), this);
    auto* r = new QGridLayout(received);
    r->addWidget(plainLabel("lblFrom", QStringLiteral("From:"), received), 0, 0);
    txtName = named<QLineEdit>("txtName", received);
    txtName->setReadOnly(true);
    txtName->setFont(fixed);
    r->addWidget(txtName, 0, 1);
    lbltime = plainLabel("lbltime", QString(), received);
    r->addWidget(lbltime, 0, 2);
    txtMemo = named<QPlainTextEdit>("txtMemo", received);
    txtMemo->setReadOnly(true);
    txtMemo->setFont(fixed);
    r->addWidget(txtMemo, 1, 0, 1, 3);
    layout->addWidget(received);

    auto* replyFrame = new QGroupBox(QStringLiteral("Enter Your Reply Here"), this);
    auto* rl = new QVBoxLayout(replyFrame);
    txtReply = named<QPlainTextEdit>("txtReply", replyFrame);
    rl->addWidget(txtReply);
    layout->addWidget(replyFrame);

    auto* bottom = new QHBoxLayout;
    Label2 = plainLabel("Label2", kTimeLeft, this);
    txtTime = named<QLineEdit>("txtTime", this);
    txtTime->setReadOnly(true);
    txtTime->setMaximumWidth(60);
    Check1 = named<QCheckBox>("Check1", this);
    Check1->setText(QStringLiteral("Keep Window on Top"));
    cmd_Send = named<QPushButton>("cmd_Send", this);
    cmd_Send->setText(QStringLiteral("&Send"));
    cmd_Close = named<QPushButton>("cmd_Close", this);
    cmd_Close->setText(QStringLiteral("&Close"));
    bottom->addWidget(Label2);
    bottom->addWidget(txtTime);
    bottom->addWidget(Check1);
    bottom->addStretch();
    bottom->addWidget(cmd_Send);
    bottom->addWidget(cmd_Close);
    layout->addLayout(bottom);

    // Form_Load: a new window starts without a reply.
    Memo().globals.MemoReply.clear();
    const QString onTop = ReadIni(QStringLiteral("MemoServer"), QStringLiteral("OnTop"), QString()).left(128);
    if (!onTop.isEmpty()) {
        try {
            Check1->setChecked(TextToBool(onTop));
        } catch (const ProgramError&) {
            // An unreadable value leaves the box as designed.
        }
    }
    applyOnTop();
    lbltime->setText(
        QLocale::c().toString(platform::clock().now(), QStringLiteral("ddd MMM dd, yyyy  h:mm AP")));

    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(txtReply, &QPlainTextEdit::textChanged, this, [this] { txtReply_Change(); });
    connect(cmd_Send, &QPushButton::clicked, this, [this] { cmd_Send_Click(); });
    connect(cmd_Close, &QPushButton::clicked, this, [this] { cmd_Close_Click(); });
}

void frmMemo::present(const QString& timeoutText)
{
    const MemoGlobals& g = Memo().globals;
    setWindowTitle(QStringLiteral("You received a Memo from your ") + memo::shownText(g.MemoWebSite) +
                   QStringLiteral(" webpage."));
    txtTime->setText(numberText(timeoutText));
    txtMemo->setPlainText(memo::shownText(g.MemoText).left(kShownMemoChars));
    {
        // Emptying the box for a new memo is not the user typing.
        const QSignalBlocker quiet(txtReply);
        txtReply->clear();
    }
    txtName->setText(memo::shownText(g.MemoSender));
    // Modal windows would block this one.
    if (frmMemoSetup* setup = Memo().setupWindow(); setup && setup->isVisible())
        setup->hide();
    HideToolWindows();
    Label2->setText(kTimeLeft);
    Label2->setStyleSheet(QString());
    txtTime->show();
    show();
    const bool reply = g.ReplyWanted;
    Label2->setEnabled(reply);
    txtTime->setEnabled(reply);
    cmd_Send->setEnabled(reply);
    txtTime->setText(reply ? numberText(timeoutText) : QStringLiteral("00"));
}

void frmMemo::showCountdown(int seconds)
{
    txtTime->setText(QString::number(seconds));
}

void frmMemo::showRemoteClosed()
{
    const QString text = QStringLiteral("Error: Connection Closed by Remote");
    if (Label2->text() != text)
        Label2->setText(text);
    Label2->setStyleSheet(QStringLiteral("color: #800000;"));
    txtTime->hide();
}

void frmMemo::applyOnTop()
{
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, Check1->isChecked());
    // Changing the flags hides a shown window; bring it back where it was.
    if (wasVisible)
        show();
}

void frmMemo::Check1_Click()
{
    applyOnTop();
    if (!WriteIni(QStringLiteral("MemoServer"), QStringLiteral("OnTop"), BoolText(Check1->isChecked())))
        DebugLog(QStringLiteral("[MemoServer] Could not store the OnTop choice"));
}

void frmMemo::txtReply_Change()
{
    MemoGlobals& g = Memo().globals;
    g.ReplyTyping = true;
    g.ReplyCountdown = 9999;
    txtTime->hide();
    Label2->setText(QString());
}

void frmMemo::cmd_Send_Click()
{
    MemoGlobals& g = Memo().globals;
    g.ReplySent = true;
    if (txtReply->toPlainText().isEmpty())
        txtReply->setPlainText(kReceived);
    g.MemoReply = withCrLf(txtReply->toPlainText());
    Memo().memoLog().append(MemoLogReplyLine(memo::pageBytes(g.MemoReply)));
}

void frmMemo::cmd_Close_Click()
{
    hide();
    Memo().globals.MemoReply = kReceived;
}

void frmMemo::closeEvent(QCloseEvent* event)
{
    // The close box answers like Close: a waiting visitor is not left hanging.
    event->ignore();
    cmd_Close_Click();
}

void ViewMemoLog(QWidget* owner)
{
    const QString path = MemoLogPath();
    if (!QFile::exists(path)) {
        MsgBox(QStringLiteral("Error: File does Exist!"), platform::MsgButtons::Ok, platform::MsgIcon::None,
               kProgramName, owner);
        return;
    }
    OpenForUser(owner, path);
}
