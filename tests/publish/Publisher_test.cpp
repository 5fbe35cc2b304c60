#include "support/PublishFixture.h"

#include <QTcpServer>

class Upload : public PublishFixture {
  protected:
    bool controlsRestored()
    {
        return form->Combo1->isEnabled() && form->cmdAbort->isHidden() &&
               !mainAction("mnuAbort")->isEnabled() && form->FTPUpload->isHidden() &&
               !publisher().FTP1.busy();
    }
    void expectNothingRecorded()
    {
        EXPECT_EQ(QStringList({def("Status"), def("Current IP"), def("Last Update"), Core().CurrentStatus,
                               form->SSPStatus->text()}),
                  QStringList({"<none>", "<none>", "<none>", "Offline", "Offline"}));
        EXPECT_TRUE(controlsRestored());
    }
    // A test FTP server started with options, the Default profile pointed at it.
    std::unique_ptr<FtpTestServer> serve(const QStringList& options = {})
    {
        auto server = std::make_unique<FtpTestServer>(options);
        EXPECT_GT(server->port(), 0) << server->errors();
        fillProfile(server->address());
        return server;
    }
    static constexpr char kOnlinePage[] = " \r\n<p>Online at 192.0.2.7</p>\r\n";
};

TEST_F(Upload, AFailedUploadRecordsNothingAndSaysWhy)
{
    const auto server = serve();
    FtpTestServer no226({"--no226"});
    const struct {
        const char* row;
        std::function<void()> fault;
        std::function<void(qsizetype)> told; // from the debug log's size before
    } rows[] = {
        {"wrong password", [&] { form->txtPass->setText("wrong"); },
         [&](qsizetype before) {
             EXPECT_EQ(debugLog().mid(before).count("CLIENT: USER tester"), 2); // two passes
             EXPECT_TRUE(debugLog().mid(before).contains("[FTP Error] 67:"));
             EXPECT_TRUE(form->ftpStatus->text().startsWith("Status: Login denied"))
                 << form->ftpStatus->text().toStdString();
             EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Failed);
         }},
        {"missing folder", [&] { form->txtDir->setText("missing"); },
         [&](qsizetype before) { EXPECT_TRUE(debugLog().mid(before).contains("[FTP Error] 9:")); }},
        // An unexpected error is logged and leaves the window usable.
        {"page not writable", [&] { QDir(home.path()).mkdir("$$tmp$$"); },
         [&](qsizetype) {
             EXPECT_TRUE(home.readFile("error.log").contains("UploadFile"));
             QDir(home.path()).rmdir("$$tmp$$");
         }},
        {"store never confirmed",
         [&] {
             form->txtHost->setText(no226.address());
             form->txtDir->setText(QString());
         },
         [&](qsizetype before) {
             EXPECT_EQ(no226.received().size(), 2); // the second pass repeats the store
             EXPECT_EQ(form->ftpStatus->text(), "Error: Unable to update Default");
             EXPECT_FALSE(debugLog().mid(before).contains("CLIENT: CWD")); // empty directory: no change
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        fillProfile(server->address());
        r.fault();
        const qsizetype before = debugLog().size();
        form->cmd_Online_Click();
        expectNothingRecorded();
        r.told(before);
    }
    EXPECT_TRUE(server->received().isEmpty());
}

TEST_F(Upload, APublishedPageArrivesByteExactAndIsRecorded)
{
    const auto server = serve();
    form->cmd_Online_Click();
    EXPECT_EQ(server->page(), kOnlinePage);
    const QString when = "Saturday, December 05, 2026 at 3:07 PM";
    EXPECT_EQ(QStringList({form->ftpStatus->text(), form->SSPStatus->text(), def("Status"), def("Current IP"),
                           def("Last Update"), form->lastUpdate->text()}),
              QStringList({"Status: Default is now Online", "Online", "Online", "192.0.2.7", when, when}));

    form->cmd_Offline_Click();
    EXPECT_EQ(server->page(), "<p>Offline| |</p>\r\n");
    EXPECT_EQ(server->received().size(), 2);
    // The edited fields were saved before the upload, the password scrambled.
    EXPECT_EQ(def("Status") + '|' + def("Host"), "Offline|" + server->address());
    EXPECT_NE(def("pass"), "secret");
}

TEST_F(Upload, TheDialogueIsLoggedWithThePasswordMasked)
{
    const auto server = serve();
    form->cmd_Online_Click();
    const QString log = debugLog();
    for (const QString line :
         {"[FTP] CLIENT: PASS **********", "[FTP] SERVER: 230 Login successful.", "[FTP] INFO:   Connected.",
          "[FTP] INFO:   Disconnected.", "[FTP] CLIENT: CWD public_html"})
        EXPECT_TRUE(log.contains(line)) << line.toStdString();
    EXPECT_FALSE(log.contains("secret") || log.contains("230-"));
    EXPECT_EQ(log.count("[HVRN] Custom Variables Updated"), 1);
    EXPECT_EQ(TrailLine(0, "PaSs"), "CLIENT: PASS **********"); // masked whatever the case
    EXPECT_EQ(TrailLine(0, "pass x"), "CLIENT: PASS **********");
}

TEST_F(Upload, ATemplateThatIsNoPageGoesOutByteForByte)
{
    const auto server = serve();
    const QByteArray image = binaryBytes(300000) + "\r\nline\r\n\n\r%status%\r\n";
    home.writeFile("pic.gif", image);
    form->File1->setText("pic.gif");
    FtpTrail s(publisher().FTP1);
    form->cmd_Online_Click();
    EXPECT_EQ(server->page(), image);
    EXPECT_EQ(debugLog().count("[HVRN] No Changes Made to File"), 1);
    // The whole dialogue is reported, a line at a time, the transfer from start to end.
    EXPECT_TRUE(s.errors.empty());
    EXPECT_TRUE(0 <= s.at("I Connected.") && s.at("I Connected.") < s.at("R 220 ") &&
                s.at("R 226") < s.at("I Disconnected."))
        << s.trail();
    for (const QString line : {"S STOR index.html", "S QUIT", "R 230-Second greeting line."})
        EXPECT_TRUE(s.lines.contains(line)) << line.toStdString();
    for (const QString& text : s.lines)
        EXPECT_FALSE(text.contains('\r') || text.contains('\n')) << text.toStdString();
    EXPECT_EQ(std::tuple(s.starts, s.ends, s.confirmed), std::tuple(1, 1, 1));
    EXPECT_TRUE(!s.progress.empty() && s.progress.back() == image.size());
    EXPECT_TRUE(std::is_sorted(s.progress.begin(), s.progress.end()));
}

TEST_F(Upload, ACapitalHtmlTemplateIsExpanded)
{
    fillLocalProfile();
    home.writeFile("PAGE.HTML", "%STATUS%");
    form->File1->setText(home.file("PAGE.HTML"));
    form->cmd_Online_Click();
    EXPECT_EQ(sitePage("index.html"), "Online\r\n");
}

TEST_F(Upload, AbortWhileConnectingOrStoringRecordsNothing)
{
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost));
    FtpTestServer slow({"--throttle", "65536"});
    fillProfile(QString());
    home.writeFile("big.bin", QByteArray(3 * 1024 * 1024, 'x'));
    // By the button while a silent server keeps the connection waiting, by the menu during a slow store.
    for (const bool storing : {false, true}) {
        SCOPED_TRACE(storing);
        form->txtHost->setText(storing ? slow.address() : u"127.0.0.1:%1"_s.arg(mute.serverPort()));
        form->File1->setText(storing ? "big.bin" : "on.html");
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
        EXPECT_TRUE(abortOffered && (!storing || percent >= 0)) << percent;
        EXPECT_EQ(form->ftpStatus->text(), "Status: Aborted");
        EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Aborted);
        expectNothingRecorded();
    }
    EXPECT_TRUE(slow.received().isEmpty());
}

