#include "core/Form1.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/MainWindowParts.h"
#include "core/MenuBuilder.h"
#include "core/NamedWidget.h"
#include "core/ProgramError.h"
#include "core/StatusTray.h"
#include "core/frmAuto.h"
#include "core/frmDebug.h"
#include "platform/MessageBoxes.h"
#include "platform/TrayArea.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLineEdit* field(const char* name, const char* placeholder)
{
    auto* edit = named<QLineEdit>(name);
    edit->setPlaceholderText(QString::fromUtf8(placeholder));
    return edit;
}

QWidget* withButtons(QLineEdit* edit, std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    for (QPushButton* b : buttons) {
        if (b->text() == QLatin1String("..."))
            b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
        layout->addWidget(b);
    }
    return row;
}

// Palette colours 2 and 12 of the classic 16-colour table.
const char* const kOnlineColour = "#008000";
const char* const kOfflineColour = "#FF0000";

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Halvorn"));
    buildControls();
    BuildMainMenus(menuBar(), this);
    trayMenu_ = BuildTrayMenu(this);
    debugWindow_ = new frmDebug(this);
    autoWindow_ = new frmAuto(this);
    tray_ = MainWindowPartsInUse().makeTray(*this);
    platform::trayArea().setMouseHandler([this](int message) { trayMessage(message); });
    connectCoreActions();
}

Form1::~Form1()
{
    platform::trayArea().setMouseHandler(nullptr);
}

QAction* Form1::action(const QString& name) const
{
    return findChild<QAction*>(name);
}

void Form1::buildControls()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    SSPStatus = named<QLabel>("SSPStatus", QStringLiteral("Offline"));
    SSPStatus->setAlignment(Qt::AlignCenter);
    SSPStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont big = SSPStatus->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    SSPStatus->setFont(big);
    SSPStatus->setMinimumHeight(48);
    lbStatus = named<QLabel>("lbStatus");
    lbStatus->hide();
    layout->addWidget(SSPStatus);
    layout->addWidget(lbStatus);

    auto* profile = new QGroupBox(QStringLiteral("Web Server"));
    auto* form = new QFormLayout(profile);
    Combo1 = named<QComboBox>("Combo1");
    form->addRow(QStringLiteral("&Current Profile:"), Combo1);
    txtHost = field("txtHost", "ftp.example.net");
    txtlogin = field("txtlogin", "some user");
    txtPass = field("txtPass", "");
    txtPass->setEchoMode(QLineEdit::Password);
    txtDir = field("txtDir", "public_html");
    txtRemoteFile = field("txtRemoteFile", "online.html");
    File1 = field("File1", "on.html");
    File2 = field("File2", "off.html");
    txtHtml = field("txtHtml", "text editor (empty: desktop default)");
    Search1 = named<QPushButton>("Search1", QStringLiteral("..."));
    Search1->setToolTip(QStringLiteral("Select HTML file"));
    Search2 = named<QPushButton>("Search2", QStringLiteral("..."));
    Search2->setToolTip(QStringLiteral("Select HTML file"));
    cmd_Edit_0 = named<QPushButton>("cmd_Edit_0", QStringLiteral("Edit"));
    cmd_Edit_1 = named<QPushButton>("cmd_Edit_1", QStringLiteral("Edit"));
    cmd_change = named<QPushButton>("cmd_change", QStringLiteral("..."));
    cmd_change->setToolTip(QStringLiteral("Select HTML Editor"));
    form->addRow(QStringLiteral("FTP Server Name:"), txtHost);
    form->addRow(QStringLiteral("Login name:"), txtlogin);
    form->addRow(QStringLiteral("Password:"), txtPass);
    form->addRow(QStringLiteral("Remote Directory:"), txtDir);
    form->addRow(QStringLiteral("File Name:"), txtRemoteFile);
    form->addRow(QStringLiteral("Online &HTML:"), withButtons(File1, {Search1, cmd_Edit_0}));
    form->addRow(QStringLiteral("Offline H&TML:"), withButtons(File2, {Search2, cmd_Edit_1}));
    form->addRow(QStringLiteral("HTML E&ditor:"), withButtons(txtHtml, {cmd_change}));
    lastUpdate = named<QLabel>("lastUpdate", QStringLiteral("unknown"));
    form->addRow(QStringLiteral("Last updated on:"), lastUpdate);
    IP = named<QLabel>("IP");
    form->addRow(QStringLiteral("Address:"), IP);
    layout->addWidget(profile);

    auto* buttons = new QHBoxLayout;
    cmd_Online = named<QPushButton>("cmd_Online", QStringLiteral("Online"));
    cmd_Offline = named<QPushButton>("cmd_Offline", QStringLiteral("Offline"));
    cmdAbort = named<QPushButton>("cmdAbort", QStringLiteral("Abort"));
    cmdAbort->hide();
    cmd_Exit = named<QPushButton>("cmd_Exit", QStringLiteral("E&xit"));
    buttons->addWidget(cmd_Online);
    buttons->addWidget(cmd_Offline);
    buttons->addWidget(cmdAbort);
    buttons->addStretch();
    buttons->addWidget(cmd_Exit);
    layout->addLayout(buttons);

    FTPUpload = named<QProgressBar>("FTPUpload");
    FTPUpload->setRange(0, 100);
    FTPUpload->hide();
    layout->addWidget(FTPUpload);
    ftpStatus = named<QLabel>("ftpStatus", QStringLiteral("Status Bar"));
    ftpStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ftpStatus->setTextFormat(Qt::PlainText);
    // A long result (an upload's error, why the page lacks an address, a
    // file that could not be saved) wraps instead of widening the window.
    ftpStatus->setWordWrap(true);
    ftpStatus->setMinimumWidth(1);
    layout->addWidget(ftpStatus);
    // Mail has a panel of its own, so a check never overwrites a publish result.
    mailStatus = named<QLabel>("mailStatus");
    mailStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    mailStatus->setTextFormat(Qt::PlainText);
    // A long server reply must not widen the window.
    mailStatus->setMinimumWidth(1);
    mailStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    layout->addWidget(mailStatus);

    setCentralWidget(central);

    Timer2 = named<QTimer>("Timer2", this);
    Timer2->setInterval(30000);
    Timer3 = named<QTimer>("Timer3", this);
    Timer3->setInterval(1000);
}

