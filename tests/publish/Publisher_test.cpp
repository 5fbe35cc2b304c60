#include "support/FtpTestServer.h"
#include "support/PublishFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

using publish::Publisher;

namespace {

int countLines(const QString& log, const QString& needle)
{
    int n = 0;
    for (const QString& line : log.split(u'\n'))
        n += line.contains(needle) ? 1 : 0;
    return n;
}

} // namespace

class Upload : public PublishFixture {
  protected:
    void expectControlsRestored()
    {
        EXPECT_TRUE(form->Combo1->isEnabled());
        EXPECT_TRUE(form->cmdAbort->isHidden());
        EXPECT_FALSE(mainAction("mnuAbort")->isEnabled());
        EXPECT_TRUE(form->FTPUpload->isHidden());
        EXPECT_FALSE(publisher().FTP1.busy());
    }
    void expectNothingRecorded()
    {
        EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("<none>"));
        EXPECT_EQ(ini(QStringLiteral("Default"), "Current IP"), QStringLiteral("<none>"));
        EXPECT_EQ(ini(QStringLiteral("Default"), "Last Update"), QStringLiteral("<none>"));
        EXPECT_EQ(Core().CurrentStatus, QStringLiteral("Offline"));
        EXPECT_EQ(form->SSPStatus->text(), QStringLiteral("Offline"));
    }
};

TEST_F(Upload, OnlineAndOfflinePagesArriveByteExactAndAreRecorded)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    fillProfile(server.address());
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), " \r\n<p>Online at 192.0.2.7</p>\r\n");
    EXPECT_EQ(form->ftpStatus->text(), QStringLiteral("Status: Default is now Online"));
    EXPECT_EQ(form->SSPStatus->text(), QStringLiteral("Online"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Online"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Current IP"), QStringLiteral("192.0.2.7"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Last Update"),
              QStringLiteral("Saturday, December 05, 2026 at 3:07 PM"));
    EXPECT_EQ(form->lastUpdate->text(), QStringLiteral("Saturday, December 05, 2026 at 3:07 PM"));
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Published);
    expectControlsRestored();

    form->cmd_Offline_Click();
    EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), "<p>Offline| |</p>\r\n");
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Offline"));
    EXPECT_EQ(server.received().size(), 2);

    // The edited fields were saved before the first upload.
    EXPECT_EQ(ini(QStringLiteral("Default"), "Host"), server.address());
    EXPECT_NE(ini(QStringLiteral("Default"), "pass"), QStringLiteral("secret"));

    const QString log = debugLog();
    EXPECT_TRUE(log.contains(QStringLiteral("[FTP] CLIENT: PASS **********")));
    EXPECT_FALSE(log.contains(QStringLiteral("secret")));
    EXPECT_FALSE(log.contains(QStringLiteral("230-")));
    EXPECT_TRUE(log.contains(QStringLiteral("[FTP] SERVER: 230 Login successful.")));
    EXPECT_TRUE(log.contains(QStringLiteral("[FTP] INFO:   Connected.")));
    EXPECT_TRUE(log.contains(QStringLiteral("[FTP] INFO:   Disconnected.")));
    EXPECT_TRUE(log.contains(QStringLiteral("[FTP] CLIENT: CWD public_html")));
    EXPECT_EQ(countLines(log, QStringLiteral("[HVRN] Custom Variables Updated")), 2);
}

