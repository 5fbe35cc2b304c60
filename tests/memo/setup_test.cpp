// The memo settings window: loading, saving, cancelling, the per-page
// boxes, the colour drop-downs, the port key filter, the buttons, and the
// router port that follows the server.
#include "MemoFixture.h"

#include "core/AppHooks.h"
#include "core/MemoSettingsView.h"
#include "memo/ColorSelect.h"
#include "memo/RouterPort.h"
#include "support/TestGateway.h"

using SetupTest = MemoTest;

static void type(QWidget* w, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
}

TEST_F(SetupTest, AFirstLoadGivesTheDefaults)
{
    frmMemoSetup& w = setup();
    w.LoadSounds();
    w.LoadMemoServerSettings();
    EXPECT_EQ((QStringList{w.txtMemoPort->text(), w.settings().MemoTextColor, w.settings().MemoBackColor,
                           w.Timeout->text(), w.txtRow->text(), w.txtColumn->text()}),
              (QStringList{"4175", "#000000", "#FFFFFF", "", "", ""}));
    bool anyOn = w.chkMemo->isChecked() || w.chkMemoSound->isChecked() || w.cmdMemoBrowse->isEnabled();
    for (size_t i = 0; i < kMemoPageCount; ++i)
        anyOn = anyOn || w.chkhtml[i]->isChecked() || w.txtHtml[i]->isEnabled() || w.cmdEdit[i]->isEnabled();
    EXPECT_FALSE(anyOn);
    EXPECT_EQ(server(), nullptr);
    EXPECT_FALSE(Memo().away());
}

TEST_F(SetupTest, TheStoredAwayStateReadsAsTrueOnlyForTrueOrOne)
{
    for (const auto& [stored, expected] : {std::pair{"True", true},
                                           {"TRUE", true},
                                           {"1", true},
                                           {"False", false},
                                           {"0", false},
                                           {"junk", false}}) {
        SCOPED_TRACE(stored);
        WriteIni("Memo", "Away", stored);
        setup().LoadMemoServerSettings();
        EXPECT_EQ(Memo().away(), expected);
    }
    EXPECT_EQ(errorLog(), "");
}

// A colour outside the table or an unreadable flag stops the load there.
TEST_F(SetupTest, ABadValueStopsTheLoadThereAndIsLogged)
{
    frmMemoSetup& w = setup();
    WriteIni("Memo", "Text Color", "#000080"), WriteIni("html", "busy value", "True");
    w.LoadMemoServerSettings();
    EXPECT_EQ(w.settings().MemoTextColor, "#000080");
    EXPECT_TRUE(errorLog().contains("in Load MemoServer Settings"));
    EXPECT_TRUE(w.txtHtml[1]->isEnabled()); // the per-page reaction ran when the box changed
    for (const auto& [key, value] :
         {std::pair{"Text Color", "#000000"}, {"Notice", "maybe"}, {"Reply Timeout", "77"}})
        WriteIni("Memo", key, value);
    w.LoadMemoServerSettings();
    EXPECT_TRUE(errorLog().contains("13 in Load MemoServer Settings"));
    EXPECT_NE(w.Timeout->text(), "77"); // not reached
}

// The settings load and serve without the window; the window, created later,
// shows them, and its edits and Cancel work on the same settings.
TEST_F(SetupTest, SettingsLiveWithoutTheWindowWhichShowsThemWhenFirstShown)
{
    WriteIni("Memo", "Reply Timeout", "45"), WriteIni("Sounds", "Memo Enabled", "True"),
        WriteIni("Memo", "Wrap", "1");
    Memo().settings().LoadSounds();
    Memo().settings().LoadMemoServerSettings();
    EXPECT_EQ(Memo().setupWindow(), nullptr);
    EXPECT_TRUE(Memo().settings().pageSettings().timeout == "45" && MemoSettings().wrap());
    frmMemoSetup& w = setup();
    EXPECT_TRUE(w.chkMemoSound->isChecked() && w.ChkWrap->isChecked() && w.cmdMemoBrowse->isEnabled());
    EXPECT_EQ(w.Timeout->text(), "45");
    w.Timeout->setText("9");
    EXPECT_EQ(Memo().settings().timeoutText(), "9");
    w.cmdControl_Click(1);
    EXPECT_EQ(w.Timeout->text() + Memo().settings().timeoutText(), "4545");
}

