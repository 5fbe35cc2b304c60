#pragma once

#include <QDialog>

class QListWidget;

// "Auto Update": marks the profiles that the automatic actions publish.
class frmAuto : public QDialog {
    Q_OBJECT

  public:
    explicit frmAuto(QWidget* owner);

    QListWidget* lstProfiles = nullptr;

    bool anySelected() const;
    // Names of the list in order, and whether each is selected.
    QStringList names() const;
    bool isSelected(int index) const;

    void lstProfiles_Click(int index);

  protected:
    void closeEvent(QCloseEvent* event) override;
};
