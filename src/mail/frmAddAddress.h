#pragma once

#include <QDialog>

#include <array>
#include <functional>

class QLineEdit;
class QListWidget;
class QPushButton;

// The address book window "Address Book", opened modal from the composer's
// address-book icons. OK or a double click stores the list and hands the
// selected line (empty when none) to the composer's "To:" (target 0) or
// "Copy:" (target 1) field; Cancel forgets the changes.
class frmAddAddress : public QDialog {
    Q_OBJECT

  public:
    using Pick = std::function<void(int target, const QString& line)>;
    // Placed 500 twips right of and 1000 twips below composer's top-left.
    frmAddAddress(int target, Pick pick, QWidget* composer);
    ~frmAddAddress() override;

    void cmdControl_Click(int index); // 0 OK, 1 Cancel, 2 Remove, 3 Add
    void List2_DblClick();

    QListWidget* List2 = nullptr;
    QLineEdit* Text1 = nullptr; // Email
    QLineEdit* Text2 = nullptr; // Name
    QLineEdit* Text3 = nullptr; // hidden: the target field
    std::array<QPushButton*, 4> cmdControl{};

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Enter in the Email box.
    void Text1_KeyPress();
    // Name " <" Email ">".
    QString entryLine() const;
    // OK and double click: store the list, hand over the selection, close.
    void saveAndPick();

    Pick pick_;
};
