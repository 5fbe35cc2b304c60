// End to end with a real browser: headless Chromium opens a page with the
// memo form (from file://, or over https from the memo server itself), posts
// a memo to the running memo server, and the reply typed into the memo window
// appears in the browser.
#include "HttpsFixture.h"

#ifndef MEMO_E2E_DIR
#error "MEMO_E2E_DIR names the folder with the browser script"
#endif

class BrowserEndToEnd : public MemoTest {
  protected:
    // The browser script and its one npm dependency, set up in the build tree.
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("node").isEmpty() || !QFile::exists("/usr/bin/chromium"))
            GTEST_SKIP() << "node or /usr/bin/chromium is not installed (scripts/test installs both)";
        QDir().mkpath(scriptDir);
        for (const QString name : {"package.json", "package-lock.json", "memo_e2e.mjs"}) {
            QFile::remove(scriptDir + '/' + name);
            ASSERT_TRUE(QFile::copy(MEMO_E2E_DIR "/" + name, scriptDir + '/' + name)) << name.toStdString();
        }
        if (!QFile::exists(scriptDir + "/node_modules/playwright-core/package.json")) {
            QProcess npm;
            npm.setWorkingDirectory(scriptDir);
            npm.start("npm", {"ci", "--no-audit", "--no-fund"});
            ASSERT_TRUE(npm.waitForFinished(300000) && npm.exitCode() == 0)
                << "npm ci failed: " << npm.readAllStandardError().right(400).constData();
        }
        memoLimits().replyTickMs = 1000; // the real tick
    }

    // The visitor opens page, sends a memo that waits for the reply, and
    // gets the reply typed into the memo window; browserArgs go to Chromium.
    void visitAndReply(const QString& page, const QString& windowTitle, const QStringList& browserArgs = {})
    {
        const QString reply = "Hello Vic, back in five";
        QProcess browser;
        browser.setWorkingDirectory(scriptDir);
        browser.setProcessChannelMode(QProcess::MergedChannels);
        QByteArray output;
        QObject::connect(&browser, &QProcess::readyRead, [&] { output += browser.readAll(); });
        browser.start("node",
                      QStringList{scriptDir + "/memo_e2e.mjs", page, home.file("chromium-profile"), reply} +
                          browserArgs);
        ASSERT_TRUE(browser.waitForStarted());
        auto finished = [&] { return browser.state() == QProcess::NotRunning; };

        const bool memoShown = pumpUntil([&] { return Memo().memoWindow() != nullptr || finished(); }, 90000);
        if (finished() && browser.exitCode() == 77)
            GTEST_SKIP() << output.toStdString();
        ASSERT_TRUE(memoShown && Memo().memoWindow()) << output.toStdString();
        frmMemo* window = Memo().memoWindow();
        EXPECT_EQ(window->txtName->text(), "Visitor Vic");
        EXPECT_EQ(window->windowTitle(), windowTitle);
        EXPECT_EQ(Memo().globals.MemoText, "Are you there?\r\nSecond line");
        ASSERT_TRUE(pumpUntil([&] { return output.contains("OPENING") || finished(); }, 30000))
            << output.toStdString();
        window->txtReply->setPlainText(reply);
        ASSERT_TRUE(pumpUntil([&] { return output.contains("INTERIM") || finished(); }, 30000))
            << output.toStdString();
        window->cmd_Send->click();
        ASSERT_TRUE(pumpUntil(finished, 60000)) << output.toStdString();
        EXPECT_EQ(browser.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("REPLY " + reply.toUtf8())) << output.toStdString();
        EXPECT_TRUE(memoLog().contains("Your Reply: " + reply.toUtf8()));
    }

    const QString scriptDir = MEMO_E2E_WORK;
};

TEST_F(BrowserEndToEnd, VisitorGetsTheTypedReplyInChromium)
{
    startServer("60");
    ASSERT_TRUE(server()->listening());
    // The published page's memo form, as page expansion writes it.
    home.writeFile("status.html",
                   QByteArray(R"(<html><head><title>My status</title></head><body><h1>Online</h1>
<FORM action="http://127.0.0.1:PORT/memo/" method="POST"><input type="hidden" name="Site" value="Home">
From: <INPUT TYPE="text" NAME="NAME" MAXLENGTH=40><BR>
<TEXTAREA MAXLENGTH=256 ROWS=5 COLS=75 NAME="MESSAGE"></TEXTAREA><BR>
<INPUT type=submit value="Send">  Wait For Reply <select name="REPLY" size="1"><option>YES</option><option selected>NO</option>
</select></FORM></body></html>)")
                       .replace("PORT", QByteArray::number(port)));
    visitAndReply(home.file("status.html"), "You received a Memo from your Home webpage.");
}

TEST_F(BrowserEndToEnd, VisitorOnAnHttpsPageGetsTheTypedReplyOverTls)
{
    ASSERT_TRUE(makeCertificate(home.path(), "memo", "DNS:localhost"));
    useCertificateFiles(home, "memo");
    startServer("60");
    ASSERT_TRUE(server()->listening());
    // The test's browser profile trusts the test certificate's key, and only it.
    QProcess spki;
    spki.start("bash", {"-c",
                        "openssl x509 -in \"$0\" -pubkey -noout | openssl pkey -pubin -outform der"
                        " | openssl dgst -sha256 -binary | base64",
                        home.file("memo-cert.pem")});
    ASSERT_TRUE(spki.waitForFinished(20000) && spki.exitCode() == 0);
    const QString pin = QString::fromLatin1(spki.readAllStandardOutput().trimmed());
    // The memo server's own page over https, whose form posts back to it over https.
    visitAndReply("https://localhost:" + QString::number(port) + "/",
                  "You received a Memo from your unknown webpage.",
                  {"--ignore-certificate-errors-spki-list=" + pin});
}
