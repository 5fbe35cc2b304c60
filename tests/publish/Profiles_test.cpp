#include "publish/Profiles.h"
#include "support/PublishFixture.h"

using namespace publish;

class Profiles : public PublishFixture {
  protected:
    QStringList comboItems() const
    {
        QStringList items;
        for (int i = 0; i < form->Combo1->count(); ++i)
            items << form->Combo1->itemText(i);
        return items;
    }
    void add(const QString& name)
    {
        doubles.boxes.setNextInput(name);
        mainAction("mnuadd")->trigger();
    }
    // The [Profile] section: Count, then the names of slots 1.. ("" for none).
    void setSlots(const QString& count, const QStringList& names)
    {
        WriteIni(u"Profile"_s, u"Count"_s, count);
        for (int i = 0; i < names.size(); ++i)
            if (!names[i].isEmpty())
                WriteIni(u"Profile"_s, QString::number(i + 1), names[i]);
        LoadProfiles(*form);
    }
    QString slot(const char* key) const { return ini(u"Profile"_s, key); }
    void expectOneBox(const QString& text, const QString& title)
    {
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, text);
        EXPECT_EQ(boxes()[0].title, title);
        doubles.boxes.clear();
    }
};

TEST_F(Profiles, AddAsksForANameAndRefusesDefaultAndDuplicates)
{
    add(u"Home"_s);
    ASSERT_EQ(doubles.boxes.asked().size(), 1u);
    EXPECT_EQ(doubles.boxes.asked()[0].title + u'|' + doubles.boxes.asked()[0].prompt,
              u"Add New WebServer to list|Please Enter WebServer Profile Name"_s);
    EXPECT_EQ(comboItems(), QStringList({u"Default"_s, u"Home"_s}));
    EXPECT_EQ(form->Combo1->currentText(), u"Home"_s);
    EXPECT_EQ(QStringList({slot("Count"), slot("1")}), QStringList({u"1"_s, u"Home"_s}));
    EXPECT_EQ(form->autoWindow()->names(), QStringList({u"Default"_s, u"Home"_s}));
    EXPECT_FALSE(form->autoWindow()->isSelected(1));

    for (const auto& [refused, message] : {std::pair(u"dEfAuLt"_s, u"Can't use 'Default' as a Profile"_s),
                                           std::pair(u"HOME"_s, u"Profile Already Exists"_s)}) {
        add(refused);
        ASSERT_EQ(boxes().size(), 1u) << refused.toStdString();
        EXPECT_EQ(boxes()[0].text, message);
        EXPECT_EQ(boxes()[0].icon, platform::MsgIcon::Information);
        doubles.boxes.clear();
    }
    add(u"bad]name"_s);
    add(QString()); // cancelled
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(comboItems().size(), 2);
}

TEST_F(Profiles, SlotsAreReusedAsStoredAndSelectingClearsTheEditedMark)
{
    setSlots(u"3"_s, {u"A"_s, QString(), u"C"_s});
    add(u"B"_s);
    EXPECT_EQ(QStringList({slot("2"), slot("Count")}), QStringList({u"B"_s, u"3"_s}));

    WriteIni(u"Profile"_s);
    setSlots(u"3"_s, {u"A"_s, u"B"_s, QString()});
    add(u"D"_s);
    EXPECT_EQ(QStringList({slot("4"), slot("3"), slot("Count")}), QStringList({u"D"_s, u"<none>"_s, u"4"_s}));
    // Selecting a profile clears the edited mark, editing sets it.
    WriteIni(u"A"_s, u"Host"_s, u"h"_s);
    publisher().ProfileDirty = true;
    form->selectProfile(u"A"_s); // the loading changes txtHost
    EXPECT_TRUE(publisher().ProfileDirty);
    form->selectProfile(u"A"_s); // nothing changes now
    EXPECT_FALSE(publisher().ProfileDirty);
    form->txtRemoteFile->setText(u"x.html"_s);
    EXPECT_TRUE(publisher().ProfileDirty);
}

