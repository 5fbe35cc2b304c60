#include "ToolsFixture.h"

using Desktop = Tools;

// About opens modally beside the main window with links that turn blue and open.
TEST_F(Desktop, AboutOpensModallyAndEveryEndingDestroysIt)
{
    form->move(300, 200);
    auto look = [](LinkLabel* l) {
        const QMap<int, QString> shapes{{Qt::PointingHandCursor, "hand"}, {Qt::ArrowCursor, "arrow"}};
        return QString(l->hovered() ? "hovered " : "plain ") + l->styleSheet().section(';', 0, 0) + ' ' +
               shapes.value(l->cursor().shape(), "?");
    };
    const std::vector<std::function<void(frmAbout*)>> endings = {
        [](frmAbout* about) { about->Command1->click(); },
        [](frmAbout*) { HideToolWindows(); },                   // for a memo: opens afresh next time
        [](frmAbout*) { Hooks().closers.value("frmAbout")(); }, // the exit procedure
    };
    for (size_t way = 0; way < endings.size(); ++way) {
        SCOPED_TRACE(way);
        QPointer<frmAbout> about;
        runModal("mnuhvrn", [&] {
            about = ::AboutWindow();
            ASSERT_FALSE(about.isNull());
            EXPECT_TRUE(about->isVisible() && QApplication::activeModalWidget() == about);
            EXPECT_EQ(about->pos(), form->pos() + QPoint(33, 33));
            EXPECT_EQ(QStringList({about->windowTitle(), about->lbVer->text(), about->lblEmail->text(),
                                   about->lblWeb->text(), about->Command1->text()}),
                      QStringList({"About", QStringLiteral("Version 3.3  (build %1)").arg(BuildNumber()),
                                   kSupportAddress, kAboutWebAddress, "&Back"}));
            if (way == 0) {
                QStringList texts;
                for (QLabel* label : about->findChildren<QLabel*>())
                    texts.append(label->text());
                const QRegularExpression headings(
                    "^(Halvorn|Places I can be reached on the Internet|Email:|Web:)$");
                EXPECT_EQ(texts.filter(headings).size(), 4) << texts.join('|').toStdString();
                QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
                QApplication::sendEvent(about->lblEmail, &enter);
                EXPECT_EQ(look(about->lblEmail) + ", " + look(about->lblWeb),
                          "hovered color: #0000FF hand, plain color: #000000 arrow");
                QEvent left(QEvent::Leave);
                QApplication::sendEvent(about->lblEmail, &left);
                EXPECT_EQ(look(about->lblEmail), "plain color: #000000 arrow");
                QTest::mouseClick(about->lblEmail, Qt::LeftButton, {}, QPoint(2, 2));
                QTest::mouseClick(about->lblWeb, Qt::LeftButton, {}, QPoint(2, 2));
                EXPECT_EQ(doubles.desktop.opened,
                          (std::vector<QString>{"mailto:" + kSupportAddress, kAboutWebAddress}));
            }
            endings[way](about);
        });
        EXPECT_TRUE(about.isNull());
        EXPECT_EQ(::AboutWindow(), nullptr);
    }
}

// Also proved by the memo and mail set-up tests.
TEST_F(Desktop, AWaveFileWithoutASoundDeviceBeeps)
{
    AlertBeep(); // no device: a plain beep
    doubles.sound.outputs = 1;
    PlaySoundFile("/snd/missing.wav");
    AlertBeep();
    doubles.sound.outputs = 0; // the device went away
    PlaySoundFile("/snd/memo.wav");
    EXPECT_EQ(
        doubles.sound.played.join(',') +
            QStringLiteral(" beeps %1 alerts %2").arg(doubles.sound.beeps).arg(doubles.sound.exclamations),
        "/snd/missing.wav beeps 2 alerts 1");
}

TEST_F(Desktop, BrowsingForASoundFileFillsTheFieldUnlessCancelled)
{
    QLineEdit field("/old/ding.wav");
    EXPECT_FALSE(BrowseSoundFile(nullptr, &field, "/home/u"));
    EXPECT_EQ(field.text(), "/old/ding.wav");
    doubles.dialogs.setNextResult("/new/bell.wav ");
    EXPECT_TRUE(BrowseSoundFile(nullptr, &field));
    EXPECT_EQ(field.text(), "/new/bell.wav");
    EXPECT_EQ(BrowseSoundFile(nullptr, QStringLiteral("/kept.wav")), "/kept.wav");
    const QString asking = "open|Select sound file|Wav files (*.wav);;All files (*.*)|";
    EXPECT_EQ(asked(), QStringList({asking + "/home/u|", asking + '|', asking + '|'}));
}

TEST_F(Desktop, HelpOpensTheManualOrElseTheHelpFile)
{
    form->action("mnuContents")->trigger();
    const QString manual = home.file("manual/index.html");
    mnuContents_Click(manual);
    home.writeFile("HVRN.HLP", "help");
    mnuContents_Click(manual);
    EXPECT_EQ(doubles.desktop.opened,
              (std::vector<QString>{platform::ShippedManualPath(), manual, home.file("HVRN.HLP")}));
    // The missing manual is noted, but the viewer is still asked.
    EXPECT_TRUE(debugText().contains("[HVRN] Help file not found: " + manual));
}

TEST_F(Desktop, AFileThatNothingCanOpenIsToldByName)
{
    home.writeFile("HVRN.HLP", "help");
    doubles.desktop.succeed = false;
    home.writeFile("Memo.txt", "memo");
    home.writeFile("on.html", "page");
    WriteIni("StartUp", "HTML Editor", "/bin/sh");
    form->File1->setText("on.html");
    MemoSetupState settings;
    frmMemoSetup setup(settings);
    setup.txtHtml[0]->setText("on.html");
    const QString page = home.file("on.html");
    const struct {
        std::function<void()> click;
        QString told;
    } clicks[] = {
        {[&] { form->action("mnuContents")->trigger(); }, "No program could open " + home.file("HVRN.HLP")},
        {[&] { ViewMemoLog(form.get()); }, "No program could open " + MemoLogPath()},
        {[&] { publish::cmd_Edit_Click(*form, 0); }, "No program could open " + page},
        {[&] { setup.cmdEdit_Click(0); }, "/bin/sh could not be started to open " + page}};
    for (const auto& c : clicks) {
        doubles.boxes.clear();
        c.click();
        ASSERT_EQ(doubles.boxes.shown().size(), 1u) << c.told.toStdString();
        EXPECT_EQ(doubles.boxes.shown()[0].text, c.told);
        EXPECT_TRUE(debugText().contains("[HVRN] " + c.told));
    }
}
