#include "ToolsFixture.h"

using Desktop = Tools;

// About opens modally beside the main window, and goes whichever way it ends.
TEST_F(Desktop, AboutOpensModallyAndEveryEndingDestroysIt)
{
    form->move(300, 200);
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
            EXPECT_EQ(about->lbVer->text(), QStringLiteral("Version 3.3  (build %1)").arg(BuildNumber()));
            endings[way](about);
        });
        EXPECT_TRUE(about.isNull());
        EXPECT_EQ(::AboutWindow(), nullptr);
    }
}

TEST_F(Desktop, TheAboutLinksTurnBlueUnderThePointerAndOpenWhenClicked)
{
    frmAbout about(form.get());
    about.show();
    auto look = [](LinkLabel* l) {
        return QString(l->hovered() ? "hovered " : "plain ") + l->styleSheet().section(';', 0, 0) +
               QMap<int, QString>{{Qt::PointingHandCursor, " hand"}, {Qt::ArrowCursor, " arrow"}}.value(
                   l->cursor().shape(), " ?");
    };
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(about.lblEmail, &enter);
    EXPECT_EQ(look(about.lblEmail) + ", " + look(about.lblWeb),
              "hovered color: #0000FF hand, plain color: #000000 arrow");
    QEvent left(QEvent::Leave);
    QApplication::sendEvent(about.lblEmail, &left);
    EXPECT_EQ(look(about.lblEmail), "plain color: #000000 arrow");
    QTest::mouseClick(about.lblEmail, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(about.lblWeb, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(doubles.desktop.opened, (std::vector<QString>{"mailto:" + kSupportAddress, kAboutWebAddress}));
}

// A wave file without a device beeps: MailSetupWindow.PlayBeepsWithoutASoundOutput.
TEST_F(Desktop, AnAlertIsTheExclamationWithASoundDeviceAndABeepWithout)
{
    AlertBeep();
    doubles.sound.outputs = 1;
    AlertBeep();
    EXPECT_EQ(QStringLiteral("beeps %1 alerts %2").arg(doubles.sound.beeps).arg(doubles.sound.exclamations),
              "beeps 1 alerts 1");
}

TEST_F(Desktop, BrowsingForASoundFileFillsTheFieldUnlessCancelled)
{
    QLineEdit field("/old/ding.wav");
    EXPECT_FALSE(BrowseSoundFile(nullptr, &field, "/home/u"));
    EXPECT_EQ(field.text(), "/old/ding.wav");
    doubles.dialogs.setNextResult("/new/bell.wav ");
    EXPECT_TRUE(BrowseSoundFile(nullptr, &field));
    EXPECT_EQ(field.text(), "/new/bell.wav");
    // The title and filter: MailSetupWindow.BrowseButtonsFillTheirFieldsFromTheirDialogs.
    EXPECT_EQ(doubles.dialogs.shown().at(0).request.startDirectory, "/home/u");
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
