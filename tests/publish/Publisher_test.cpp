#include "support/PublishFixture.h"

#include <QTcpServer>
#include <QTimer>

using publish::Publisher;

class Upload : public PublishFixture {
  protected:
    QString def(const char* key) const { return ini(u"Default"_s, key); }
    int logLines(const QString& needle) const { return int(debugLog().split(u'\n').filter(needle).size()); }
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
        EXPECT_EQ(QStringList({def("Status"), def("Current IP"), def("Last Update")}),
                  QStringList(3, u"<none>"_s));
        EXPECT_EQ(Core().CurrentStatus, u"Offline"_s);
        EXPECT_EQ(form->SSPStatus->text(), u"Offline"_s);
        expectControlsRestored();
    }
    static constexpr char kOnlinePage[] = " \r\n<p>Online at 192.0.2.7</p>\r\n";
};

TEST_F(Upload, OnlineOfflineAndNonPageTemplatesArriveByteExactAndAreRecorded)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    fillProfile(server.address());
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(u"public_html/index.html"_s), kOnlinePage);
    EXPECT_EQ(form->ftpStatus->text(), u"Status: Default is now Online"_s);
    const QString when = u"Saturday, December 05, 2026 at 3:07 PM"_s;
    EXPECT_EQ(QStringList({form->SSPStatus->text(), def("Status"), def("Current IP"), def("Last Update")}),
              QStringList({u"Online"_s, u"Online"_s, u"192.0.2.7"_s, when}));
    EXPECT_EQ(form->lastUpdate->text(), when);
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Published);
    expectControlsRestored();

    form->cmd_Offline_Click();
    EXPECT_EQ(server.read(u"public_html/index.html"_s), "<p>Offline| |</p>\r\n");
    EXPECT_EQ(def("Status"), u"Offline"_s);
    EXPECT_EQ(server.received().size(), 2);

    // The edited fields were saved before the first upload.
    EXPECT_EQ(def("Host"), server.address());
    EXPECT_NE(def("pass"), u"secret"_s);

    const QString log = debugLog();
    for (const char* line : {"[FTP] CLIENT: PASS **********", "[FTP] SERVER: 230 Login successful.",
                             "[FTP] INFO:   Connected.", "[FTP] INFO:   Disconnected.", "[FTP] CLIENT: CWD public_html"})
        EXPECT_TRUE(log.contains(QString::fromLatin1(line))) << line;
    EXPECT_FALSE(log.contains(u"secret"_s) || log.contains(u"230-"_s));
    EXPECT_EQ(logLines(u"[HVRN] Custom Variables Updated"_s), 2);
    // A template that is not a page goes out unchanged; a capital .HTML one is expanded.
    const QByteArray image = binaryBytes(70000) + "%status%\r\n";
    home.writeFile(u"pic.gif"_s, image);
    form->File1->setText(u"pic.gif"_s);
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(u"public_html/index.html"_s), image);
    EXPECT_EQ(logLines(u"[HVRN] No Changes Made to File"_s), 1);

    home.writeFile(u"PAGE.HTML"_s, "%STATUS%");
    form->File1->setText(home.file(u"PAGE.HTML"_s));
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(u"public_html/index.html"_s), "Online\r\n");
}

TEST_F(Upload, RefusedLoginMissingDirectoryAndMissing226RecordNothing)
{
    FtpTestServer server;
    fillProfile(server.address());
    form->txtPass->setText(u"wrong"_s);
    form->cmd_Online_Click();
    expectNothingRecorded();
    EXPECT_EQ(logLines(u"CLIENT: USER tester"_s), 2); // two passes
    EXPECT_TRUE(debugLog().contains(u"[FTP Error] 67:"_s));
    EXPECT_TRUE(form->ftpStatus->text().startsWith(u"Status: Login denied"_s)) << form->ftpStatus->text().toStdString();
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Failed);

    form->txtPass->setText(u"secret"_s);
    form->txtDir->setText(u"missing"_s);
    form->cmd_Online_Click();
    expectNothingRecorded();
    EXPECT_TRUE(server.received().isEmpty());

    FtpTestServer no226({u"--no226"_s});
    form->txtHost->setText(no226.address());
    form->txtDir->setText(QString());
    const qsizetype logBefore = debugLog().size();
    form->cmd_Online_Click();
    EXPECT_EQ(no226.received().size(), 2); // the second pass repeats the store
    expectNothingRecorded();
    EXPECT_EQ(form->ftpStatus->text(), u"Error: Unable to update Default"_s);
    EXPECT_FALSE(debugLog().mid(logBefore).contains(u"CLIENT: CWD"_s)); // empty directory: no change
}

