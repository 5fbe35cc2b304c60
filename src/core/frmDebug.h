#pragma once

#include "core/Logs.h"

#include <QWidget>

class QAction;
class QPlainTextEdit;
class QTimer;

// The "Debug Window": the running commentary of every subsystem.
class frmDebug : public QWidget, public DebugWindowSink {
    Q_OBJECT

  public:
    explicit frmDebug(QWidget* owner);
    ~frmDebug() override;

    // The window's text; at most kTextLimit characters, oldest lines first out.
    const QString& text() const { return text_; }
    static constexpr int kTextLimit = 20000;

    bool displayDisabled() const override;
    void appendText(const QString& text) override;
    void setDisabledMark(bool disabled);

    void mnuSave_Click();
    void mnuEmail_Click();
    void mnuDisable_Click();
    void mnuClose_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void trimText();
    void scheduleRefresh();
    void refreshView();

    QString text_;
    QPlainTextEdit* TxtDebug = nullptr;
    QAction* mnuDisable = nullptr;
    QAction* mnuEmail = nullptr;
    QTimer* refresh_ = nullptr;
};
