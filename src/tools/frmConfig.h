#pragma once

#include <QDialog>

class Form1;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;

// The launcher editor "Launch Menu": lists the programs of the Launch menus
// and adds, edits and removes them; files dropped onto it are offered for
// adding. Destroyed when closed; only hidden while a memo window needs the screen.
class frmConfig : public QDialog {
    Q_OBJECT

  public:
    explicit frmConfig(Form1& main);

    // Heights with and without the Add/Edit panel.
    static int heightWithPanel();
    static int heightWithoutPanel();

    void cmd_Control_Click(int index);
    void AddProgram();
    void EditProgram();
    void cmdSave_Click();
    void cmdCancel_Click();
    // A file dropped onto the window or picked by "&Add".
    void offerFile(const QString& path);

    // The first local file of a drop, or empty when there is none usable.
    static QString firstDroppedFile(const QMimeData* data);

    QString ProgramTitle;
    QString ProgramPath;
    bool EditMode = false;
    qint16 EditSlot = 0;

    QListWidget* lstName = nullptr;
    QPushButton* cmd_Control[4] = {};
    QWidget* picAdd = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;

    void done(int result) override;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildControls();
    void showPanel(const QString& caption);
    void hidePanel();
    // The slot of the selected list entry; -1 with nothing selected.
    int selectedSlot() const;
    void cmdAdd_Click();
    void cmdDelete_Click();
    void cmdEdit_Click();

    Form1& main_;
    QWidget* listPage_ = nullptr;
};