TEST_F(Upload, AbortDuringConnectAndDuringASlowTransfer)
{
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost));
    FtpTestServer slow({u"--throttle"_s, u"16384"_s});
    fillProfile(QString());
    home.writeFile(u"big.bin"_s, QByteArray(3 * 1024 * 1024, 'x'));
    // By the button while a silent server keeps the connection waiting, by the menu during a slow store.
    for (const bool storing : {false, true}) {
        SCOPED_TRACE(storing);
        form->txtHost->setText(storing ? slow.address() : u"127.0.0.1:%1"_s.arg(mute.serverPort()));
        form->File1->setText(storing ? u"big.bin"_s : u"on.html"_s);
        bool abortOffered = false;
        int percent = -1;
        QTimer::singleShot(storing ? 1200 : 300, form.get(), [&] {
            abortOffered = !form->cmdAbort->isHidden() && mainAction("mnuAbort")->isEnabled() &&
                           !form->Combo1->isEnabled();
            percent = form->FTPUpload->isHidden() ? -1 : form->FTPUpload->value();
            storing ? mainAction("mnuAbort")->trigger() : form->cmdAbort->click();
        });
        QElapsedTimer clock;
        clock.start();
        form->cmd_Online_Click();
        EXPECT_LT(clock.elapsed(), storing ? 8000 : 5000);
        EXPECT_TRUE(abortOffered);
        EXPECT_TRUE(!storing || percent >= 0);
        EXPECT_EQ(form->ftpStatus->text(), u"Status: Aborted"_s);
        EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Aborted);
        expectNothingRecorded();
    }
    EXPECT_TRUE(slow.received().isEmpty());
}

TEST_F(Upload, ProgressBarFollowsTheTemplateSizeAndTurnsWhiteAt48Percent)
{
    publisher().UploadSize = 1000;
    emit publisher().FTP1.StartTransfer();
    EXPECT_FALSE(form->FTPUpload->isHidden());
    EXPECT_EQ(form->ftpStatus->text(), u"Status: Uploading..."_s);
    // The expanded page may be larger than its template: 5000 of 1000 stays at 48.
    for (const auto& [bytes, percent, colour] :
         {std::tuple(470, 47, "rgb(0,0,0)"), {480, 48, "rgb(255,255,255)"}, {5000, 48, "rgb(255,255,255)"}}) {
        emit publisher().FTP1.Transfer(bytes);
        EXPECT_EQ(form->FTPUpload->value(), percent) << bytes;
        EXPECT_TRUE(form->FTPUpload->styleSheet().contains(QString::fromLatin1(colour))) << bytes;
    }
    emit publisher().FTP1.EndTransfer();
    EXPECT_TRUE(form->FTPUpload->isHidden());
    EXPECT_EQ(form->ftpStatus->text(), u"Status: Transfer complete"_s);
}

TEST_F(Upload, FieldChecksInOrderThenTheAddressAndNothingContacted)
{
    fillProfile(QString());
    const std::pair<QLineEdit*, const char*> order[] = {{form->txtHost, "Host Name"},
                                                        {form->txtlogin, "Login Name"},
                                                        {form->txtPass, "Password"},
                                                        {form->txtRemoteFile, "Remote Filename"},
                                                        {form->File1, "Online HTML Filename"}};
    for (const auto& [field, what] : order)
        field->clear();
    for (const auto& [field, what] : order) {
        doubles.boxes.clear();
        form->cmd_Online_Click();
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].title + u'|' + boxes()[0].text,
                  u"Halvorn|Please fill in the blanks.. %1 Required"_s.arg(QString::fromLatin1(what)));
        field->setText(field == form->txtHost ? u"127.0.0.1:1"_s : u"x"_s);
    }
    doubles.boxes.clear();
    form->File2->clear();
    form->cmd_Offline_Click();
    EXPECT_EQ(boxes().at(0).text, u"Please fill in the blanks.. Offline HTML Filename Required"_s);
    doubles.boxes.clear();
    form->File1->setText(u"nowhere.html"_s);
    form->cmd_Online_Click();
    EXPECT_EQ(boxes().at(0).text, u"Error: Online HTML file doesn't Exist!"_s);
    // With every field filled, no usable address of this machine stops it all too.
    form->File1->setText(u"on.html"_s);
    hosts.forward[u"testhost"_s] = {u"127.0.1.1"_s};
    hosts.interfaces.clear();
    Core().LocalIP = u"127.0.0.1"_s;
    form->cmd_Online_Click();
    EXPECT_EQ(doubles.sound.beeps, 1);
    EXPECT_TRUE(debugLog().contains(u"Unable to resolve Local Host. Uploading OnlineHTML Aborted"_s));
    EXPECT_FALSE(debugLog().contains(u"[FTP]"_s));
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Stopped);
    expectNothingRecorded();
}