TEST_F(Upload, WhileAnUploadRunsNoOtherProfileCanBeChangedOrPublished)
{
    FtpTestServer slow({"--throttle", "65536"});
    twoLocalProfiles(); // Site publishes into the local folder
    fillProfile(slow.address());
    home.writeFile("big.html", QByteArray(200 * 1024, 'y') + "%status%");
    form->File1->setText("big.html");
    bool commandsOff = false;
    QTimer::singleShot(400, form.get(), [&] {
        commandsOff = !mainAction("mnuadd")->isEnabled() && !mainAction("mnudel")->isEnabled() &&
                      !form->Combo1->isEnabled();
        form->selectProfile("Site"); // as the address check and the exit procedure do
        form->cmd_Offline_Click();
    });
    form->cmd_Online_Click();
    EXPECT_TRUE(commandsOff);
    EXPECT_EQ(boxes().at(0).text, "FTP is busy currently preforming a operation");
    EXPECT_TRUE(slow.page().endsWith("yOnline\r\n") && sitePage("Site.html").isEmpty());
    EXPECT_EQ(slow.received().size(), 1);
    EXPECT_EQ(def("Status") + '|' + ini("Site", "Status"), "Online|<none>");
    EXPECT_TRUE(mainAction("mnudel")->isEnabled());
}

