#include "mail/AttachmentList.h"

#include "core/NamedWidget.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/SaveFile.h"
#include "platform/FileDialogs.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>

QString AttachmentCaption(const MimeAttachment& attachment)
{
    return QStringLiteral("%1 (%2 bytes)").arg(attachment.name).arg(attachment.size());
}

AttachmentList::AttachmentList(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AttachmentList"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    lstAttachments = named<QListWidget>(QStringLiteral("lstAttachments"), this);
    lstAttachments->setMaximumHeight(80);
    cmdSaveAttachment = named<QPushButton>(QStringLiteral("cmdSaveAttachment"), this);
    cmdSaveAttachment->setText(QStringLiteral("Save A&ttachment"));
    row->addWidget(lstAttachments, 1);
    row->addWidget(cmdSaveAttachment, 0, Qt::AlignTop);
    connect(cmdSaveAttachment, &QPushButton::clicked, this,
            [this] { saveAttachment(lstAttachments->currentRow()); });
    connect(lstAttachments, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { saveAttachment(lstAttachments->row(item)); });
    hide();
}

void AttachmentList::setAttachments(const QList<MimeAttachment>& attachments)
{
    attachments_ = attachments;
    lstAttachments->clear();
    for (const MimeAttachment& a : attachments_)
        lstAttachments->addItem(AttachmentCaption(a));
    if (!attachments_.isEmpty())
        lstAttachments->setCurrentRow(0);
    setVisible(!attachments_.isEmpty());
}

void AttachmentList::saveAttachment(int row)
{
    if (row < 0 || row >= attachments_.size())
        return;
    const MimeAttachment attachment = attachments_[row];
    TrapErrors("AttachmentList saveAttachment", [this, &attachment] {
        const QString path =
            ShowSaveDialog(this, QStringLiteral("All Files (*.*)|*.*"), QStringLiteral("Save attachment as"),
                           ProgramDir(), attachment.name);
        if (!path.isEmpty())
            SaveUserFile(path, attachment.bytes);
    });
}
