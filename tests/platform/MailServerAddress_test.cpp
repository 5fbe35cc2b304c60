#include "platform/MailServerAddress.h"

#include <gtest/gtest.h>

TEST(MailServerAddress, FieldsBecomeUrlsOrSayWhatIsWrong)
{
    const struct {
        QString text, scheme, url; // url empty: the text is refused
    } cases[] = {{"mail.example.org", "pop3", "pop3://mail.example.org:110"},
                 {" mail.example.org:1110 ", "pop3", "pop3://mail.example.org:1110"},
                 {"POP3S://mail.example.org", "pop3", "pop3s://mail.example.org:995"},
                 {"smtps://mail.example.org/", "smtp", "smtps://mail.example.org:465"},
                 {"smtp://127.0.0.1:2525", "smtp", "smtp://127.0.0.1:2525"},
                 {"[::1]:2525", "smtp", "smtp://[::1]:2525"},
                 {"::1", "smtp", "smtp://[::1]:25"},
                 {"mail.example.org:65535", "smtp", "smtp://mail.example.org:65535"},
                 {"", "pop3", {}},
                 {"mail example.org", "pop3", {}},
                 {"mail.example.org\r\nRCPT", "smtp", {}},
                 {"mail.example.org:0", "pop3", {}},
                 {"mail.example.org:65536", "pop3", {}},
                 {"mail.example.org:+25", "pop3", {}},
                 {"mail.example.org:", "pop3", {}},
                 {"smtp://mail.example.org", "pop3", {}},
                 {"pop3://user@mail.example.org", "pop3", {}},
                 {"pop3://mail.example.org/INBOX", "pop3", {}},
                 {"[::1", "pop3", {}},
                 {"[mail.example.org]:25", "smtp", {}}};
    for (const auto& c : cases) {
        const platform::MailServerAddress address = platform::ParseMailServer(c.text, c.scheme);
        EXPECT_EQ(address.valid() ? address.url() : QString(), c.url) << c.text.toStdString();
    }
}
