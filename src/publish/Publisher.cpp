#include "publish/Publisher.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Encrypt.h"
#include "core/ExitProcedure.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Loaders.h"
#include "core/Logs.h"
#include "core/MemoSettingsView.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "publish/AddressLookup.h"
#include "publish/PageFile.h"
#include "publish/Profiles.h"
#include "publish/PublicAddress.h"
#include "tools/Sounds.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>

namespace publish {
namespace {

Publisher* g_current = nullptr;

void beep()
{
    AlertBeep();
}

bool isPageTemplate(const QString& path)
{
    const QString name = path.trimmed().toLower();
    return name.endsWith(QLatin1String("htm")) || name.endsWith(QLatin1String("html")) ||
           name.endsWith(QLatin1String("txt"));
}

} // namespace

Publisher* CurrentPublisher()
{
    return g_current;
}

Publisher::Publisher(Form1& form) : QObject(&form), form_(form)
{
    setObjectName(QStringLiteral("Publisher"));
    g_current = this;
    using platform::FtpClient;
    connect(&FTP1, &FtpClient::PITrail, this, &Publisher::FTP1_PITrail);
    connect(&FTP1, &FtpClient::StartTransfer, this, &Publisher::FTP1_StartTransfer);
    connect(&FTP1, &FtpClient::Transfer, this, &Publisher::FTP1_Transfer);
    connect(&FTP1, &FtpClient::EndTransfer, this, &Publisher::FTP1_EndTransfer);
    connect(&FTP1, &FtpClient::Error, this, &Publisher::FTP1_Error);
    connect(&FTP1, &FtpClient::TransferConfirmed, this, [this] { TransferDone = true; });
    FTP1.confirmHostKey = [this](const QString& fingerprint) {
        hostKeyRefused_ =
            MsgBox(QStringLiteral("The server %1 is not known yet. Its host key is\r\n%2\r\n\r\n"
                                  "Accept this key for the profile \"%3\"?")
                       .arg(profile_.host, fingerprint, profileName()),
                   platform::MsgButtons::YesNo, platform::MsgIcon::Question, kProgramName,
                   &form_) != platform::MsgAnswer::Yes;
        return !hostKeyRefused_;
    };
}

Publisher::~Publisher()
{
    if (g_current == this)
        g_current = nullptr;
}

void Publisher::takeProfile()
{
    profile_ = {form_.Combo1->currentText(), form_.txtHost->text().trimmed(),
                form_.txtlogin->text(),      form_.txtPass->text(),
                form_.txtDir->text(),        form_.txtRemoteFile->text()};
}

void Publisher::lockProfileCommands(bool locked)
{
    form_.Combo1->setEnabled(!locked);
    for (const char* name : {"mnuadd", "mnudel", "mnuSave"})
        MainAction(form_, name)->setEnabled(!locked);
}

void Publisher::UploadFile(const QString& path, const QString& status)
{
    if (uploading_) {
        // Started from an event that arrived while an upload waits: the
        // running upload keeps the window's controls and the client.
        tell(QStringLiteral("FTP is busy currently preforming a operation"));
        return;
    }
    outcome_ = Outcome::None;
    reason_.clear();
    uploading_ = true;
    // Right after start-up the keyring's answer may still be on its way.
    WaitForStoredPasswords();
    takeProfile();
    const bool ok = TrapErrors("UploadFile", [&] { upload(path, status); });
    if (!ok) {
        // An unexpected error must not leave the window stuck mid-upload.
        closeConnection();
        restoreControls();
        stop(Outcome::Failed, QStringLiteral("unexpected error, see error.log"));
    }
    uploading_ = false;
    finishOneShot();
}

void Publisher::finishOneShot()
{
    if (!Core().ExitAfterUpload || form_.exiting())
        return;
    const bool published = outcome_ == Outcome::Published;
    Core().ExitCode = published ? 0 : 1;
    if (!published) {
        const QString why = reason_.isEmpty() ? QStringLiteral("the page was not published") : reason_;
        std::fprintf(stderr, "halvorn: %s\n", why.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    form_.cmd_Exit_Click();
}

void Publisher::stop(Outcome outcome, const QString& reason)
{
    if (outcome_ == Outcome::None || outcome_ == Outcome::Published)
        outcome_ = outcome;
    if (reason_.isEmpty())
        reason_ = reason;
}

void Publisher::tell(const QString& text)
{
    // A one-shot run has no one to answer a box: the reason goes to stderr.
    if (Core().NoOneToAsk()) {
        DebugLog(QStringLiteral("[HVRN] ") + text);
        return;
    }
    MsgBox(text, platform::MsgButtons::Ok, platform::MsgIcon::None, kProgramName, &form_);
}

void Publisher::upload(const QString& path, const QString& status)
{
    TransferDone = false;
    if (ProfileDirty) {
        SaveProfile(form_);
        ProfileDirty = false;
    }
    notes_.clear();
    if (!fieldsComplete(status) || !findTemplate(path, status) || !addressUsable(status))
        return;
    if (MemoSettings().enabled() && Hooks().ensureMemoServer)
        Hooks().ensureMemoServer();
    noteMemoServer();

    AbortRequested = false;
    hostKeyRefused_ = false;
    lockProfileCommands(true);
    form_.cmdAbort->show();
    form_.action(QStringLiteral("mnuAbort"))->setEnabled(true);

    for (int pass = 1; pass <= 2; ++pass) {
        if (FTP1.busy()) {
            tell(QStringLiteral("FTP is busy currently preforming a operation"));
            stop(Outcome::Stopped, QStringLiteral("another upload is running"));
            restoreControls();
            return;
        }
        const Step step = sessionPass(status);
        if (step == Step::Abort) {
            closeConnection();
            form_.ftpStatus->setText(QStringLiteral("Status: Aborted"));
            AbortRequested = false;
            restoreControls();
            stop(Outcome::Aborted, QStringLiteral("aborted"));
            return;
        }
        // A refused host key is not asked about again in a second pass.
        if (TransferDone || hostKeyRefused_)
            break;
    }
    if (TransferDone) {
        record(status);
    } else {
        // Nothing confirmed the page: the profile keeps its last published state.
        stop(Outcome::Failed, QStringLiteral("%1: %2").arg(profileName(), form_.ftpStatus->text()));
    }
    restoreControls();
    AbortRequested = false;
}

bool Publisher::fieldsComplete(const QString& status)
{
    const platform::FtpTarget target = platform::ParseFtpHost(profile_.host);
    const bool local = target.isLocal();
    // An SFTP key may have no passphrase: then no password is needed.
    const bool keyLogin = target.scheme == platform::FtpTarget::Scheme::Sftp &&
                          !ReadIni(profileName(), QStringLiteral("SSH Key File"), QString()).isEmpty();
    const struct {
        bool missing;
        const char* what;
    } checks[] = {
        {profile_.host.isEmpty(), "Host Name Required"},
        {!local && profile_.login.isEmpty(), "Login Name Required"},
        {!local && !keyLogin && profile_.password.isEmpty(), "Password Required"},
        {profile_.remoteFile.isEmpty(), "Remote Filename Required"},
        {status != QLatin1String("Online") && form_.File2->text().isEmpty(),
         "Offline HTML Filename Required"},
        {status == QLatin1String("Online") && form_.File1->text().isEmpty(), "Online HTML Filename Required"},
    };
    for (const auto& check : checks) {
        if (check.missing) {
            const QString text = QStringLiteral("Please fill in the blanks.. ") + QLatin1String(check.what);
            tell(text);
            stop(Outcome::Stopped, text);
            return false;
        }
    }
    return true;
}

bool Publisher::findTemplate(const QString& path, const QString& status)
{
    if (QFileInfo(path).isFile()) {
        TemplateFile = path;
        return true;
    }
    const QString inProgramDir = ProgramFile(path);
    if (QFileInfo(inProgramDir).isFile()) {
        TemplateFile = inProgramDir;
        return true;
    }
    const QString text = QStringLiteral("Error: ") + status + QStringLiteral(" HTML file doesn't Exist!");
    tell(text);
    stop(Outcome::Stopped, text + QStringLiteral(" (") + path + u')');
    return false;
}

bool Publisher::addressUsable(const QString& status)
{
    if (!IsUnusableAddress(Core().LocalIP))
        return true;
    StartSock(form_);
    if (!IsUnusableAddress(AdvertisedAddress()))
        return true;
    const QString found = AddressProblem();
    const QString why = found.isEmpty() ? QStringLiteral("no address was found") : found;
    if (platform::ParseFtpHost(profile_.host).isLocal()) {
        // A folder on this machine needs no network: the page goes out with
        // whatever address there is, and the status line says why it is poor.
        notes_ << QStringLiteral("without a network address: ") + why;
        DebugLog(QStringLiteral("[HVRN] Publishing %1 to a local folder without a network address: %2")
                     .arg(status, why));
        return true;
    }
    beep();
    DebugLog(QStringLiteral("Unable to resolve Local Host. Uploading ") + status +
             QStringLiteral("HTML Aborted"));
    form_.ftpStatus->setText(
        QStringLiteral("Error: %1 not published, no network address: %2").arg(status, why));
    stop(Outcome::Stopped, QStringLiteral("this machine has no usable address: ") + why);
    return false;
}

void Publisher::noteMemoServer()
{
    const QString problem = Hooks().memoServerProblem ? Hooks().memoServerProblem() : QString();
    if (!problem.isEmpty())
        notes_ << QStringLiteral("memo server not listening: ") + problem;
}

void Publisher::prepareClient(bool oneShot)
{
    const QString profile = profileName();
    FTP1.host = profile_.host;
    FTP1.user = profile_.login;
    FTP1.password = profile_.password;
    FTP1.remoteDir = profile_.dir;
    FTP1.remoteFile = profile_.remoteFile;
    FTP1.tls = platform::ParseStartTls(ReadIni(profile, QStringLiteral("TLS"), QStringLiteral("off")));
    FTP1.verifyPeer = ReadIniFlag(profile, QStringLiteral("TLS Verify"), true);
    FTP1.pinnedHostKey = ReadIni(profile, QStringLiteral("SSH Host Key"), QString());
    FTP1.sshKeyFile = ReadIni(profile, QStringLiteral("SSH Key File"), QString());
    // Nobody is there to answer once the program is ending, and a question
    // then could leave the worker waiting on a window thread that no longer
    // runs events: an unknown key is refused without asking.
    FTP1.askAboutHostKeys = !oneShot && !ExitProcedureRunning() && !form_.exiting() && !form_.ended();
    const platform::FtpTarget target = platform::ParseFtpHost(FTP1.host);
    const bool tls =
        target.scheme == platform::FtpTarget::Scheme::Ftps ||
        (target.scheme == platform::FtpTarget::Scheme::Ftp && FTP1.tls != platform::FtpClient::Tls::Off);
    if (tls && !FTP1.verifyPeer)
        DebugLog(QStringLiteral("[FTP] TLS certificate verification is off for the profile ") + profile);
}

Publisher::Step Publisher::sessionPass(const QString& status)
{
    auto aborted = [this] { return AbortRequested; };
    if (aborted())
        return Step::Abort;
    prepareClient(Core().NoOneToAsk());
    form_.ftpStatus->setText(QStringLiteral("Status: Connecting to ") + FTP1.host);
    const bool connected = FTP1.connectAndLogin();
    if (aborted())
        return Step::Abort;
    // A failed command leaves nothing for the later ones to do in this pass.
    bool ok = connected;
    if (ok && !FTP1.remoteDir.trimmed().isEmpty())
        ok = FTP1.changeDirectory();
    if (aborted())
        return Step::Abort;
    if (ok) {
        UploadSize = QFileInfo(TemplateFile).size();
        if (isPageTemplate(TemplateFile)) {
            FTP1.localFile = OutputPagePath();
            // Pages go out byte for byte: a text-mode transfer would let the
            // server rewrite their CR LF line ends.
            FTP1.mode = platform::FtpClient::Binary;
            PageRequest request;
            request.templateFile = TemplateFile;
            request.status = status;
            request.profileName = profileName();
            request.credits = form_.action(QStringLiteral("mnucredits"))->isChecked();
            try {
                ExpandTemplate(request);
            } catch (...) {
                closeConnection();
                throw;
            }
        } else {
            DebugLog(QStringLiteral("[HVRN] No Changes Made to File"));
            FTP1.localFile = TemplateFile;
            FTP1.mode = platform::FtpClient::Binary;
        }
        FTP1.store();
        QApplication::processEvents();
        if (aborted())
            return Step::Abort;
        // The further command between store and quit has nothing to do here.
        QApplication::processEvents();
        if (aborted())
            return Step::Abort;
    }
    const QString accepted = FTP1.acceptedHostKey();
    FTP1.quit();
    if (!accepted.isEmpty())
        WriteIni(profileName(), QStringLiteral("SSH Host Key"), accepted);
    return ok ? Step::Go : Step::Failed;
}

void Publisher::record(const QString& status)
{
    const QString profile = profileName();
    const QString when = LastUpdateText(platform::clock().now());
    // What makes the page less than it should be stays in view with the result.
    QString result = QStringLiteral("Status: ") + profile + QStringLiteral(" is now ") + status;
    if (!notes_.isEmpty())
        result += QStringLiteral(", ") + notes_.join(QStringLiteral("; "));
    form_.ftpStatus->setText(result);
    // The window shows this profile's state only while it still shows this
    // profile. The status comes first: the caption's refresh picks the window
    // and tray icons from it.
    if (form_.Combo1->currentText() == profile) {
        Core().CurrentStatus = status;
        form_.lastUpdate->setText(when);
    }
    form_.setStatusCaption(status);
    WriteIni(profile, QStringLiteral("Status"), status);
    WriteIni(profile, QStringLiteral("Last Update"), when);
    WriteIni(profile, QStringLiteral("Current IP"), AdvertisedAddress());
    outcome_ = Outcome::Published;
    reason_.clear();
}

void Publisher::restoreControls()
{
    lockProfileCommands(false);
    form_.cmdAbort->hide();
    form_.action(QStringLiteral("mnuAbort"))->setEnabled(false);
    form_.FTPUpload->hide();
}

void Publisher::closeConnection()
{
    FTP1.abort();
    FTP1.quit();
}

void Publisher::cmdAbort_Click()
{
    try {
        AbortRequested = true;
        FTP1.cancel();
        FTP1.abort();
        FTP1.quit(); // takes effect once the running command has returned
        form_.ftpStatus->setText(QStringLiteral("Status: Aborted"));
    } catch (...) {
    }
}

void Publisher::FTP1_PITrail(int type, const QString& text)
{
    if (!text.startsWith(QLatin1String("230-")))
        DebugLog(QStringLiteral("[FTP] ") + TrailLine(type, text));
    using platform::FtpClient;
    if (type == FtpClient::Received && text.startsWith(QLatin1String("530")))
        form_.ftpStatus->setText(QStringLiteral("Status: 530 Login Error"));
    if (type == FtpClient::Received && text.startsWith(QLatin1String("226")))
        TransferDone = true;
    if (type == FtpClient::Information && text == QLatin1String("Disconnected.") && !TransferDone) {
        form_.ftpStatus->setText(QStringLiteral("Error: Unable to update ") + profileName());
        beep();
    }
    if (type == FtpClient::Information && text == QLatin1String("Connected."))
        form_.ftpStatus->setText(QStringLiteral("Status: Connected."));
    if (type == FtpClient::Received && text.startsWith(QLatin1String("230")) &&
        !text.startsWith(QLatin1String("230-")))
        form_.ftpStatus->setText(QStringLiteral("Status: Logged in."));
}

void Publisher::FTP1_StartTransfer()
{
    whiteText_ = false;
    form_.FTPUpload->setValue(0);
    form_.FTPUpload->setStyleSheet(QStringLiteral("QProgressBar { color: rgb(0,0,0); }"));
    form_.FTPUpload->show();
    form_.ftpStatus->setText(QStringLiteral("Status: Uploading..."));
}

void Publisher::FTP1_Transfer(qint64 bytes)
{
    if (UploadSize <= 0 || bytes >= UploadSize)
        return;
    const int percent = int(bytes * 100 / UploadSize);
    form_.FTPUpload->setValue(percent);
    if (percent >= 48 && !whiteText_) {
        // Readable on the filled part of the bar.
        whiteText_ = true;
        form_.FTPUpload->setStyleSheet(QStringLiteral("QProgressBar { color: rgb(255,255,255); }"));
    }
}

void Publisher::FTP1_EndTransfer()
{
    form_.FTPUpload->setValue(100);
    form_.FTPUpload->hide();
    form_.ftpStatus->setText(QStringLiteral("Status: Transfer complete"));
}

void Publisher::FTP1_Error(int number, const QString& description)
{
    beep();
    DebugLog(QStringLiteral("[FTP Error] ") + QString::number(number) + u':' + description);
    form_.ftpStatus->setText(QStringLiteral("Status: ") + description);
    if (reason_.isEmpty())
        reason_ = profileName() + QStringLiteral(": ") + description;
}

} // namespace publish
