// Every test binary runs with a QApplication on the offscreen platform, so
// widgets, timers and sockets behave as in the program.
#include "core/MainWindowWiring.h"
#include "core/WriteTrouble.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// A file failure told in one test must be told again in the next.
class ForgetToldFailures : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { ResetWriteTrouble(); }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The passwords tests store stay out of the developer's own keyring;
    // the keyring tests switch it on for the bus they start.
    if (!qEnvironmentVariableIsSet("HALVORN_KEYRING"))
        qputenv("HALVORN_KEYRING", "off");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallMainWindowParts();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetToldFailures);
    return RUN_ALL_TESTS();
}
