// Alone in its program: once the application has been told to quit, Qt
// runs no further event loop in this process.
#include "platform/FtpClient.h"
#include "support/FtpTestServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

TEST(FtpClientQuit, QuittingTheApplicationEndsAWaitingCommandPromptly)
{
    FtpTestServer server({QStringLiteral("--throttle"), QStringLiteral("16384")});
    ASSERT_GT(server.port(), 0);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("big")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2 * 1024 * 1024, 'q'));
    file.close();
    platform::FtpClient client;
    client.host = server.address();
    client.user = QStringLiteral("tester");
    client.password = QStringLiteral("secret");
    client.remoteFile = QStringLiteral("big");
    client.localFile = file.fileName();
    ASSERT_TRUE(client.connectAndLogin());
    QTimer::singleShot(500, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(client.store());
    EXPECT_LT(clock.elapsed(), 5000); // the whole file would need two minutes
}
