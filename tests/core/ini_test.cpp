#include "CoreFixture.h"
#include "core/IniText.h"
#include "core/SettingText.h"
#include "core/TextToBool.h"

#include <thread>

using IniTest = CoreTest;
const QString kNone = QStringLiteral("<none>");

TEST_F(IniTest, AKeyReadsBackWhateverWroteTheFile)
{
    const struct {
        QByteArray file;
        const char *section, *key, *expected;
    } cases[] = {
        // Names ignore case and surrounding blanks.
        {"[ startup ]\r\n  Credits =  0  \r\n[Default]\r\nauto=True\r\n", " STARTUP ", " credits ", "0"},
        // Missing file, section or key give the default; an empty value is a value.
        {"", "StartUp", "Credits", "<none>"},
        {"[StartUp]\r\nCredits=0\r\n", "Nowhere", "Credits", "<none>"},
        {"[StartUp]\r\nCredits=0\r\n", "StartUp", "Missing", "<none>"},
        {"[StartUp]\r\nCredits=\r\n", "StartUp", "Credits", ""},
        // Quotes and blanks around a value are not part of it.
        {"[s]\r\na= \"quoted value\" \r\n", "s", "a", "quoted value"},
        {"[s]\r\nb=\"only left\r\n", "s", "b", "\"only left"},
        {"[s]\r\nc=in \"the\" middle\r\n", "s", "c", "in \"the\" middle"},
        {"[s]\r\nd=\"\"\r\n", "s", "d", ""},
        {"[s]\r\ne=\t tabbed\t\r\n", "s", "e", "tabbed"},
        // Files from other programs: LF only, odd spacing, comments, garbage lines.
        {"; by hand\n\n   [Profile]   \n Count   =   3\ngarbage line\n  3 = gamma  \n", "profile", "3",
         "gamma"},
        {"[Profile]\n1=alpha\n", "Profile", "2", "<none>"},
        // A value written in Latin-1 by an older program reads as its characters.
        {"[s]\nname=J\xFCrgen\n", "s", "name", "J\xC3\xBCrgen"},
        // Only the first section of a name counts.
        {"[a]\r\nx=1\r\n[b]\r\n[A]\r\ny=2\r\n", "a", "y", "<none>"}};
    for (const auto& c : cases) {
        home.writeFile("hvrn.ini", c.file);
        EXPECT_EQ(ReadIni(c.section, c.key, kNone), QString::fromUtf8(c.expected)) << c.file.toStdString();
    }
}

TEST_F(IniTest, LongValuesAreCutTo254BytesNeverInsideACharacter)
{
    home.writeFile("hvrn.ini", "[s]\r\nk=" + QByteArray(300, 'x') + "\r\n");
    EXPECT_EQ(ReadIni("s", "k", kNone), QString(254, 'x'));
    EXPECT_EQ(ReadIniBytes("s", "k", "").size(), 254);
    ASSERT_TRUE(WriteIni("s", "u", QString(100, QChar(0x20AC)))); // three bytes each
    EXPECT_EQ(ReadIni("s", "u", kNone), QString(84, QChar(0x20AC)));
}

// Number fields (ports, time-outs, the check interval) take the number their text starts with.
TEST(NumberFields, ReadTheNumberTheirTextStartsWith)
{
    const std::pair<const char*, double> cases[] = {
        {"12abc", 12},  {" \t-3.5 min", -3.5}, {"+7", 7},    {"1e3", 1000}, {"2e", 2},
        {"4E-1x", 0.4}, {".5", 0.5},           {".", 0},     {"-", 0},      {"abc", 0},
        {"", 0},        {"1e999", 0},          {"\u0663", 0}};
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromUtf8(text)), expected);
    }
}