void Form1::connectCoreActions()
{
    auto on = [this](const char* name, auto handler) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("mnuOnline1", [this] { cmd_Online_Click(); });
    on("mnuOnline", [this] { cmd_Online_Click(); });
    on("mnuOffline1", [this] { cmd_Offline_Click(); });
    on("mnuOffline", [this] { cmd_Offline_Click(); });
    on("mnuExit1", [this] { cmd_Exit_Click(); });
    on("mnuExit", [this] { cmd_Exit_Click(); });
    on("mnuAway", [this] { flipAway(action(QStringLiteral("mnuAway"))); });
    on("mnuAway2", [this] { flipAway(action(QStringLiteral("mnuAway2"))); });
    on("mnuOpen", [this] { TrapErrors("MnuOpen", [this] { tray_->restoreWindow(); }); });
    on("mnuMin", [this] {
        tray_->GoSystemTray();
        WriteIni(QStringLiteral("StartUp"), QStringLiteral("Systray"),
                 BoolText(action(QStringLiteral("mnuMin"))->isChecked()));
    });
    on("mnucredits", [this] {
        WriteIni(QStringLiteral("StartUp"), QStringLiteral("Credits"),
                 BoolText(action(QStringLiteral("mnucredits"))->isChecked()));
    });
    on("mnuDebug", [this] {
        debugWindow_->show();
        debugWindow_->raise();
    });
    on("mnuSelPro", [this] { autoWindow_->show(); });
    connect(cmd_Online, &QPushButton::clicked, this, [this] { cmd_Online_Click(); });
    connect(cmd_Offline, &QPushButton::clicked, this, [this] { cmd_Offline_Click(); });
    connect(cmd_Exit, &QPushButton::clicked, this, [this] { cmd_Exit_Click(); });
    connect(Combo1, &QComboBox::activated, this, [this] { combo1_Click(); });
    MainWindowPartsInUse().connectOptions(*this);
    // Each firing stops the timer: the address check runs once per arming.
    connect(Timer3, &QTimer::timeout, this, [this] {
        Timer3->stop();
        if (Hooks().addressCheck)
            Hooks().addressCheck();
    });
}

