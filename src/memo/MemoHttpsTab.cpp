#include "memo/MemoHttpsTab.h"

#include "memo/MemoSetupState.h"
#include "memo/frmMemoSetup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace memo {
namespace {

using Mode = HttpsSettings::Mode;

struct Field {
    const char* objectName;
    const char* label;
    QString HttpsSettings::*value;
    const char* hint;
};

const Field kFields[] = {
    {"txtCertificateFile", "Certificate file:", &HttpsSettings::certificateFile,
     "PEM file with the certificate and its chain; reloaded when it changes"},
    {"txtKeyFile", "Key file:", &HttpsSettings::keyFile, "PEM file with the certificate's private key"},
    {"txtAcmeDirectory", "ACME directory:", &HttpsSettings::directoryUrl,
     "The certificate authority's directory URL"},
    {"txtAcmeEmail", "ACME e-mail:", &HttpsSettings::email,
     "Optional: where the authority may write about expiry"},
    {"txtAcmeCa", "ACME CA file:", &HttpsSettings::caFile,
     "Optional: extra trusted CA (PEM) for a test authority"},
};

void showMode(QComboBox& modes, QList<QLineEdit*>& fields, Mode mode)
{
    modes.setCurrentIndex(int(mode));
    for (int i = 0; i < fields.size(); ++i)
        fields[i]->setEnabled(i < 2 ? mode == Mode::Files : mode == Mode::Auto);
}

} // namespace

void AddHttpsTab(frmMemoSetup& setup)
{
    MemoSetupState& state = setup.settings();
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    auto* modes = new QComboBox(page);
    modes->setObjectName(QStringLiteral("cboHttps"));
    modes->addItems({QStringLiteral("Off (plain HTTP)"), QStringLiteral("My certificate files"),
                     QStringLiteral("Automatic certificate (ACME)")});
    form->addRow(QStringLiteral("HTTPS:"), modes);
    auto* note =
        new QLabel(QStringLiteral("The certificate is for the Public Address. Automatic certificates need "
                                  "port 80 to reach the memo port for the check."),
                   page);
    note->setWordWrap(true);
    form->addRow(note);
    auto fields = std::make_shared<QList<QLineEdit*>>();
    for (const Field& field : kFields) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QLatin1String(field.objectName));
        edit->setToolTip(QLatin1String(field.hint));
        edit->setMaxLength(1024);
        form->addRow(QLatin1String(field.label), edit);
        fields->append(edit);
        QObject::connect(
            edit, &QLineEdit::textEdited, edit,
            [&state, value = field.value](const QString& text) { state.https.*value = text.trimmed(); });
    }
    QObject::connect(modes, &QComboBox::activated, modes, [&state, modes, fields](int index) {
        state.https.mode = Mode(index);
        showMode(*modes, *fields, state.https.mode);
    });
    auto show = [&state, modes, fields] {
        for (int i = 0; i < fields->size(); ++i)
            (*fields)[i]->setText(state.https.*kFields[i].value);
        showMode(*modes, *fields, state.https.mode);
    };
    QObject::connect(&state, &MemoSetupState::changed, modes, show);
    show();
    setup.SSTab1->addTab(page, QStringLiteral("HTTP&S"));
}

} // namespace memo