TEST(CheckMarks, AcceptWordsAndNumbersOnly)
{
    for (const char* yes : {"True", "TRUE", "true", "1", "-1", " 2 ", "0.5"})
        EXPECT_TRUE(TextToBool(yes)) << yes;
    for (const char* no : {"False", "false", "FALSE", "0", "0.0", " 0 "})
        EXPECT_FALSE(TextToBool(no)) << no;
    for (const char* bad : {"", "yes", "on", "1x", "Truee"}) {
        try {
            TextToBool(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const ProgramError& e) {
            EXPECT_EQ(e.number(), err::kTypeMismatch);
        }
    }
}

// A switch the user never set, or one damaged by hand, keeps the program's choice.
TEST_F(IniTest, AMissingOrDamagedSwitchReadsAsItsDefault)
{
    WriteIni("StartUp", "Damaged", "maybe");
    for (const bool defaultValue : {true, false}) {
        EXPECT_EQ(ReadIniFlag("StartUp", "Damaged", defaultValue), defaultValue);
        EXPECT_EQ(ReadIniFlag("StartUp", "Missing", defaultValue), defaultValue);
    }
}

TEST_F(IniTest, EachChangeTouchesOnlyItsLinesAndEndsThemWithCrLf)
{
    const struct {
        QByteArray before;
        std::function<void()> change;
        QByteArray after;
    } cases[] = {
        {"",
         [] {
             WriteIni("StartUp", "Credits", "True");
             WriteIni("Startup", "Systray", "False");
             WriteIni("DialUp", "Reconnect", "True");
         },
         "[StartUp]\r\nCredits=True\r\nSystray=False\r\n\r\n[DialUp]\r\nReconnect=True\r\n"},
        // A key is replaced in place; a new one goes to the end of its section.
        {"; comment\n[A]\nAuto=False\nother = keep me \n\n[B]\nx=1\n",
         [] {
             WriteIni("a", "AUTO", "True");
             WriteIni("A", "New", "v");
         },
         "; comment\r\n[A]\r\nAuto=True\r\nother = keep me \r\nNew=v\r\n\r\n[B]\r\nx=1\r\n"},
        // Keys and whole sections are deleted; deleting what is not there changes nothing.
        {"[Profile]\r\nCount=3\r\n1=a\r\n2=b\r\n[b]\r\nHost=h\r\nLogin=l\r\n[c]\r\nx=1\r\n",
         [] {
             WriteIni("Profile", "2");
             WriteIni("B");
             WriteIni("Nowhere");
             WriteIni("c", "nokey");
         },
         "[Profile]\r\nCount=3\r\n1=a\r\n[c]\r\nx=1\r\n"},
        // Line breaks in a value cannot add lines.
        {"", [] { WriteIni("s", "k", "first\r\n[Injected]\r\nevil=1"); },
         "[s]\r\nk=first[Injected]evil=1\r\n"},
    };
    for (const auto& c : cases) {
        QFile::remove(home.file("hvrn.ini"));
        if (!c.before.isEmpty())
            home.writeFile("hvrn.ini", c.before);
        c.change();
        EXPECT_EQ(home.readFile("hvrn.ini"), c.after);
    }
}

TEST_F(IniTest, ConcurrentWritersLoseNoKey)
{
    ASSERT_TRUE(WriteIni("stable", "marker", "present"));
    std::atomic<bool> done{false};
    std::atomic<int> missing{0};
    std::thread reader([&] {
        while (!done)
            if (ReadIni("stable", "marker", kNone) != "present")
                ++missing;
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < 40; ++i)
                WriteIni(QStringLiteral("w%1").arg(t), QString::number(i), QString(200, QChar('a' + t)));
        });
    for (auto& w : writers)
        w.join();
    done = true;
    reader.join();
    EXPECT_EQ(missing.load(), 0);
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(ReadIni(QStringLiteral("w%1").arg(t), QString::number(i), kNone).size(), 200);
}

TEST_F(IniTest, StoredPasswordsOfEveryByteValueRoundTripThroughTheFile)
{
    EXPECT_EQ(Encrypt(""), "");
    const QByteArray key = Encrypt(QByteArray(30, '\0')); // XOR with zero shows the key, twice over
    EXPECT_EQ(key.left(15), key.mid(15, 15));             // its bytes are pinned by the typed-out value below
    // A password equal to the key scrambles to all NULs. Every byte value
    // 1-255 is covered in two halves, each within the 254-byte read limit.
    QByteArray lowBytes, highBytes;
    for (int b = 1; b <= 255; ++b)
        (b < 128 ? lowBytes : highBytes) += char(b);
    std::vector<QByteArray> values{lowBytes, highBytes, key.left(15),
                                   " lead",  "trail ",  "\"quoted\"",
                                   "\r\n",   "\t",      QByteArray(1, char(0x9C))};
    QRandomGenerator random(20261207);
    for (int round = 0; round < 300; ++round) {
        QByteArray raw;
        for (int i = int(random.bounded(1, 60)); i > 0; --i)
            raw += char(random.bounded(1, 256));
        values.push_back(raw);
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const QString section = QStringLiteral("S%1").arg(i % 5), key = QStringLiteral("k%1").arg(i);
        ASSERT_TRUE(WriteIniBytes(section, key, escapeStoredBytes(Encrypt(values[i]))));
        ASSERT_EQ(Encrypt(unescapeStoredBytes(ReadIniBytes(section, key, ""))), values[i]) << i;
    }
}

TEST_F(IniTest, PasswordsStoredByEarlierRunsStillLoad)
{
    // A password as users' files hold it (NULs and an end blank escaped),
    // typed out rather than computed: a changed key or key position would
    // make every stored password unreadable.
    const QByteArray stored =
        "[Default]\r\npass=" + QByteArray::fromHex("9c309c30521de0e2060b4443512a379c73") + "\r\n";
    home.writeFile("hvrn.ini", stored);
    EXPECT_EQ(LoadStoredPassword("Default", "pass"), QStringLiteral("Hv sécret pwP"));
    QFile::remove(home.file("hvrn.ini"));
    ASSERT_TRUE(SaveStoredPassword("Default", "pass", QStringLiteral("Hv sécret pwP")));
    EXPECT_EQ(home.readFile("hvrn.ini"), stored);
}
