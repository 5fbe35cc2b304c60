#include "publish/Profiles.h"
#include "support/PublishFixture.h"

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
    // A fresh [Profile] section: Count, then the names of slots 1.. ("" for none).
    void setSlots(const QString& count, const QStringList& names)
    {
        WriteIni("Profile");
        WriteIni("Profile", "Count", count);
        for (int i = 0; i < names.size(); ++i)
            if (!names[i].isEmpty())
                WriteIni("Profile", QString::number(i + 1), names[i]);
        LoadProfiles(*form);
    }
    QString slot(const char* key) const { return ini("Profile", key); }
    void expectOneBox(const QString& text, const QString& title)
    {
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text + '|' + boxes()[0].title, text + '|' + title);
        doubles.boxes.clear();
    }
};

TEST_F(Profiles, AnAddedProfileIsListedEverywhereAndSelected)
{
    add("Home");
    ASSERT_EQ(doubles.boxes.asked().size(), 1u);
    EXPECT_EQ(comboItems() + form->autoWindow()->names(),
              QStringList({"Default", "Home", "Default", "Home"}));
    EXPECT_EQ(QStringList({form->Combo1->currentText(), slot("Count"), slot("1")}),
              QStringList({"Home", "1", "Home"}));
    EXPECT_FALSE(form->autoWindow()->isSelected(1));
}

TEST_F(Profiles, AddRefusesDefaultAnExistingNameAndABadOne)
{
    add("Home");
    for (const auto& [refused, message] :
         {std::pair("dEfAuLt", "Can't use 'Default' as a Profile"), {"HOME", "Profile Already Exists"}}) {
        add(refused);
        EXPECT_EQ(boxes().at(0).icon, platform::MsgIcon::Information);
        expectOneBox(message, "Halvorn");
    }
    add("bad]name");
    add(QString()); // cancelled
    EXPECT_TRUE(boxes().size() == 1u && comboItems().size() == 2);
}

TEST_F(Profiles, AnAddedProfileTakesTheFirstFreeSlot)
{
    setSlots("3", {"A", "", "C"});
    add("B");
    EXPECT_EQ(QStringList({slot("2"), slot("Count")}), QStringList({"B", "3"}));
    setSlots("3", {"A", "B", ""});
    add("D");
    EXPECT_EQ(QStringList({slot("4"), slot("3"), slot("Count")}), QStringList({"D", "<none>", "4"}));
}

TEST_F(Profiles, TheEditedMarkIsSetOnlyWhenAFieldChanges)
{
    setSlots("1", {"A"});
    WriteIni("A", "Host", "h");
    publisher().ProfileDirty = true;
    form->selectProfile("A"); // the loading changes txtHost
    EXPECT_TRUE(publisher().ProfileDirty);
    form->selectProfile("A"); // nothing changes now
    EXPECT_FALSE(publisher().ProfileDirty);
    form->txtRemoteFile->setText("x.html");
    EXPECT_TRUE(publisher().ProfileDirty);
}

TEST_F(Profiles, DeleteAsksThenRemovesSlotAndSection)
{
    WriteIni("Work", "Host", "ftp.work.example");
    setSlots("2", {"Work", "Home"});
    form->selectProfile("Work");

    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    mainAction("mnudel")->trigger();
    EXPECT_EQ(boxes().at(0).buttons, platform::MsgButtons::YesNo);
    expectOneBox("Deleting Work...\r\nAre you sure?", "Delete Warning");
    EXPECT_EQ(ini("Work", "Host"), "ftp.work.example");

    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    mainAction("mnudel")->trigger();
    EXPECT_EQ(QStringList({ini("Work", "Host"), slot("1"), slot("Count"), form->Combo1->currentText()}),
              QStringList({"<none>", "<none>", "2", "Default"}));
    EXPECT_EQ(comboItems(), QStringList({"Default", "Home"}));

    // A profile of the same name later starts empty, in the freed slot.
    add("Work");
    EXPECT_EQ(form->txtHost->text() + '|' + slot("1"), "|Work");
}

TEST_F(Profiles, DefaultCannotBeDeleted)
{
    form->selectProfile("Default");
    mainAction("mnudel")->trigger();
    expectOneBox("You can't delete Default", "Warning");
}

TEST_F(Profiles, BrowseButtonsFillTheirFieldsUnlessCancelled)
{
    const std::tuple<QPushButton*, QLineEdit*, QString> browse[] = {
        {form->Search1, form->File1, "/srv/on.html"},
        {form->Search2, form->File2, "/srv/off.html"},
        {form->Search2, form->File2, QString()},
        {form->cmd_change, form->txtHtml, "/usr/bin/ed"}};
    for (const auto& [button, field, chosen] : browse) {
        if (!chosen.isEmpty()) // else cancelled: the field keeps its text
            doubles.dialogs.setNextResult(chosen);
        button->click();
        EXPECT_EQ(field->text(), chosen.isEmpty() ? "/srv/off.html" : chosen);
    }
}

TEST_F(Profiles, EditOpensTheTemplateInTheEditorOrElseTheDesktopDefault)
{
    home.writeFile("editor.sh", "#!/bin/sh\n");
    home.writeFile("mine.html", "x");
    form->File1->setText("mine.html");
    form->txtHtml->setText(home.file("editor.sh"));
    form->cmd_Edit_0->click();
    ASSERT_EQ(doubles.desktop.started.size(), 1u);
    EXPECT_EQ(QStringList{doubles.desktop.started[0].program} + doubles.desktop.started[0].arguments,
              QStringList({home.file("editor.sh"), home.file("mine.html")}));
    form->txtHtml->clear();
    form->cmd_Edit_0->click();
    EXPECT_EQ(doubles.desktop.opened, std::vector<QString>{home.file("mine.html")});
}

TEST_F(Profiles, EditSaysWhatIsMissingAndOpensNothing)
{
    home.writeFile("mine.html", "x");
    form->File1->setText("mine.html");
    form->txtHtml->setText("/no/such/editor");
    form->cmd_Edit_0->click();
    EXPECT_EQ(boxes().back().text, "Error: Program doesn't Exist!");
    form->txtHtml->clear();
    form->File2->clear();
    form->cmd_Edit_1->click();
    EXPECT_EQ(boxes().back().text, "Please fill in the blanks.. Offline HTML Filename Required");
    form->File2->setText("gone.html");
    form->cmd_Edit_1->click();
    EXPECT_EQ(boxes().back().text, "Error: HTML file doesn't Exist!");
    EXPECT_TRUE(doubles.desktop.opened.empty() && doubles.desktop.started.empty());
}