TEST_F(Upload, TheProgressBarFollowsTheTemplateSize)
{
    // It turns white at 48 percent, and stays there for a page larger than its template.
    publisher().UploadSize = 1000;
    emit publisher().FTP1.StartTransfer();
    EXPECT_FALSE(form->FTPUpload->isHidden());
    EXPECT_EQ(form->ftpStatus->text(), "Status: Uploading...");
    for (const auto& [bytes, percent, colour] :
         {std::tuple(470, 47, "rgb(0,0,0)"), {480, 48, "rgb(255,255,255)"}, {5000, 48, "rgb(255,255,255)"}}) {
        emit publisher().FTP1.Transfer(bytes);
        EXPECT_EQ(form->FTPUpload->value(), percent) << bytes;
        EXPECT_TRUE(form->FTPUpload->styleSheet().contains(colour)) << bytes;
    }
    emit publisher().FTP1.EndTransfer();
    EXPECT_TRUE(form->FTPUpload->isHidden());
    EXPECT_EQ(form->ftpStatus->text(), "Status: Transfer complete");
}

TEST_F(Upload, EachEmptyFieldIsNamedInTurn)
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
        ASSERT_EQ(boxes().size(), 1u) << what;
        EXPECT_EQ(boxes()[0].title + '|' + boxes()[0].text,
                  "Halvorn|Please fill in the blanks.. " + QString(what) + " Required");
        field->setText(field == form->txtHost ? "127.0.0.1:1" : "x");
    }
    form->File2->clear();
    form->cmd_Offline_Click();
    EXPECT_EQ(boxes().at(1).text, "Please fill in the blanks.. Offline HTML Filename Required");
    form->File1->setText("nowhere.html");
    form->cmd_Online_Click();
    EXPECT_EQ(boxes().at(2).text, "Error: Online HTML file doesn't Exist!");
    expectNothingRecorded();
}

TEST_F(Upload, ALocalFolderGetsALargePageOfOddBytesWholeInOneStep)
{
    fillLocalProfile();
    static const char kLine[] = "line %status% \x00\xff\xfe invalid utf-8\r\n";
    const QByteArray line(kLine, sizeof kLine - 1);
    home.writeFile("on.html", line.repeated(200000));
    FtpTrail s(publisher().FTP1);
    form->cmd_Online_Click();
    EXPECT_EQ(sitePage("index.html"), QByteArray(line).replace("%status%", "Online").repeated(200000));
    EXPECT_EQ(QDir(site.path()).entryList(QDir::Files), QStringList{"index.html"}); // replaced in one step
    EXPECT_EQ(def("Status"), "Online");
    EXPECT_TRUE(s.confirmed == 1 && s.at("I Connected.") >= 0 && s.at("I Disconnected.") >= 0) << s.trail();
}

