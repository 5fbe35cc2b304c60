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
    void setSlots(const QString& count, const QStringList& names)
    {
        WriteIni(QStringLiteral("Profile"), QStringLiteral("Count"), count);
        for (int i = 0; i < names.size(); ++i)
            if (!names[i].isEmpty())
                WriteIni(QStringLiteral("Profile"), QString::number(i + 1), names[i]);
        LoadProfiles(*form);
    }
};

TEST_F(Profiles, AddAsksForANameAndRefusesDefaultAndDuplicates)
{
    add(QStringLiteral("Home"));
    ASSERT_EQ(doubles.boxes.asked().size(), 1u);
    EXPECT_EQ(doubles.boxes.asked()[0].title, QStringLiteral("Add New WebServer to list"));
    EXPECT_EQ(doubles.boxes.asked()[0].prompt, QStringLiteral("Please Enter WebServer Profile Name"));
    EXPECT_EQ(comboItems(), (QStringList{QStringLiteral("Default"), QStringLiteral("Home")}));
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("Home"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "Count"), QStringLiteral("1"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "1"), QStringLiteral("Home"));
    EXPECT_EQ(form->autoWindow()->names(), (QStringList{QStringLiteral("Default"), QStringLiteral("Home")}));
    EXPECT_FALSE(form->autoWindow()->isSelected(1));

    for (const char* refused : {"dEfAuLt", "HOME"}) {
        doubles.boxes.clear();
        add(QString::fromLatin1(refused));
        ASSERT_EQ(boxes().size(), 1u) << refused;
        EXPECT_EQ(boxes()[0].text,
                  QString::fromLatin1(qstrcmp(refused, "HOME") == 0 ? "Profile Already Exists"
                                                                    : "Can't use 'Default' as a Profile"));
        EXPECT_EQ(boxes()[0].icon, platform::MsgIcon::Information);
    }
    doubles.boxes.clear();
    add(QStringLiteral("bad]name"));
    EXPECT_EQ(boxes().size(), 1u);
    add(QString()); // cancelled
    EXPECT_EQ(comboItems().size(), 2);
}

TEST_F(Profiles, SlotsAreReusedAsStored)
{
    setSlots(QStringLiteral("3"), {QStringLiteral("A"), QString(), QStringLiteral("C")});
    EXPECT_EQ(comboItems(),
              (QStringList{QStringLiteral("Default"), QStringLiteral("A"), QStringLiteral("C")}));
    add(QStringLiteral("B"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "2"), QStringLiteral("B"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "Count"), QStringLiteral("3"));

    WriteIni(QStringLiteral("Profile"));
    setSlots(QStringLiteral("3"), {QStringLiteral("A"), QStringLiteral("B"), QString()});
    add(QStringLiteral("D"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "4"), QStringLiteral("D"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "3"), QStringLiteral("<none>"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "Count"), QStringLiteral("4"));
}

TEST_F(Profiles, DeleteRemovesSlotAndSectionAfterConfirmation)
{
    setSlots(QStringLiteral("2"), {QStringLiteral("Work"), QStringLiteral("Home")});
    form->selectProfile(QStringLiteral("Work"));
    form->txtHost->setText(QStringLiteral("ftp.work.example"));
    mainAction("mnuSave")->trigger();
    EXPECT_EQ(ini(QStringLiteral("Work"), "Host"), QStringLiteral("ftp.work.example"));

    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    mainAction("mnudel")->trigger();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Deleting Work...\r\nAre you sure?"));
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Delete Warning"));
    EXPECT_EQ(boxes()[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(ini(QStringLiteral("Work"), "Host"), QStringLiteral("ftp.work.example"));

    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    mainAction("mnudel")->trigger();
    EXPECT_EQ(ini(QStringLiteral("Work"), "Host"), QStringLiteral("<none>"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "1"), QStringLiteral("<none>"));
    EXPECT_EQ(ini(QStringLiteral("Profile"), "Count"), QStringLiteral("2"));
    EXPECT_EQ(comboItems(), (QStringList{QStringLiteral("Default"), QStringLiteral("Home")}));
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("Default"));

    // A profile of the same name later starts empty, in the freed slot.
    add(QStringLiteral("Work"));
    EXPECT_TRUE(form->txtHost->text().isEmpty());
    EXPECT_EQ(ini(QStringLiteral("Profile"), "1"), QStringLiteral("Work"));

    doubles.boxes.clear();
    form->selectProfile(QStringLiteral("Default"));
    mainAction("mnudel")->trigger();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("You can't delete Default"));
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Warning"));
}

