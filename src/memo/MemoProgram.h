#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>

class Form1;
class frmMemo;
class frmMemoServer;
class frmMemoSetup;
class MemoLogQueue;
class MemoSetupState;

// The memo being handled, shared by the memo server and the memo window.
struct MemoGlobals {
    QByteArray MemoWebSite;
    QByteArray MemoSender;
    QByteArray MemoText;
    bool ReplyWanted = false;
    // The reply hand-off between the memo window and the waiting server.
    QString MemoReply;
    bool ReplySent = false;
    bool ReplyTyping = false;
    qint16 ReplyCountdown = 0;
};

// The memo subsystem's long-lived objects: the memo settings, the memo
// server object while the server runs, and the memo window while a memo is
// shown. The settings window is created the first time it is needed.
class MemoProgram {
  public:
    MemoGlobals globals;

    void attach(Form1* form) { mainWindow_ = form; }
    Form1* mainWindow() const { return mainWindow_; }

    // The live memo settings, created by the first loader.
    MemoSetupState& settings();
    // The settings window, created hidden the first time anything touches it.
    frmMemoSetup& setup();
    frmMemoSetup* setupWindow() const { return setup_; }

    // Creating the server object starts the server; creating it when it
    // exists does nothing. Destroying it stops the server.
    frmMemoServer* server() const;
    void startServer();
    void stopServer();
    void restartServer();

    frmMemo* memoWindow() const;
    // The memo window, created when there is none.
    frmMemo& memoWindowCreated();
    void destroyMemoWindow();

    // The way into Memo.txt, created at the first record.
    MemoLogQueue& memoLog();
    MemoLogQueue* memoLogIfAny() const { return memoLog_; }

    // The away mark of the main window (mnuAway and mnuAway2 together).
    bool away() const;
    void setAway(bool away);

    // Destroys every window and forgets the memo (the end of the program, and
    // between tests).
    void reset();

  private:
    Form1* mainWindow_ = nullptr;
    MemoSetupState* settings_ = nullptr;
    frmMemoSetup* setup_ = nullptr;
    QPointer<frmMemoServer> server_;
    QPointer<frmMemo> memo_;
    MemoLogQueue* memoLog_ = nullptr;
    bool away_ = false; // used when no main window is attached
};

MemoProgram& Memo();