// The window with every setting edited and saved.
class SavedSetupTest : public SetupTest {
  protected:
    frmMemoSetup& saveEverySetting()
    {
        frmMemoSetup& w = setup();
        w.LoadMemoServerSettings();
        // chkhtml_0 has no file: it is saved as off.
        for (QCheckBox* box : {w.chkhtml[0], w.chkhtml[3], w.ChkWrap, w.chkMemoSound})
            box->setChecked(true);
        const std::pair<QLineEdit*, const char*> texts[] = {{w.txtHtml[3], "head.html"},
                                                            {w.txtC[0], "first"},
                                                            {w.txtC[4], "fifth"},
                                                            {w.Timeout, "45"},
                                                            {w.txtRow, "4"},
                                                            {w.txtColumn, "60"},
                                                            {w.txtMemoPort, "5000"},
                                                            {w.PlayMemoSound, "/s/memo.wav"}};
        for (const auto& [box, text] : texts)
            box->setText(text);
        w.foreColor->pick(4);
        w.SaveMemo();
        return w;
    }
};

// Custom variables are read when the window is created and count only once saved.
TEST_F(SetupTest, AnEditCountsAtOnceForReadersButACustomVariableOnlyOnceSaved)
{
    WriteIni("Custom", "C4%", "labelled five");
    frmMemoSetup& w = setup();
    EXPECT_EQ(w.txtC[4]->text() + '|' + w.txtC[2]->text(), "labelled five|");
    w.LoadMemoServerSettings();
    w.txtRow->setText("9");
    w.ChkReply->setChecked(true);
    EXPECT_EQ(MemoSettings().rows(), "9");
    EXPECT_TRUE(MemoSettings().replyChecked());
    w.txtC[1]->setText("unsaved");
    EXPECT_EQ(MemoSettings().customVariable(1), "");
    w.SaveMemo();
    EXPECT_EQ(MemoSettings().customVariable(1), "unsaved");
}

TEST_F(SavedSetupTest, SaveWritesEverySetting)
{
    frmMemoSetup& w = saveEverySetting();
    EXPECT_FALSE(w.chkhtml[0]->isChecked());
    const char* stored[][3] = {{"html", "away value", "False"},
                               {"html", "header value", "True"},
                               {"html", "header", "head.html"},
                               {"html", "timeout", ""},
                               {"Custom", "C0%", "first"},
                               {"Custom", "C4%", "fifth"},
                               {"Memo", "Enabled", "False"},
                               {"Memo", "Reply Timeout", "45"},
                               {"Memo", "Wrap", "True"},
                               {"Memo", "Rows", "4"},
                               {"Memo", "Columns", "60"},
                               {"Memo", "Text Color", "#800040"},
                               {"Memo", "BackGround Color", "#FFFFFF"},
                               {"Memo", "MemoServer Port", "5000"},
                               {"Sounds", "Memo Enabled", "True"},
                               {"Sounds", "Memo", "/s/memo.wav"}};
    for (const auto& [section, key, value] : stored)
        EXPECT_EQ(ReadIni(section, key, "<absent>"), value) << section << " " << key;
}

TEST_F(SavedSetupTest, CancelReloadsAllButTheVariablesAndTheSound)
{
    frmMemoSetup& w = saveEverySetting();
    w.show();
    w.txtRow->setText("8"), w.txtC[0]->setText("edited"), w.PlayMemoSound->setText("edited.wav");
    w.cmdControl_Click(1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.txtRow->text() + w.txtC[0]->text() + w.PlayMemoSound->text(), "4editededited.wav");
}

TEST_F(SavedSetupTest, OkSavesAndHidesAndTheCloseBoxOnlyHides)
{
    frmMemoSetup& w = saveEverySetting();
    w.show();
    w.txtC[0]->setText("edited");
    w.cmdControl_Click(0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ReadIni("Custom", "C0%", QString()), "edited");
    w.show();
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(&setup(), &w);
}

TEST_F(SetupTest, EnabledStartsTheServerAndClearingStopsIt)
{
    startServer(); // serving on the port: the served-server tests
    ASSERT_NE(server(), nullptr);
    EXPECT_TRUE(log.contains("[MemoServer] Server Started"));
    EXPECT_TRUE(log.contains(QString("[MemoServer] Listening on Port: %1").arg(port)));
    EXPECT_TRUE(setup().Timeout->isEnabled());
    setup().chkMemo->setChecked(false);
    EXPECT_EQ(server(), nullptr);
    EXPECT_FALSE(setup().Timeout->isEnabled() || setup().txtMemoPort->isEnabled() ||
                 setup().foreColor->dropButton()->isEnabled());
}