TEST_F(Upload, LocalFolderNeedsNoLoginAndTakesLargeOddTemplates)
{
    fillProfile(u"file://"_s + site.path(), QString());
    form->txtlogin->clear();
    form->txtPass->clear();
    static const char kLine[] = "line %status% \x00\xff\xfe invalid utf-8\r\n";
    const QByteArray big = QByteArray(kLine, sizeof kLine - 1).repeated(200000);
    home.writeFile(u"on.html"_s, big);
    form->cmd_Online_Click();
    const QByteArray bytes = sitePage("index.html");
    EXPECT_EQ(bytes.size(), big.size() - 200000 * 2); // "Online" is two bytes shorter than its token
    EXPECT_TRUE(bytes.startsWith(QByteArray("line Online \x00\xff\xfe", 15)));
    EXPECT_EQ(def("Status"), u"Online"_s);
}

TEST_F(Upload, AnUnexpectedErrorIsLoggedAndLeavesTheWindowUsable)
{
    FtpTestServer server;
    fillProfile(server.address());
    QDir(home.path()).mkdir(u"$$tmp$$"_s); // the output page cannot be created over a folder
    form->cmd_Online_Click();
    expectNothingRecorded();
    EXPECT_TRUE(home.readFile(u"error.log"_s).contains("UploadFile"));
    EXPECT_TRUE(server.received().isEmpty());
}

TEST_F(Upload, WhileAnUploadWaitsItsProfileStaysAndTheProfileCommandsAreOff)
{
    FtpTestServer slow({u"--throttle"_s, u"65536"_s});
    twoLocalProfiles(); // Site publishes into the local folder
    fillProfile(slow.address());
    home.writeFile(u"big.html"_s, QByteArray(200 * 1024, 'y') + "%status%");
    form->File1->setText(u"big.html"_s);
    bool commandsOff = false;
    QTimer::singleShot(400, form.get(), [&] {
        commandsOff = !mainAction("mnuadd")->isEnabled() && !mainAction("mnudel")->isEnabled() &&
                      !form->Combo1->isEnabled();
        form->selectProfile(u"Site"_s); // as the address check and the exit procedure do
        form->cmd_Offline_Click();
    });
    form->cmd_Online_Click();
    EXPECT_TRUE(commandsOff);
    EXPECT_EQ(boxes().at(0).text, u"FTP is busy currently preforming a operation"_s);
    EXPECT_TRUE(slow.read(u"public_html/index.html"_s).endsWith("yOnline\r\n"));
    EXPECT_EQ(slow.received().size(), 1);
    EXPECT_EQ(def("Status") + u'|' + ini(u"Site"_s, "Status"), u"Online|<none>"_s);
    EXPECT_TRUE(sitePage("Site.html").isEmpty());
    EXPECT_TRUE(mainAction("mnudel")->isEnabled());
}

TEST(TrailLine, PasswordMaskedWhateverTheCase)
{
    const std::tuple<int, const char*, const char*> lines[] = {{0, "pass secret", "CLIENT: PASS **********"},
                                                               {0, "PaSs", "CLIENT: PASS **********"},
                                                               {0, "USER me", "CLIENT: USER me"},
                                                               {1, "220 hi", "SERVER: 220 hi"},
                                                               {2, "Connected.", "INFO:   Connected."}};
    for (const auto& [type, text, shown] : lines)
        EXPECT_EQ(publish::TrailLine(type, QString::fromLatin1(text)), QString::fromLatin1(shown));
}

TEST_F(Upload, ExplicitTlsProfileWithVerificationSwitchedOff)
{
    QTemporaryDir certs;
    FtpTestServer server(FtpTestServer::tlsOptions(certs, true));
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    fillProfile(server.address());
    mainAction("mnuSave")->trigger();
    form->cmd_Online_Click(); // without TLS the server refuses the login
    expectNothingRecorded();
    WriteIni(u"Default"_s, u"TLS"_s, u"require"_s);
    form->cmd_Online_Click(); // the self-signed certificate is refused
    expectNothingRecorded();
    EXPECT_TRUE(debugLog().contains(u"[FTP Error] 60:"_s));

    WriteIni(u"Default"_s, u"TLS Verify"_s, u"False"_s);
    form->cmd_Online_Click();
    EXPECT_EQ(server.read(u"public_html/index.html"_s), kOnlinePage);
    EXPECT_EQ(def("Status"), u"Online"_s);
    EXPECT_TRUE(debugLog().contains(u"[FTP] TLS certificate verification is off for the profile Default"_s));
    EXPECT_TRUE(debugLog().contains(u"[FTP] CLIENT: AUTH TLS"_s));
}
