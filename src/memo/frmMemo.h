#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The memo window: who wrote, the message, when it came and, when the
// visitor waits for a reply, the seconds left and the reply box. Visitor
// text is shown only as plain text.
class frmMemo : public QWidget {
    Q_OBJECT

  public:
    frmMemo();

    // Fills the window for the memo in Memo().globals and shows it.
    void present(const QString& timeoutText);

    // The reply wait's side: the seconds left, and the lost connection.
    void showCountdown(int seconds);
    void showRemoteClosed();

    void cmd_Send_Click();
    void cmd_Close_Click();

    QLineEdit* txtName = nullptr;
    QPlainTextEdit* txtMemo = nullptr;
    QLabel* lbltime = nullptr;
    QPlainTextEdit* txtReply = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtTime = nullptr;
    QPushButton* cmd_Send = nullptr;
    QPushButton* cmd_Close = nullptr;
    QCheckBox* Check1 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void applyOnTop();
    void Check1_Click();
    void txtReply_Change();
};

// Memo > View Log.
void ViewMemoLog(QWidget* owner);
