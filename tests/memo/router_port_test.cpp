#include "MemoFixture.h"
#include "memo/RouterPort.h"
#include "support/TestGateway.h"

#include <QRegularExpression>

class RouterPortTest : public MemoTest {
protected:
    void useGateway(const QString& url, const char* lease = "2")
    {
        WriteIni(QStringLiteral("Memo"), QStringLiteral("Open Router Port"), QStringLiteral("True"));
        WriteIni(QStringLiteral("Memo"), QStringLiteral("UPnP Description URL"), url);
        WriteIni(QStringLiteral("Memo"), QStringLiteral("UPnP Lease Seconds"), QString::fromLatin1(lease));
    }
    QStringList only(TestGateway& gateway, const char* action)
    {
        return gateway.actions().filter(QRegularExpression(QStringLiteral("^") + QLatin1String(action)));
    }
};

TEST_F(RouterPortTest, MappingFollowsTheServerAndIsRenewed)
{
    TestGateway gateway;
    useGateway(gateway.url());
    startServer();
    ASSERT_TRUE(server() && server()->listening());
    const QString p = QString::number(port);
    const QString mapping = QStringLiteral("AddPortMapping Enabled=1 ExternalPort=%1 InternalClient=127.0.0.1 "
                                           "InternalPort=%1 LeaseDuration=2 PortMappingDescription=Halvorn memo "
                                           "server Protocol=TCP RemoteHost=")
                                .arg(p);
    EXPECT_EQ(gateway.actions().join(u'\n').toStdString(), mapping.toStdString());
    // Renewed at half the lease while the server runs.
    EXPECT_TRUE(pumpUntil([&] { return only(gateway, "AddPortMapping").size() >= 3; }, 4000));

    const QString removal = QStringLiteral("DeletePortMapping ExternalPort=%1 Protocol=TCP RemoteHost=").arg(p);
    const qsizetype before = gateway.actions().size();
    Memo().restartServer();
    EXPECT_EQ(gateway.actions().mid(before).join(u'\n').toStdString(), (removal + u'\n' + mapping).toStdString());
    Memo().stopServer();
    EXPECT_EQ(gateway.actions().last(), removal);
    EXPECT_FALSE(memo::routerPort().mapped());
    const qsizetype after = gateway.actions().size();
    pumpFor(1500);
    EXPECT_EQ(gateway.actions().size(), after) << "no renewal once stopped";
}

TEST_F(RouterPortTest, RefusedOrMissingGatewayIsReportedOnceAndTheServerRuns)
{
    TestGateway conflict({QStringLiteral("--conflict")});
    const struct {
        QString url;
        const char* report;
    } cases[] = {{conflict.url(), "already forwarded to another machine (718)"},
                 {QStringLiteral("http://127.0.0.1:%1/rootDesc.xml").arg(freePort()), "no router found"}};
    for (const auto& c : cases) {
        useGateway(c.url);
        startServer();
        Memo().restartServer();
        EXPECT_TRUE(server() && server()->listening()) << c.report;
        EXPECT_EQ(log.lines.filter(QString::fromLatin1(c.report)).size(), 1) << c.report;
        EXPECT_FALSE(memo::routerPort().mapped());
        Memo().stopServer();
    }
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_TRUE(only(conflict, "DeletePortMapping").isEmpty());
}

TEST_F(RouterPortTest, OffByDefaultAndSwitchedInTheSettingsWindow)
{
    TestGateway gateway;
    useGateway(gateway.url(), "3600");
    WriteIni(QStringLiteral("Memo"), QStringLiteral("Open Router Port"), QStringLiteral("False"));
    startServer();
    EXPECT_TRUE(gateway.actions().isEmpty());
    auto* option = setup().findChild<QCheckBox*>(QStringLiteral("chkUPnP"));
    ASSERT_TRUE(option);
    option->setChecked(true);
    EXPECT_EQ(only(gateway, "AddPortMapping").size(), 1);
    EXPECT_EQ(ReadIni(QStringLiteral("Memo"), QStringLiteral("Open Router Port"), QString()), QStringLiteral("True"));
    option->setChecked(false);
    EXPECT_EQ(only(gateway, "DeletePortMapping").size(), 1);
}