TEST_F(Upload, RefusedLoginMissingDirectoryAndMissing226RecordNothing)
{
    FtpTestServer server;
    fillProfile(server.address());
    form->txtPass->setText(QStringLiteral("wrong"));
    form->cmd_Online_Click();
    expectNothingRecorded();
    expectControlsRestored();
    EXPECT_EQ(countLines(debugLog(), QStringLiteral("CLIENT: USER tester")), 2); // two passes
    EXPECT_TRUE(debugLog().contains(QStringLiteral("[FTP Error] 67:")));
    EXPECT_TRUE(form->ftpStatus->text().startsWith(QStringLiteral("Status: Login denied")))
        << form->ftpStatus->text().toStdString();
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Failed);

    form->txtPass->setText(QStringLiteral("secret"));
    form->txtDir->setText(QStringLiteral("missing"));
    form->cmd_Online_Click();
    expectNothingRecorded();
    EXPECT_TRUE(server.received().isEmpty());

    FtpTestServer no226({QStringLiteral("--no226")});
    form->txtHost->setText(no226.address());
    form->txtDir->setText(QString());
    const qsizetype logBefore = debugLog().size();
    form->cmd_Online_Click();
    EXPECT_EQ(no226.received().size(), 2); // the second pass repeats the store
    expectNothingRecorded();
    EXPECT_EQ(form->ftpStatus->text(), QStringLiteral("Error: Unable to update Default"));
    EXPECT_FALSE(
        debugLog().mid(logBefore).contains(QStringLiteral("CLIENT: CWD"))); // empty directory: no change
    expectControlsRestored();
}

TEST_F(Upload, FullServerAndDeadServerLoseNothing)
{
    FtpTestServer full({QStringLiteral("--full")});
    fillProfile(full.address());
    WriteIni(QStringLiteral("Default"), QStringLiteral("Status"), QStringLiteral("Online"));
    WriteIni(QStringLiteral("Default"), QStringLiteral("Current IP"), QStringLiteral("198.51.100.1"));
    form->cmd_Offline_Click();
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Online"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Current IP"), QStringLiteral("198.51.100.1"));
    EXPECT_TRUE(debugLog().contains(QStringLiteral("SERVER: 552")));
    expectControlsRestored();

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    form->txtHost->setText(QStringLiteral("127.0.0.1:%1").arg(port));
    form->cmd_Online_Click();
    EXPECT_TRUE(form->ftpStatus->text().startsWith(QStringLiteral("Status: Couldn't connect")))
        << form->ftpStatus->text().toStdString();
    EXPECT_GE(doubles.sound.beeps, 1);
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Online"));
    expectControlsRestored();
}

TEST_F(Upload, NonPageTemplatesGoOutUnchangedAndCapitalHtmlIsExpanded)
{
    FtpTestServer server;
    fillProfile(server.address());
    QByteArray image(70000, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 31);
    image += "%status%\r\n";
    home.writeFile(QStringLiteral("pic.gif"), image);
    form->File1->setText(QStringLiteral("pic.gif"));
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), image);
    EXPECT_TRUE(debugLog().contains(QStringLiteral("[HVRN] No Changes Made to File")));

    home.writeFile(QStringLiteral("PAGE.HTML"), "%STATUS%");
    form->File1->setText(home.file(QStringLiteral("PAGE.HTML")));
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), "Online\r\n");
}

TEST_F(Upload, AbortDuringConnectAndDuringASlowTransfer)
{
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost));
    fillProfile(QStringLiteral("127.0.0.1:%1").arg(mute.serverPort()));
    bool sawAbortButton = false;
    QTimer::singleShot(300, form.get(), [&] {
        sawAbortButton =
            !form->cmdAbort->isHidden() && mainAction("mnuAbort")->isEnabled() && !form->Combo1->isEnabled();
        form->cmdAbort->click();
    });
    QElapsedTimer clock;
    clock.start();
    form->cmd_Online_Click();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(sawAbortButton);
    EXPECT_EQ(form->ftpStatus->text(), QStringLiteral("Status: Aborted"));
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Aborted);
    expectNothingRecorded();
    expectControlsRestored();

    FtpTestServer slow({QStringLiteral("--throttle"), QStringLiteral("16384")});
    form->txtHost->setText(slow.address());
    home.writeFile(QStringLiteral("big.bin"), QByteArray(3 * 1024 * 1024, 'x'));
    form->File1->setText(QStringLiteral("big.bin"));
    int percentSeen = -1;
    QTimer::singleShot(1200, form.get(), [&] {
        percentSeen =
            form->FTPUpload->isVisible() || !form->FTPUpload->isHidden() ? form->FTPUpload->value() : -1;
        mainAction("mnuAbort")->trigger();
    });
    clock.restart();
    form->cmd_Online_Click();
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_GE(percentSeen, 0);
    EXPECT_EQ(form->ftpStatus->text(), QStringLiteral("Status: Aborted"));
    expectNothingRecorded();
    expectControlsRestored();
    EXPECT_TRUE(slow.received().isEmpty());
}

