// End to end with a real browser: headless Chromium opens a page with the
// memo form from file://, posts a memo to the running memo server, and the
// reply typed into the memo window appears in the browser.
#include "MemoFixture.h"

#ifndef MEMO_E2E_DIR
#error "MEMO_E2E_DIR names the folder with the browser script"
#endif

// The browser script and its one npm dependency, set up in the build tree; empty with `why` set on failure.
static QString preparedScriptDir(QString* why)
{
    const QString work = MEMO_E2E_WORK;
    QDir().mkpath(work);
    for (const QString name : {"package.json", "package-lock.json", "memo_e2e.mjs"}) {
        QFile::remove(work + '/' + name);
        if (!QFile::copy(MEMO_E2E_DIR "/" + name, work + '/' + name))
            return *why = "cannot copy " + name, QString();
    }
    if (QFile::exists(work + "/node_modules/playwright-core/package.json"))
        return work;
    QProcess npm;
    npm.setWorkingDirectory(work);
    npm.start("npm", {"ci", "--no-audit", "--no-fund"});
    if (npm.waitForFinished(300000) && npm.exitCode() == 0)
        return work;
    return *why = "npm ci failed: " + QString::fromLocal8Bit(npm.readAllStandardError().right(400)), QString();
}

// The published page's memo form, as page expansion writes it.
static QByteArray publishedPage(quint16 port)
{
    return "<html><head><title>My status</title></head><body><h1>Online</h1>\r\n"
           "<FORM action=\"http://127.0.0.1:" + QByteArray::number(port) + "/memo/\" method=\"POST\">\r\n"
           "<input type=\"hidden\" name=\"Site\" value=\"Home\">\r\n"
           "From: <INPUT TYPE=\"text\" NAME=\"NAME\" MAXLENGTH=40><BR>\r\n"
           "<TEXTAREA MAXLENGTH=256 ROWS=5 COLS=75 NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
           "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
           "<option>YES</option><option selected>NO</option></select></FORM>\r\n</body></html>\r\n";
}

using BrowserEndToEnd = MemoTest;
TEST_F(BrowserEndToEnd, VisitorGetsTheTypedReplyInChromium)
{
    if (QStandardPaths::findExecutable("node").isEmpty() || !QFile::exists("/usr/bin/chromium"))
        GTEST_SKIP() << "node or /usr/bin/chromium is not installed (scripts/test installs both)";
    QString why;
    const QString scriptDir = preparedScriptDir(&why);
    ASSERT_FALSE(scriptDir.isEmpty()) << why.toStdString();

    memoLimits().replyTickMs = 1000; // the real tick
    startServer("60");
    ASSERT_TRUE(server()->listening());
    home.writeFile("status.html", publishedPage(port));
    const QString reply = "Hello Vic, back in five";

    QProcess browser;
    browser.setWorkingDirectory(scriptDir);
    browser.setProcessChannelMode(QProcess::MergedChannels);
    QByteArray output;
    QObject::connect(&browser, &QProcess::readyRead, [&] { output += browser.readAll(); });
    browser.start("node", {scriptDir + "/memo_e2e.mjs", home.file("status.html"), home.file("chromium-profile"), reply});
    ASSERT_TRUE(browser.waitForStarted());
    auto finished = [&] { return browser.state() == QProcess::NotRunning; };

    const bool memoShown = pumpUntil([&] { return Memo().memoWindow() != nullptr || finished(); }, 90000);
    if (finished() && browser.exitCode() == 77)
        GTEST_SKIP() << output.toStdString();
    ASSERT_TRUE(memoShown && Memo().memoWindow()) << output.toStdString();
    frmMemo* window = Memo().memoWindow();
    EXPECT_EQ(window->txtName->text(), "Visitor Vic");
    EXPECT_EQ(window->windowTitle(), "You received a Memo from your Home webpage.");
    EXPECT_EQ(Memo().globals.MemoText, "Are you there?\r\nSecond line");
    ASSERT_TRUE(pumpUntil([&] { return output.contains("OPENING") || finished(); }, 30000)) << output.toStdString();
    window->txtReply->setPlainText(reply);
    ASSERT_TRUE(pumpUntil([&] { return output.contains("INTERIM") || finished(); }, 30000)) << output.toStdString();
    window->cmd_Send->click();
    ASSERT_TRUE(pumpUntil(finished, 60000)) << output.toStdString();
    EXPECT_EQ(browser.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("REPLY " + reply.toUtf8())) << output.toStdString();
    EXPECT_TRUE(memoLog().contains("Your Reply: " + reply.toUtf8()));
}
