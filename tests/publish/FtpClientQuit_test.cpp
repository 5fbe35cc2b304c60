// Alone in its program: once the application has been told to quit, Qt
// runs no further event loop in this process.
#include "support/FtpTestServer.h"

TEST(FtpClientQuit, QuittingTheApplicationEndsAWaitingCommandPromptly)
{
    FtpTestServer server({"--throttle", "16384"});
    ASSERT_GT(server.port(), 0);
    FtpSession s(server.address(), QByteArray(2 * 1024 * 1024, 'q'));
    ASSERT_TRUE(s.client.connectAndLogin() && s.client.changeDirectory());
    QTimer::singleShot(500, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(s.client.store());
    EXPECT_LT(clock.elapsed(), 5000); // the whole file would need two minutes
}