TEST_F(SetupTest, InOneShotModeEnabledIsOnlyTicked)
{
    WriteIni("Memo", "Enabled", "True");
    setup().setOneShot(true);
    setup().LoadMemoServerSettings();
    EXPECT_TRUE(setup().chkMemo->isChecked());
    EXPECT_EQ(server(), nullptr);
    setup().chkMemo->setChecked(false);
    setup().chkMemo->setChecked(true);
    EXPECT_EQ(server(), nullptr);
}

TEST_F(SetupTest, ColourDropDownsPickTheStoredColourTexts)
{
    frmMemoSetup& w = setup();
    w.show();
    ColorSelect& fore = *w.foreColor;
    fore.dropButton()->click();
    EXPECT_TRUE(fore.palette()->isVisible());
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      {});
    QCoreApplication::sendEvent(fore.cell(1), &click);
    EXPECT_FALSE(fore.palette()->isVisible());
    EXPECT_EQ(w.settings().MemoTextColor, "#0000A0");
    EXPECT_EQ(fore.swatch()->palette().color(QPalette::Window), QColor(0x00, 0x00, 0x80));
    fore.dropButton()->click();
    type(fore.dropButton(), Qt::Key_Escape, QString());
    EXPECT_FALSE(fore.palette()->isVisible());
    w.backColor_->pick(14);
    EXPECT_EQ(w.settings().MemoBackColor, "#FFFF00");
}

TEST_F(SetupTest, ThePortBoxTakesDigitsUpToJustAbove65000)
{
    frmMemoSetup& w = setup();
    w.show();
    QLineEdit* box = w.txtMemoPort;
    box->clear();
    // Key, its text, and the box afterwards; ^V is a paste by keyboard.
    const std::tuple<int, const char*, const char*> keys[] = {
        {Qt::Key_6, "6", "6"},     {Qt::Key_5, "5", "65"},       {Qt::Key_0, "0", "650"},
        {Qt::Key_0, "0", "6500"},  {Qt::Key_A, "a", "6500"},     {Qt::Key_1, "1", "65001"},
        {Qt::Key_2, "2", "65001"}, {Qt::Key_V, "\x16", "65001"}, {Qt::Key_Backspace, "\b", "6500"}};
    for (const auto& [key, text, expected] : keys)
        EXPECT_EQ((type(box, key, text), box->text()), expected) << text;
}

// The file dialogs, the sound rule (PlaySoundFile's beep without a device:
// Desktop.WaveFilesNeedADevice...), and Edit stopping at the first thing missing.
TEST_F(SetupTest, BrowseFillsTheFieldWithTheChosenFileAndCancelKeepsIt)
{
    frmMemoSetup& w = setup();
    doubles.dialogs.setNextResult("/pages/away.html");
    w.cmdBrw_Click(0);
    w.cmdBrw_Click(0); // cancelled: unchanged
    EXPECT_EQ(w.txtHtml[0]->text(), "/pages/away.html");
    ASSERT_EQ(doubles.dialogs.shown().size(), 2u);
    const auto& asked = doubles.dialogs.shown()[0].request;
    EXPECT_EQ((QStringList{asked.title, asked.startDirectory, asked.qtFilter}),
              (QStringList{"Select file", home.path(),
                           "HTML Files (*.html *.htm);;Text (*.txt);;All Files (*.*)"}));
    doubles.dialogs.setNextResult("/s/ding.wav");
    w.cmdMemoBrowse_Click();
    EXPECT_EQ(w.PlayMemoSound->text(), "/s/ding.wav");
    EXPECT_EQ(doubles.dialogs.shown()[2].request.title, "Select sound file");
}

TEST_F(SetupTest, TheSoundSwitchEnablesItsBrowseButton)
{
    frmMemoSetup& w = setup();
    for (const auto& [stored, on] : {std::pair{"True", true}, {"0", false}, {"False", false}}) {
        SCOPED_TRACE(stored);
        WriteIni("Sounds", "Memo Enabled", stored);
        w.LoadSounds();
        EXPECT_EQ(w.chkMemoSound->isChecked(), on);
        EXPECT_EQ(w.cmdMemoBrowse->isEnabled(), on);
    }
}

TEST_F(SetupTest, PlayPlaysTheSoundEvenWithTheSoundOff)
{
    WriteIni("Sounds", "Memo", "/s/memo.wav");
    setup().LoadSounds();
    doubles.sound.outputs = 1;
    setup().cmdMemoPlay_Click();
    EXPECT_EQ(doubles.sound.played, QStringList{"/s/memo.wav"});
}