void Form1::flipAway(QAction* clicked)
{
    // Qt has already flipped the clicked item: its state is the new away mode.
    const bool away = clicked->isChecked();
    action(QStringLiteral("mnuAway"))->setChecked(away);
    action(QStringLiteral("mnuAway2"))->setChecked(away);
}

void Form1::startUp(const QString& commandLine)
{
    MainWindowPartsInUse().startUp(*this, commandLine);
}

void Form1::cmd_Online_Click()
{
    if (Hooks().uploadFile)
        Hooks().uploadFile(File1->text(), QStringLiteral("Online"));
    else
        DebugLog(QStringLiteral("[HVRN] Publishing is not available in this build"));
}

void Form1::cmd_Offline_Click()
{
    if (Hooks().uploadFile)
        Hooks().uploadFile(File2->text(), QStringLiteral("Offline"));
    else
        DebugLog(QStringLiteral("[HVRN] Publishing is not available in this build"));
}

void Form1::cmd_Exit_Click(ExitTrigger trigger)
{
    MainWindowPartsInUse().exit(*this, trigger);
}

void Form1::setStatusCaption(const QString& caption)
{
    if (lbStatus->text() == caption && SSPStatus->text() == shownStatus())
        return;
    lbStatus->setText(caption);
    refreshStatusDisplay();
}

QString Form1::statusCaption() const
{
    return lbStatus->text();
}

void Form1::setMailStatus(const QString& text)
{
    if (mailStatus->text() == text)
        return;
    mailStatus->setText(text);
    mailStatus->setToolTip(text);
    tray_->SysTrayMod();
}

void Form1::refreshStatusDisplay()
{
    tray_->SysTrayMod();
    const QString caption = lbStatus->text();
    const bool online = caption == QLatin1String("Online") && presenceCaption_.isEmpty();
    SSPStatus->setStyleSheet(
        QStringLiteral("color: %1;").arg(QLatin1String(online ? kOnlineColour : kOfflineColour)));
    SSPStatus->setText(shownStatus());
    setWindowTitle(presenceCaption_.isEmpty() ? QStringLiteral("Halvorn")
                                              : QStringLiteral("Halvorn - ") + presenceCaption_);
}

void Form1::setPresenceCaption(const QString& caption)
{
    if (presenceCaption_ == caption)
        return;
    presenceCaption_ = caption;
    refreshStatusDisplay();
}

QString Form1::shownStatus() const
{
    return presenceCaption_.isEmpty() ? lbStatus->text() : presenceCaption_;
}

void Form1::selectProfile(const QString& name)
{
    const int index = Combo1->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0)
        Combo1->setCurrentIndex(index);
    combo1_Click();
}

void Form1::combo1_Click()
{
    emit profileLoading();
    const QString name = Combo1->currentText();
    if (!name.isEmpty())
        MainWindowPartsInUse().loadProfile(*this, name);
}

void Form1::trayMessage(int message)
{
    if (inTrayEvent_)
        return;
    inTrayEvent_ = true;
    TrapErrors("form1 MouseMove", [&] {
        if (message == platform::kTrayLeftDoubleClick) {
            tray_->restoreWindow();
        } else if (message == platform::kTrayRightButtonUp) {
            trayMenu_->exec(QCursor::pos() - QPoint(trayMenu_->sizeHint().width() / 2, 0));
        }
    });
    inTrayEvent_ = false;
}

void Form1::endProgram()
{
    ended_ = true;
    hide();
    emit programEnded(Core().ExitCode);
    QCoreApplication::exit(Core().ExitCode);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // The exit procedure ends the program; the close itself is always refused.
    event->ignore();
    if (ended_) {
        event->accept();
        return;
    }
    platform::trayArea().remove();
    if (!exiting_)
        cmd_Exit_Click();
}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        tray_->windowStateChanged();
}
