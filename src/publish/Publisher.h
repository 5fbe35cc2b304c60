#pragma once

#include "platform/FtpClient.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Form1;

namespace publish {

// The upload session of the main window: checks the selected profile,
// expands its template and stores the page through the FTP client, keeping
// the status line, progress bar and debug log current.
class Publisher : public QObject {
    Q_OBJECT

  public:
    explicit Publisher(Form1& form);
    ~Publisher() override;

    // Publishes status ("Online"/"Offline") from the template at path for the
    // profile selected in the main window. Returns after the whole session.
    void UploadFile(const QString& path, const QString& status);
    // cmdAbort_Click and mnuAbort_Click.
    void cmdAbort_Click();

    enum class Outcome { None, Published, Stopped, Failed, Aborted };
    Outcome lastOutcome() const { return outcome_; }
    // Why the last upload did not publish; empty after a confirmed one.
    QString lastReason() const { return reason_; }
    bool uploading() const { return uploading_; }

    bool ProfileDirty = false;
    bool AbortRequested = false;
    qint64 UploadSize = 0;
    bool TransferDone = false;
    QString TemplateFile;
    platform::FtpClient FTP1;

  private:
    // The profile as it stood when the upload started: the menus, the
    // address check and the exit procedure may select another one while the
    // upload waits, and neither pass nor the result may follow them.
    struct ProfileFields {
        QString name, host, login, password, dir, remoteFile;
    };
    enum class Step { Go, Abort, Failed };
    void takeProfile();
    void lockProfileCommands(bool locked);
    void upload(const QString& path, const QString& status);
    bool fieldsComplete(const QString& status);
    bool findTemplate(const QString& path, const QString& status);
    bool addressUsable(const QString& status);
    void noteMemoServer();
    void prepareClient(bool oneShot);
    Step sessionPass(const QString& status);
    void record(const QString& status);
    void restoreControls();
    void closeConnection();
    void stop(Outcome outcome, const QString& reason);
    void tell(const QString& text);
    void finishOneShot();

    void FTP1_PITrail(int type, const QString& text);
    void FTP1_StartTransfer();
    void FTP1_Transfer(qint64 bytes);
    void FTP1_EndTransfer();
    void FTP1_Error(int number, const QString& description);

    QString profileName() const { return profile_.name; }

    Form1& form_;
    ProfileFields profile_;
    Outcome outcome_ = Outcome::None;
    QString reason_;
    // What the recorded result's status line adds (a missing address, a memo
    // server that does not listen).
    QStringList notes_;
    bool uploading_ = false;
    bool whiteText_ = false;
    bool hostKeyRefused_ = false;
};

// The publisher attached to the running main window, if any.
Publisher* CurrentPublisher();

// "dddd, mmmm dd, yyyy at h:mm AMPM", as "Last Update" shows it.
QString LastUpdateText(const QDateTime& when);

// The trail line as the debug log shows it (without the "[FTP] " prefix).
QString TrailLine(int type, const QString& text);

} // namespace publish
