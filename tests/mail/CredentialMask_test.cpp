#include "mail/CredentialMask.h"

#include <gtest/gtest.h>

namespace {

struct Line {
    int direction;
    const char* text;
    const char* shown;
};

void expectShown(const std::vector<Line>& dialogue)
{
    CredentialMask mask;
    for (const Line& line : dialogue) {
        SCOPED_TRACE(line.text);
        EXPECT_EQ(mask.shown(line.direction, QString::fromUtf8(line.text)).toStdString(), line.shown);
    }
}

constexpr int C = CredentialMask::Client, S = CredentialMask::Server, I = CredentialMask::Information;

} // namespace

TEST(CredentialMask, CredentialCommandsLoseTheirArgument)
{
    expectShown({{C, "PASS OK", "PASS **********"},
                 {C, "pass secret words", "PASS **********"},
                 {C, "APOP ann 8b1a9953c4611296a827abf8c47804d7", "APOP ann **********"},
                 {C, "AUTH PLAIN AGFubgBzZWNyZXQ=", "AUTH PLAIN **********"}});
}

TEST(CredentialMask, EveryLineOfAnAuthExchangeIsHiddenUntilTheServerEndsIt)
{
    expectShown({{C, "AUTH LOGIN", "AUTH LOGIN"},
                 {S, "+ VXNlcm5hbWU6", "+ VXNlcm5hbWU6"},
                 {C, "YW5u", "**********"},
                 {S, "+ UGFzc3dvcmQ6", "+ UGFzc3dvcmQ6"},
                 {C, "c2VjcmV0", "**********"},
                 {S, "+OK Logged in.", "+OK Logged in."},
                 {C, "STAT", "STAT"}});
}

TEST(CredentialMask, ThePasswordsTextElsewhereIsLeftAlone)
{
    // With the password "OK" (or the user's name), nothing but the
    // credential line may change.
    expectShown({{S, "+OK Dovecot ready.", "+OK Dovecot ready."},
                 {C, "USER OK", "USER OK"},
                 {S, "+OK", "+OK"},
                 {C, "PASS OK", "PASS **********"},
                 {S, "+OK Logged in.", "+OK Logged in."},
                 {I, "OK, 3 messages listed", "OK, 3 messages listed"},
                 {C, "TOP 1 0", "TOP 1 0"}});
}