TEST_F(SetupTest, EditSaysWhatIsMissingOrOpensThePageInTheEditor)
{
    frmMemoSetup& w = setup();
    const QString editor = home.file("editor");
    w.cmdEdit_Click(2);
    home.writeFile("editor", "#!/bin/sh\n");
    WriteIni("StartUp", "HTML Editor", editor);
    w.cmdEdit_Click(2);
    w.txtHtml[2]->setText("memo.html");
    w.cmdEdit_Click(2);
    QStringList texts;
    for (const auto& box : doubles.boxes.shown())
        texts.append(box.text);
    ASSERT_EQ(texts,
              (QStringList{"Error: Program doesn't Exist!", "Please fill in the blanks.. Filename Required",
                           "Error: HTML file doesn't Exist!"}));
    EXPECT_EQ(doubles.boxes.shown()[2].title, "Halvorn");
    home.writeFile("memo.html", "<p>x</p>");
    w.cmdEdit_Click(2);
    ASSERT_EQ(doubles.desktop.started.size(), 1u);
    EXPECT_EQ(doubles.desktop.started[0].program, editor);
    EXPECT_EQ(doubles.desktop.started[0].arguments, QStringList{home.file("memo.html")});
}

// The gateway's record of mapping and removing the memo port.
class RouterPortTest : public MemoTest {
  protected:
    QString mapping() const
    {
        return QString("AddPortMapping Enabled=1 ExternalPort=%1 InternalClient=127.0.0.1 "
                       "InternalPort=%1 LeaseDuration=2 PortMappingDescription=Halvorn memo "
                       "server Protocol=TCP RemoteHost=")
            .arg(port);
    }
    QString removal() const
    {
        return QString("DeletePortMapping ExternalPort=%1 Protocol=TCP RemoteHost=").arg(port);
    }
};

static void useGateway(const QString& url, const char* wanted = "True")
{
    WriteIni("Memo", "Open Router Port", wanted);
    WriteIni("Memo", "UPnP Description URL", url);
    WriteIni("Memo", "UPnP Lease Seconds", "2");
}

TEST_F(RouterPortTest, TheOptionMapsTheMemoPortAndRenewsItWhileTheServerRuns)
{
    TestGateway gateway;
    useGateway(gateway.url, "False");
    startServer();
    EXPECT_TRUE(gateway.actions().isEmpty()) << "off by default";
    setup().findChild<QCheckBox*>("chkUPnP")->setChecked(true);
    EXPECT_EQ(ReadIni("Memo", "Open Router Port", QString()), "True");
    EXPECT_EQ(gateway.actions().join(u'\n').toStdString(), mapping().toStdString());
    // Renewed at half the lease while the server runs.
    EXPECT_TRUE(pumpUntil([&] { return gateway.actions().filter("AddPort").size() >= 3; }, 4000));
}

TEST_F(RouterPortTest, TheMappingFollowsTheServersRestartAndStop)
{
    TestGateway gateway;
    useGateway(gateway.url);
    startServer();
    const qsizetype before = gateway.actions().size();
    Memo().restartServer();
    EXPECT_EQ(gateway.actions().mid(before).join(u'\n').toStdString(),
              (removal() + u'\n' + mapping()).toStdString());
    Memo().stopServer();
    EXPECT_EQ(gateway.actions().last(), removal());
}

TEST_F(RouterPortTest, ARefusedOrMissingGatewayIsReportedOnceAndTheServerRuns)
{
    TestGateway conflict({"--conflict"});
    const std::pair<QString, const char*> cases[] = {
        {conflict.url, "already forwarded to another machine (718)"},
        {QString("http://127.0.0.1:%1/rootDesc.xml").arg(freePort()), "no router found"}};
    for (const auto& [url, report] : cases) {
        useGateway(url);
        startServer();
        Memo().restartServer();
        EXPECT_TRUE(server() && server()->listening()) << report;
        EXPECT_EQ(log.lines.filter(report).size(), 1) << report;
        EXPECT_FALSE(memo::routerPort().mapped());
        Memo().stopServer();
    }
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_TRUE(conflict.actions().filter("Delete").isEmpty());
}

// The router knows the public address only once it forwards the memo port.
TEST_F(RouterPortTest, OpeningTheRouterPortAsksForThePublicAddressOnceNotAtEachRenewal)
{
    TestGateway gateway;
    useGateway(gateway.url);
    int asks = 0;
    Hooks().recheckPublicAddress = [&] { ++asks; };
    startServer();
    EXPECT_EQ(asks, 1);
    EXPECT_TRUE(pumpUntil([&] { return gateway.actions().filter("AddPort").size() >= 2; }, 4000));
    EXPECT_EQ(asks, 1);
    Memo().stopServer();
    Hooks() = AppHooks{};
}
