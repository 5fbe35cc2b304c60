#include "platform/MailServerAddress.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(MailServerAddress, FieldsBecomeUrlsOrSayWhatIsWrong)
{
    struct Case {
        QString text, scheme, url;
    }; // url empty: the text is refused
    for (const Case& c :
         {Case{u"mail.example.org"_s, u"pop3"_s, u"pop3://mail.example.org:110"_s},
          Case{u" mail.example.org:1110 "_s, u"pop3"_s, u"pop3://mail.example.org:1110"_s},
          Case{u"POP3S://mail.example.org"_s, u"pop3"_s, u"pop3s://mail.example.org:995"_s},
          Case{u"smtps://mail.example.org/"_s, u"smtp"_s, u"smtps://mail.example.org:465"_s},
          Case{u"smtp://127.0.0.1:2525"_s, u"smtp"_s, u"smtp://127.0.0.1:2525"_s},
          Case{u"[::1]:2525"_s, u"smtp"_s, u"smtp://[::1]:2525"_s},
          Case{u"::1"_s, u"smtp"_s, u"smtp://[::1]:25"_s}, Case{u""_s, u"pop3"_s, {}},
          Case{u"mail example.org"_s, u"pop3"_s, {}}, Case{u"mail.example.org\r\nRCPT"_s, u"smtp"_s, {}},
          Case{u"mail.example.org:0"_s, u"pop3"_s, {}}, Case{u"mail.example.org:65536"_s, u"pop3"_s, {}},
          Case{u"mail.example.org:65535"_s, u"smtp"_s, u"smtp://mail.example.org:65535"_s},
          Case{u"mail.example.org:+25"_s, u"pop3"_s, {}}, Case{u"mail.example.org:"_s, u"pop3"_s, {}},
          Case{u"smtp://mail.example.org"_s, u"pop3"_s, {}},
          Case{u"pop3://user@mail.example.org"_s, u"pop3"_s, {}},
          Case{u"pop3://mail.example.org/INBOX"_s, u"pop3"_s, {}}, Case{u"[::1"_s, u"pop3"_s, {}},
          Case{u"[mail.example.org]:25"_s, u"smtp"_s, {}}}) {
        const platform::MailServerAddress address = platform::ParseMailServer(c.text, c.scheme);
        EXPECT_EQ(address.valid() ? address.url() : QString(), c.url) << c.text.toStdString();
    }
}
