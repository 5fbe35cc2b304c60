// Alone in its program: once the application has been told to quit, Qt
// runs no further event loop in this process.
#include "platform/FtpClient.h"
#include "support/FtpTestServer.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

TEST(FtpClientQuit, QuittingTheApplicationEndsAWaitingCommandPromptly)
{
    FtpTestServer server({u"--throttle"_s, u"16384"_s});
    ASSERT_GT(server.port(), 0);
    QTemporaryDir dir;
    QFile file(dir.filePath(u"big"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2 * 1024 * 1024, 'q'));
    file.close();
    platform::FtpClient client;
    client.host = server.address();
    client.user = u"tester"_s;
    client.password = u"secret"_s;
    client.remoteFile = u"big"_s;
    client.localFile = file.fileName();
    ASSERT_TRUE(client.connectAndLogin());
    QTimer::singleShot(500, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(client.store());
    EXPECT_LT(clock.elapsed(), 5000); // the whole file would need two minutes
}
