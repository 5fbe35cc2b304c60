#include "MemoFixture.h"
#include "memo/RouterPort.h"
#include "support/TestGateway.h"

class RouterPortTest : public MemoTest {
protected:
    void useGateway(const QString& url, const char* wanted = "True")
    {
        const std::pair<const char*, QString> keys[] = {
            {"Open Router Port", QString::fromLatin1(wanted)}, {"UPnP Description URL", url}, {"UPnP Lease Seconds", "2"}};
        for (const auto& [key, value] : keys)
            WriteIni(QStringLiteral("Memo"), QString::fromLatin1(key), value);
    }
};

TEST_F(RouterPortTest, TheOptionMapsThePortWhichIsRenewedAndFollowsTheServer)
{
    TestGateway gateway;
    useGateway(gateway.url, "False");
    startServer();
    EXPECT_TRUE(gateway.actions().isEmpty()) << "off by default";
    setup().findChild<QCheckBox*>(QStringLiteral("chkUPnP"))->setChecked(true);
    EXPECT_EQ(ReadIni(QStringLiteral("Memo"), QStringLiteral("Open Router Port"), QString()), QStringLiteral("True"));
    const QString mapping = QStringLiteral("AddPortMapping Enabled=1 ExternalPort=%1 InternalClient=127.0.0.1 "
                                           "InternalPort=%1 LeaseDuration=2 PortMappingDescription=Halvorn memo "
                                           "server Protocol=TCP RemoteHost=")
                                .arg(port);
    EXPECT_EQ(gateway.actions().join(u'\n').toStdString(), mapping.toStdString());
    // Renewed at half the lease while the server runs.
    EXPECT_TRUE(pumpUntil([&] { return gateway.actions().filter(QStringLiteral("AddPort")).size() >= 3; }, 4000));

    const QString removal = QStringLiteral("DeletePortMapping ExternalPort=%1 Protocol=TCP RemoteHost=").arg(port);
    const qsizetype before = gateway.actions().size();
    Memo().restartServer();
    EXPECT_EQ(gateway.actions().mid(before).join(u'\n').toStdString(), (removal + u'\n' + mapping).toStdString());
    Memo().stopServer();
    EXPECT_EQ(gateway.actions().last(), removal);
}

TEST_F(RouterPortTest, RefusedOrMissingGatewayIsReportedOnceAndTheServerRuns)
{
    TestGateway conflict({QStringLiteral("--conflict")});
    const std::pair<QString, const char*> cases[] = {
        {conflict.url, "already forwarded to another machine (718)"},
        {QStringLiteral("http://127.0.0.1:%1/rootDesc.xml").arg(freePort()), "no router found"}};
    for (const auto& [url, report] : cases) {
        useGateway(url);
        startServer();
        Memo().restartServer();
        EXPECT_TRUE(server() && server()->listening()) << report;
        EXPECT_EQ(log.lines.filter(QString::fromLatin1(report)).size(), 1) << report;
        EXPECT_FALSE(memo::routerPort().mapped());
        Memo().stopServer();
    }
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_TRUE(conflict.actions().filter(QStringLiteral("Delete")).isEmpty());
}