TEST_F(Upload, ProgressBarFollowsTheTemplateSizeAndTurnsWhiteAt48Percent)
{
    publisher().UploadSize = 1000;
    emit publisher().FTP1.StartTransfer();
    EXPECT_FALSE(form->FTPUpload->isHidden());
    EXPECT_EQ(form->ftpStatus->text(), QStringLiteral("Status: Uploading..."));
    emit publisher().FTP1.Transfer(470);
    EXPECT_EQ(form->FTPUpload->value(), 47);
    EXPECT_TRUE(form->FTPUpload->styleSheet().contains(QStringLiteral("rgb(0,0,0)")));
    emit publisher().FTP1.Transfer(480);
    EXPECT_EQ(form->FTPUpload->value(), 48);
    EXPECT_TRUE(form->FTPUpload->styleSheet().contains(QStringLiteral("rgb(255,255,255)")));
    emit publisher().FTP1.Transfer(5000); // the expanded page is larger than its template
    EXPECT_EQ(form->FTPUpload->value(), 48);
    emit publisher().FTP1.EndTransfer();
    EXPECT_TRUE(form->FTPUpload->isHidden());
    EXPECT_EQ(form->ftpStatus->text(), QStringLiteral("Status: Transfer complete"));
}

TEST_F(Upload, FieldChecksInOrderAndNothingContacted)
{
    fillProfile(QString());
    const std::pair<QLineEdit*, const char*> order[] = {
        {form->txtHost, "Please fill in the blanks.. Host Name Required"},
        {form->txtlogin, "Please fill in the blanks.. Login Name Required"},
        {form->txtPass, "Please fill in the blanks.. Password Required"},
        {form->txtRemoteFile, "Please fill in the blanks.. Remote Filename Required"},
        {form->File1, "Please fill in the blanks.. Online HTML Filename Required"},
    };
    form->txtlogin->clear();
    form->txtPass->clear();
    form->txtRemoteFile->clear();
    form->File1->clear();
    for (const auto& [field, message] : order) {
        doubles.boxes.clear();
        form->cmd_Online_Click();
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, QString::fromLatin1(message));
        EXPECT_EQ(boxes()[0].title, QStringLiteral("Halvorn"));
        field->setText(field == form->txtHost ? QStringLiteral("127.0.0.1:1") : QStringLiteral("x"));
    }
    doubles.boxes.clear();
    form->File2->clear();
    form->cmd_Offline_Click();
    EXPECT_EQ(boxes().at(0).text,
              QStringLiteral("Please fill in the blanks.. Offline HTML Filename Required"));
    doubles.boxes.clear();
    form->File1->setText(QStringLiteral("nowhere.html"));
    form->cmd_Online_Click();
    EXPECT_EQ(boxes().at(0).text, QStringLiteral("Error: Online HTML file doesn't Exist!"));
    expectNothingRecorded();
    EXPECT_FALSE(debugLog().contains(QStringLiteral("[FTP]")));
}

TEST_F(Upload, NoUsableAddressStopsBeforeContactingAnyone)
{
    fillProfile(QStringLiteral("127.0.0.1:1"));
    hosts.forward[QStringLiteral("testhost")] = {QStringLiteral("127.0.1.1")};
    hosts.interfaces.clear();
    Core().LocalIP = QStringLiteral("127.0.0.1");
    form->cmd_Online_Click();
    EXPECT_EQ(doubles.sound.beeps, 1);
    EXPECT_TRUE(
        debugLog().contains(QStringLiteral("Unable to resolve Local Host. Uploading OnlineHTML Aborted")));
    EXPECT_FALSE(debugLog().contains(QStringLiteral("[FTP]")));
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Stopped);
}

