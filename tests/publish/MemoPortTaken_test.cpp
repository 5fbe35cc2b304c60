// The memo port held by another program, with publishing and the memo
// server both in the program: what the user is told, and when.
#include "memo/MemoProgram.h"
#include "memo/MemoSetupState.h"
#include "memo/MemoWiring.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"
#include "support/PublishFixture.h"

#include <QTcpServer>

class MemoPortTaken : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        InstallMemoHooks();
        AttachMemo(*form);
        ASSERT_TRUE(holder.listen(QHostAddress::Any, 0)); // a plain listening socket of someone else
        port = QString::number(holder.serverPort());
        WriteIni("Memo", "MemoServer Port", port);
    }
    void TearDown() override
    {
        Memo().reset();
        PublishFixture::TearDown();
    }
    void switchMemoServerOn()
    {
        WriteIni("Memo", "Enabled", "True");
        Memo().settings().LoadMemoServerSettings();
        ASSERT_TRUE(Memo().server() && !Memo().server()->listening());
    }
    QString stateLine() { return Memo().setup().findChild<QLabel*>("lblServerState")->text(); }

    QTcpServer holder;
    QString port;
};

TEST_F(MemoPortTaken, ItIsToldAtOnceInTheStatusLineANotificationAndMemoSetup)
{
    switchMemoServerOn();
    const QString why = "port " + port + " is in use by another program";
    EXPECT_EQ(form->ftpStatus->text(), "Memo server not listening: " + why);
    // The notification's text: RealProgram.AMemoPortHeldByAnotherProgramIsADesktopNotificationNamingThePort.
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_TRUE(stateLine().contains("Not listening: " + why)) << stateLine().toStdString();
    doubles.notices.pickLastAction();
    EXPECT_TRUE(Memo().setup().isVisible());
}

TEST_F(MemoPortTaken, APublishWhileTheMemoServerDoesNotListenSaysSoInTheStatusLine)
{
    switchMemoServerOn();
    fillLocalProfile();
    form->cmd_Online_Click();
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Published);
    EXPECT_EQ(form->ftpStatus->text(), "Status: Default is now Online, memo server not listening: port " +
                                           port + " is in use by another program");
    EXPECT_EQ(doubles.notices.shown.size(), 1u) << "the retry at publish met the same trouble: told once";
}

TEST_F(MemoPortTaken, OkInMemoSetupWithAFreePortStartsTheServerThere)
{
    switchMemoServerOn();
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 freePort = probe.serverPort();
    probe.close();
    Memo().setup().txtMemoPort->setText(QString::number(freePort));
    Memo().setup().cmdControl[0]->click();
    ASSERT_TRUE(Memo().server() && Memo().server()->listening());
    EXPECT_EQ(Memo().server()->listeningPort(), freePort);
    EXPECT_EQ(stateLine(), QString("Listening on port %1.").arg(freePort));
    EXPECT_EQ(form->ftpStatus->text(), QString("Memo server listening on port %1").arg(freePort));
}

TEST_F(MemoPortTaken, APublishAfterThePortWasFreedStartsTheServerListening)
{
    switchMemoServerOn();
    holder.close();
    fillLocalProfile();
    form->cmd_Online_Click();
    ASSERT_TRUE(Memo().server());
    EXPECT_TRUE(Memo().server()->listening());
    EXPECT_EQ(form->ftpStatus->text(), "Status: Default is now Online");
}