TEST_F(Profiles, AutoUpdateClickWritesOnlyThatKey)
{
    setSlots(QStringLiteral("2"), {QStringLiteral("Work"), QStringLiteral("Home")});
    QListWidget* list = form->autoWindow()->lstProfiles;
    list->item(2)->setSelected(true);
    form->autoWindow()->lstProfiles_Click(2);
    EXPECT_EQ(ini(QStringLiteral("Home"), "Auto"), QStringLiteral("True"));
    EXPECT_EQ(ini(QStringLiteral("Work"), "Auto"), QStringLiteral("<none>"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Auto"), QStringLiteral("<none>"));
}

TEST_F(Profiles, SelectingAProfileClearsDirtyAndEditingSetsIt)
{
    setSlots(QStringLiteral("1"), {QStringLiteral("Work")});
    WriteIni(QStringLiteral("Work"), QStringLiteral("Host"), QStringLiteral("h"));
    publisher().ProfileDirty = true;
    form->selectProfile(QStringLiteral("Work")); // the loading changes txtHost
    EXPECT_TRUE(publisher().ProfileDirty);
    form->selectProfile(QStringLiteral("Work")); // nothing changes now
    EXPECT_FALSE(publisher().ProfileDirty);
    form->txtRemoteFile->setText(QStringLiteral("x.html"));
    EXPECT_TRUE(publisher().ProfileDirty);
}

TEST_F(Profiles, BrowseButtonsFillTheirFields)
{
    doubles.dialogs.setNextResult(QStringLiteral("/srv/on.html"));
    form->Search1->click();
    EXPECT_EQ(form->File1->text(), QStringLiteral("/srv/on.html"));
    doubles.dialogs.setNextResult(QStringLiteral("/srv/off.html"));
    form->Search2->click();
    EXPECT_EQ(form->File2->text(), QStringLiteral("/srv/off.html"));
    form->Search2->click(); // cancelled: the field keeps its text
    EXPECT_EQ(form->File2->text(), QStringLiteral("/srv/off.html"));
    doubles.dialogs.setNextResult(QStringLiteral("/usr/bin/editor"));
    form->cmd_change->click();
    EXPECT_EQ(form->txtHtml->text(), QStringLiteral("/usr/bin/editor"));
    const auto& shown = doubles.dialogs.shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].request.title, QStringLiteral("Select Offline HTML"));
    EXPECT_EQ(shown[1].request.title, QStringLiteral("Select Offline HTML"));
    EXPECT_TRUE(shown[0].request.qtFilter.contains(QStringLiteral("*.html *.htm")));
    EXPECT_EQ(shown[3].request.title, QStringLiteral("Browse for HTML Editor"));
}

TEST_F(Profiles, EditOpensTheTemplateInTheEditorOrTheDesktopDefault)
{
    home.writeFile(QStringLiteral("editor.sh"), "#!/bin/sh\n");
    home.writeFile(QStringLiteral("mine.html"), "x");
    form->File1->setText(QStringLiteral("mine.html"));
    form->txtHtml->setText(home.file(QStringLiteral("editor.sh")));
    form->cmd_Edit_0->click();
    ASSERT_EQ(doubles.desktop.started.size(), 1u);
    EXPECT_EQ(doubles.desktop.started[0].program, home.file(QStringLiteral("editor.sh")));
    EXPECT_EQ(doubles.desktop.started[0].arguments, QStringList{home.file(QStringLiteral("mine.html"))});

    form->txtHtml->clear();
    form->cmd_Edit_0->click();
    ASSERT_EQ(doubles.desktop.opened.size(), 1u);
    EXPECT_EQ(doubles.desktop.opened[0], home.file(QStringLiteral("mine.html")));

    form->txtHtml->setText(QStringLiteral("/no/such/editor"));
    form->cmd_Edit_0->click();
    EXPECT_EQ(boxes().back().text, QStringLiteral("Error: Program doesn't Exist!"));
    form->txtHtml->clear();
    form->File2->clear();
    form->cmd_Edit_1->click();
    EXPECT_EQ(boxes().back().text,
              QStringLiteral("Please fill in the blanks.. Offline HTML Filename Required"));
    form->File2->setText(QStringLiteral("gone.html"));
    form->cmd_Edit_1->click();
    EXPECT_EQ(boxes().back().text, QStringLiteral("Error: HTML file doesn't Exist!"));
    EXPECT_EQ(doubles.desktop.opened.size(), 1u);
}