TEST_F(Upload, ALocalFolderPublishWritesNothingOutsideTheFolder)
{
    // A missing folder and a name leading out of the folder fail.
    fillLocalProfile();
    for (const auto& [dir, file] : {std::pair("missing", "index.html"), {"", "../escape.html"}}) {
        form->txtDir->setText(dir);
        form->txtRemoteFile->setText(file);
        form->cmd_Online_Click();
        EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Failed) << file;
    }
    EXPECT_FALSE(QFile::exists(QDir(site.path()).filePath("../escape.html")));
    EXPECT_TRUE(QDir(site.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(Upload, ExplicitTlsPublishesToASelfSignedServerOnlyWithVerificationOff)
{
    QTemporaryDir certs;
    const auto server = serve(FtpTestServer::tlsOptions(certs));
    mainAction("mnuSave")->trigger();
    form->cmd_Online_Click(); // without TLS the server refuses the login
    expectNothingRecorded();
    WriteIni("Default", "TLS", "require");
    form->cmd_Online_Click(); // the self-signed certificate is refused
    expectNothingRecorded();
    EXPECT_TRUE(debugLog().contains("[FTP Error] 60:"));

    WriteIni("Default", "TLS Verify", "False");
    form->cmd_Online_Click();
    EXPECT_EQ(server->page(), kOnlinePage);
    EXPECT_EQ(def("Status"), "Online");
    EXPECT_TRUE(debugLog().contains("[FTP] TLS certificate verification is off for the profile Default") &&
                debugLog().contains("[FTP] CLIENT: AUTH TLS"));
}

TEST_F(Upload, ImplicitTlsIsSpokenFromTheFirstByte)
{
    QTemporaryDir certs;
    FtpTestServer implicit(FtpTestServer::tlsOptions(certs) << "--implicit");
    ASSERT_GT(implicit.port(), 0) << implicit.errors();
    fillProfile("ftps://" + implicit.address());
    mainAction("mnuSave")->trigger();
    WriteIni("Default", "TLS Verify", "False");
    FtpTrail s(publisher().FTP1);
    form->cmd_Offline_Click();
    // No AUTH TLS, yet a protected transfer.
    EXPECT_TRUE(s.at("S AUTH TLS") < 0 && s.at("S PROT P") >= 0) << s.trail();
    EXPECT_EQ(s.confirmed, 1);
    EXPECT_EQ(implicit.page(), "<p>Offline| |</p>\r\n");
}

// This machine with no network at all: its name finds nothing usable and no
// interface has an address.
class NoNetwork : public Upload {
  protected:
    void SetUp() override
    {
        Upload::SetUp();
        hosts.forward.clear();
        hosts.interfaces.clear();
        Core().LocalIP.clear();
    }
};

// A host name that is not found: RealProgram, in a network namespace of its own.
TEST_F(NoNetwork, ALocalFolderIsPublishedAndTheStatusLineSaysWhyTheAddressIsMissing)
{
    hosts.forward["testhost"] = {"127.0.1.1"};
    fillLocalProfile();
    form->cmd_Online_Click();
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Published);
    EXPECT_TRUE(sitePage("index.html").contains("<p>Online at 127.0.1.1</p>"))
        << sitePage("index.html").toStdString();
    EXPECT_EQ(form->ftpStatus->text(),
              "Status: Default is now Online, without a network address: the host name "
              "testhost leads only to 127.0.1.1 and no network interface has an address");
    EXPECT_EQ(def("Status"), "Online");
}

TEST_F(NoNetwork, AnFtpPublishStopsBeforeConnectingAndSaysWhyTheAddressIsMissing)
{
    const struct {
        const char* row;
        QStringList found;
        const char* why;
    } rows[] = {{"name not found", {}, "cannot be found"},
                {"name leads to loopback", {"127.0.1.1"}, "leads only to 127.0.1.1"}};
    fillProfile("127.0.0.1:1"); // never contacted
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(rows[i].row);
        hosts.forward["testhost"] = rows[i].found;
        form->cmd_Online_Click();
        EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Stopped);
        EXPECT_EQ(form->ftpStatus->text(),
                  u"Error: Online not published, no network address: the host name testhost "
                  "%1 and no network interface has an address"_s.arg(rows[i].why));
        EXPECT_EQ(doubles.sound.beeps, i + 1);
        EXPECT_EQ(debugLog().count("Unable to resolve Local Host. Uploading OnlineHTML Aborted"), i + 1);
        expectNothingRecorded();
    }
    EXPECT_FALSE(debugLog().contains("[FTP]"));
}
