// The address book in the per-user store, and the "Address Book" window.
#include "MailCheckFixture.h"
#include "mail/frmAddAddress.h"

class AddressBookTest : public MailTest {
  protected:
    QString count() { return doubles.store.get("Ostrevan", "HVRN", "AddressBook", "missing"); }
    QString line(int key)
    {
        return doubles.store.get(platform::kUserStoreApplication, "AddressBook", QString::number(key),
                                 "missing");
    }
};

TEST_F(AddressBookTest, BothNumberingSchemesReadBack)
{
    EXPECT_EQ(AddressBook::Load(), QStringList());
    // The composer writes key N+1: with an empty book the first line is key 1.
    AddressBook::Append("first <1@x.org>");
    EXPECT_EQ(count() + line(1) + line(0), "1first <1@x.org>missing");
    AddressBook::Save({"a", "b", "c"});
    EXPECT_EQ(count() + line(0) + line(1) + line(2), "3abc");
    AddressBook::Save({"a"});
    AddressBook::Append("d");
    EXPECT_EQ(count() + line(2), "2d");
    doubles.store.set("Ostrevan", "HVRN", "AddressBook", "lots");
    EXPECT_EQ(AddressBook::Load(), QStringList({"a"}));
    doubles.store.set("Ostrevan", "HVRN", "AddressBook", "2147483647");
    EXPECT_EQ(AddressBook::Load().size(), 2);
}

TEST_F(AddressBookTest, TheWindowAddsRemovesAndPicksForTheFieldItWasOpenedFor)
{
    AddressBook::Save({"Ann <a@x.org>", "Bob <b@x.org>"});
    int listed = 2;
    for (int target : {0, 1, 7}) {
        SCOPED_TRACE(target);
        std::vector<std::pair<int, QString>> picks;
        QWidget composer;
        composer.move(100, 100);
        frmAddAddress w(
            target, [&](int t, const QString& l) { picks.emplace_back(t, l); }, &composer);
        EXPECT_EQ(w.pos(), QPoint(133, 166));
        ASSERT_EQ(w.List2->count(), listed);
        w.Text2->setText("Cy");
        QTest::keyClick(w.Text1, Qt::Key_Return);
        EXPECT_EQ(doubles.boxes.shown().back().text, "Nothing to add! Enter someone in the edit box first.");
        EXPECT_TRUE(doubles.boxes.shown().back().icon == platform::MsgIcon::Exclamation &&
                    w.List2->count() == listed);
        w.Text1->setText("c@x.org");
        QTest::keyClick(w.Text1, Qt::Key_Return);
        EXPECT_TRUE(picks.empty()); // Enter is not OK
        EXPECT_EQ(w.Text1->text() + w.Text2->text(), "Cy");
        w.cmdControl[3]->click();
        w.List2->setCurrentRow(0);
        w.cmdControl[2]->click();
        w.List2->setCurrentRow(w.List2->count() - 2);
        w.cmdControl[0]->click();
        EXPECT_EQ(picks, (std::vector<std::pair<int, QString>>{{target == 0 ? 0 : 1, "Cy <c@x.org>"}}));
        EXPECT_TRUE(w.result() == QDialog::Accepted && count().toInt() == ++listed);
    }
    EXPECT_EQ(AddressBook::Load().last(), "Cy <>");
}

TEST_F(AddressBookTest, TheWindowHandsBackOnlyWhatTheUserChose)
{
    AddressBook::Save({"Ann <a@x.org>"});
    QString picked = "none";
    frmAddAddress w(
        0, [&](int, const QString& l) { picked = l; }, nullptr);
    w.cmdControl[3]->click();
    w.cmdControl[1]->click();
    EXPECT_EQ(picked + count() + QString::number(w.result()), "none10");
    w.cmdControl[0]->click();
    EXPECT_EQ(picked + count(), "2");
    w.List2->setCurrentRow(0);
    w.List2_DblClick();
    EXPECT_EQ(picked, "Ann <a@x.org>");
}

TEST_F(AddressBookTest, ARemovedEntryStaysRemoved)
{
    const struct {
        const char* name;
        QStringList before;
        QStringList after;
    } rows[] = {{"the last of three", {"a", "b", "c"}, {"a", "b"}},
                {"all but one", {"a", "b", "c"}, {"a"}},
                {"every one", {"a", "b"}, {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        doubles.store.values.clear();
        AddressBook::Save(row.before);
        AddressBook::Save(row.after);
        EXPECT_EQ(AddressBook::Load(), row.after);
    }
    doubles.store.values.clear();
    AddressBook::Append("appended");
    AddressBook::Save({});
    EXPECT_EQ(AddressBook::Load(), QStringList()) << "a line the composer appended at the count goes too";
}
