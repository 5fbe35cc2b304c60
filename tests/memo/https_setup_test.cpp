// The HTTPS settings: the Memo > Setup tab and the offer that follows the
// first DNS name entered as Public Address.
#include "MemoFixture.h"

#include "memo/MemoHttpsOffer.h"
#include "platform/doubles/ScriptedMessageBoxes.h"

using HttpsSetup = MemoTest;

// The tab with automatic certificates chosen and an e-mail address typed, then OK.
class SavedHttpsSetup : public HttpsSetup {
  protected:
    void SetUp() override
    {
        HttpsSetup::SetUp();
        modes = setup().findChild<QComboBox*>("cboHttps");
        email = setup().findChild<QLineEdit*>("txtAcmeEmail");
        ASSERT_TRUE(modes && email);
        EXPECT_EQ(modes->currentIndex(), 0); // off without the key
        EXPECT_FALSE(email->isEnabled());
        choose(2);
        EXPECT_TRUE(email->isEnabled());
        email->setText("owner@example.org");
        emit email->textEdited(email->text());
        setup().cmdControl_Click(0); // OK
    }
    void choose(int mode)
    {
        modes->setCurrentIndex(mode);
        emit modes->activated(mode);
    }
    QComboBox* modes = nullptr;
    QLineEdit* email = nullptr;
};

TEST_F(SavedHttpsSetup, OkSavesTheModeAndTheAcmeAccount)
{
    EXPECT_EQ(ReadIni("Memo", "HTTPS", ""), "auto");
    EXPECT_EQ(ReadIni("Memo", "ACME Email", ""), "owner@example.org");
    EXPECT_EQ(ReadIni("Memo", "ACME Directory URL", ""), "https://acme-v02.api.letsencrypt.org/directory");
}

TEST_F(SavedHttpsSetup, CancelRestoresTheSavedMode)
{
    choose(1);
    setup().cmdControl_Click(1); // Cancel
    EXPECT_EQ(modes->currentIndex(), 2);
    EXPECT_EQ(Memo().settings().https.mode, HttpsSettings::Mode::Auto);
}

TEST_F(HttpsSetup, TheFirstDnsNameAsPublicAddressOffersToSwitchHttpsOn)
{
    const struct {
        QString address;
        bool offered;
    } cases[] = {
        {"203.0.113.7", false}, {"auto", false}, {"memo.example.org", true}, {"other.example.org", false}};
    for (const auto& [address, offered] : cases) {
        doubles.boxes.clear();
        doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
        memo::PublicAddressChanged(address);
        EXPECT_EQ(doubles.boxes.shown().size(), offered ? 1u : 0u) << address.toStdString();
    }
    EXPECT_EQ(ReadIni("Memo", "HTTPS", "off"), "off");
}

TEST_F(HttpsSetup, YesToTheOfferSwitchesToAutomaticCertificates)
{
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    memo::PublicAddressChanged("memo.example.org");
    EXPECT_EQ(ReadIni("Memo", "HTTPS", ""), "auto");
}
