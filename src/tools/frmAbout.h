#pragma once

#include <QDialog>

class LinkLabel;
class QLabel;
class QPushButton;

// "Version 3.3  (build N)".
QString VersionLabel(int build);

inline const QString kAboutWebAddress = QStringLiteral("https://halvorn.example.org/");

// The "About" window: version, contact links and credits. Destroyed when
// closed.
class frmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit frmAbout(QWidget* main);

    void Command1_Click();
    void lblEmail_Click();
    void lblWeb_Click();

    QLabel* lbVer = nullptr;
    LinkLabel* lblEmail = nullptr;
    LinkLabel* lblWeb = nullptr;
    QPushButton* Command1 = nullptr;

  private:
    QWidget* main_;
};

// Help > "&About": modal, 500 twips right of and below the main window.
void ShowAboutWindow(QWidget* main);
frmAbout* AboutWindow();
void CloseAboutWindow();
void HideAboutWindow();
