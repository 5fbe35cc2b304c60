#pragma once

#include "mail/MimeMessage.h"

#include <QWidget>

class QListWidget;
class QPushButton;

// The files a message being read carries, by name and size, each saveable
// through the save dialog. Hidden while the message carries none.
class AttachmentList : public QWidget {
    Q_OBJECT

  public:
    explicit AttachmentList(QWidget* parent);

    void setAttachments(const QList<MimeAttachment>& attachments);
    // Asks where to save the attachment of the row and writes its decoded
    // bytes there whole; a failed write is told and leaves no half file.
    void saveAttachment(int row);

    QListWidget* lstAttachments = nullptr;
    QPushButton* cmdSaveAttachment = nullptr;

  private:
    QList<MimeAttachment> attachments_;
};

// "name (size bytes)", as the list shows an attachment.
QString AttachmentCaption(const MimeAttachment& attachment);