TEST_F(Upload, LocalFolderNeedsNoLoginAndTakesLargeOddTemplates)
{
    QTemporaryDir site;
    fillProfile(QStringLiteral("file://") + site.path(), QString());
    form->txtlogin->clear();
    form->txtPass->clear();
    static const char kLine[] = "line %status% \x00\xff\xfe invalid utf-8\r\n";
    const QByteArray line(kLine, sizeof kLine - 1);
    QByteArray big;
    for (int i = 0; i < 200000; ++i)
        big += line;
    home.writeFile(QStringLiteral("on.html"), big);
    form->cmd_Online_Click();
    QFile page(QDir(site.path()).filePath(QStringLiteral("index.html")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray bytes = page.readAll();
    EXPECT_EQ(bytes.size(), big.size() - 200000 * 2); // "Online" is two bytes shorter than its token
    EXPECT_TRUE(bytes.startsWith(QByteArray("line Online \x00\xff\xfe", 15)));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Online"));
}

TEST_F(Upload, AnUnexpectedErrorIsLoggedAndLeavesTheWindowUsable)
{
    FtpTestServer server;
    fillProfile(server.address());
    // The output page cannot be created where a folder of its name stands.
    QDir(home.path()).mkdir(QStringLiteral("$$tmp$$"));
    form->cmd_Online_Click();
    expectNothingRecorded();
    expectControlsRestored();
    EXPECT_TRUE(home.readFile(QStringLiteral("error.log")).contains("UploadFile"));
    EXPECT_TRUE(server.received().isEmpty());
}

TEST_F(Upload, ASecondUploadWhileOneRunsMeetsTheBusyMessage)
{
    FtpTestServer slow({QStringLiteral("--throttle"), QStringLiteral("65536")});
    fillProfile(slow.address());
    home.writeFile(QStringLiteral("big.bin"), QByteArray(200 * 1024, 'y'));
    form->File1->setText(QStringLiteral("big.bin"));
    QTimer::singleShot(400, form.get(), [&] { form->cmd_Offline_Click(); });
    form->cmd_Online_Click();
    ASSERT_FALSE(boxes().empty());
    EXPECT_EQ(boxes()[0].text, QStringLiteral("FTP is busy currently preforming a operation"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Online"));
    EXPECT_EQ(slow.received().size(), 1);
}

TEST(TrailLine, PasswordMaskedWhateverTheCase)
{
    EXPECT_EQ(publish::TrailLine(0, QStringLiteral("PASS secret")),
              QStringLiteral("CLIENT: PASS **********"));
    EXPECT_EQ(publish::TrailLine(0, QStringLiteral("pass secret")),
              QStringLiteral("CLIENT: PASS **********"));
    EXPECT_EQ(publish::TrailLine(0, QStringLiteral("PaSs")), QStringLiteral("CLIENT: PASS **********"));
    EXPECT_EQ(publish::TrailLine(0, QStringLiteral("USER me")), QStringLiteral("CLIENT: USER me"));
    EXPECT_EQ(publish::TrailLine(1, QStringLiteral("220 hi")), QStringLiteral("SERVER: 220 hi"));
    EXPECT_EQ(publish::TrailLine(2, QStringLiteral("Connected.")), QStringLiteral("INFO:   Connected."));
}

TEST_F(Upload, ExplicitTlsProfileWithVerificationSwitchedOff)
{
    QTemporaryDir certs;
    FtpTestServer server(FtpTestServer::tlsOptions(certs, true));
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    fillProfile(server.address());
    mainAction("mnuSave")->trigger();
    WriteIni(QStringLiteral("Default"), QStringLiteral("TLS"), QStringLiteral("require"));
    form->cmd_Online_Click(); // the self-signed certificate is refused
    expectNothingRecorded();
    EXPECT_TRUE(debugLog().contains(QStringLiteral("[FTP Error] 60:")));

    WriteIni(QStringLiteral("Default"), QStringLiteral("TLS Verify"), QStringLiteral("False"));
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), " \r\n<p>Online at 192.0.2.7</p>\r\n");
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Online"));
    EXPECT_TRUE(debugLog().contains(
        QStringLiteral("[FTP] TLS certificate verification is off for the profile Default")));
    EXPECT_TRUE(debugLog().contains(QStringLiteral("[FTP] CLIENT: AUTH TLS")));
}