TEST_F(Profiles, DeleteRemovesSlotAndSectionAfterConfirmation)
{
    setSlots(u"2"_s, {u"Work"_s, u"Home"_s});
    form->selectProfile(u"Work"_s);
    form->txtHost->setText(u"ftp.work.example"_s);
    mainAction("mnuSave")->trigger();
    EXPECT_EQ(ini(u"Work"_s, "Host"), u"ftp.work.example"_s);

    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    mainAction("mnudel")->trigger();
    EXPECT_EQ(boxes().at(0).buttons, platform::MsgButtons::YesNo);
    expectOneBox(u"Deleting Work...\r\nAre you sure?"_s, u"Delete Warning"_s);
    EXPECT_EQ(ini(u"Work"_s, "Host"), u"ftp.work.example"_s);

    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    mainAction("mnudel")->trigger();
    EXPECT_EQ(ini(u"Work"_s, "Host"), u"<none>"_s);
    EXPECT_EQ(QStringList({slot("1"), slot("Count")}), QStringList({u"<none>"_s, u"2"_s}));
    EXPECT_EQ(comboItems(), QStringList({u"Default"_s, u"Home"_s}));
    EXPECT_EQ(form->Combo1->currentText(), u"Default"_s);

    // A profile of the same name later starts empty, in the freed slot.
    add(u"Work"_s);
    EXPECT_TRUE(form->txtHost->text().isEmpty());
    EXPECT_EQ(slot("1"), u"Work"_s);

    doubles.boxes.clear();
    form->selectProfile(u"Default"_s);
    mainAction("mnudel")->trigger();
    expectOneBox(u"You can't delete Default"_s, u"Warning"_s);
}

TEST_F(Profiles, BrowseButtonsFillTheirFields)
{
    const std::tuple<QPushButton*, QLineEdit*, QString> browse[] = {
        {form->Search1, form->File1, u"/srv/on.html"_s},
        {form->Search2, form->File2, u"/srv/off.html"_s},
        {form->Search2, form->File2, QString()},
        {form->cmd_change, form->txtHtml, u"/usr/bin/editor"_s}};
    QStringList titles;
    for (const auto& [button, field, chosen] : browse) {
        if (!chosen.isEmpty()) // else cancelled: the field keeps its text
            doubles.dialogs.setNextResult(chosen);
        button->click();
        EXPECT_EQ(field->text(), chosen.isEmpty() ? u"/srv/off.html"_s : chosen);
        titles << doubles.dialogs.shown().back().request.title;
    }
    EXPECT_EQ(titles.join(u'|'),
              u"Select Offline HTML|Select Offline HTML|Select Offline HTML|Browse for HTML Editor"_s);
    EXPECT_TRUE(doubles.dialogs.shown()[0].request.qtFilter.contains(u"*.html *.htm"_s));
}

TEST_F(Profiles, EditOpensTheTemplateInTheEditorOrTheDesktopDefault)
{
    home.writeFile(u"editor.sh"_s, "#!/bin/sh\n");
    home.writeFile(u"mine.html"_s, "x");
    form->File1->setText(u"mine.html"_s);
    form->txtHtml->setText(home.file(u"editor.sh"_s));
    form->cmd_Edit_0->click();
    ASSERT_EQ(doubles.desktop.started.size(), 1u);
    EXPECT_EQ(doubles.desktop.started[0].program, home.file(u"editor.sh"_s));
    EXPECT_EQ(doubles.desktop.started[0].arguments, QStringList{home.file(u"mine.html"_s)});

    form->txtHtml->clear();
    form->cmd_Edit_0->click();
    EXPECT_EQ(doubles.desktop.opened, std::vector<QString>{home.file(u"mine.html"_s)});

    form->txtHtml->setText(u"/no/such/editor"_s);
    form->cmd_Edit_0->click();
    EXPECT_EQ(boxes().back().text, u"Error: Program doesn't Exist!"_s);
    form->txtHtml->clear();
    form->File2->clear();
    form->cmd_Edit_1->click();
    EXPECT_EQ(boxes().back().text, u"Please fill in the blanks.. Offline HTML Filename Required"_s);
    form->File2->setText(u"gone.html"_s);
    form->cmd_Edit_1->click();
    EXPECT_EQ(boxes().back().text, u"Error: HTML file doesn't Exist!"_s);
    EXPECT_EQ(doubles.desktop.opened.size(), 1u);
}
