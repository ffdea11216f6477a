// The password dialog for model C security levels and keys: four hex
// digits, shown as '*'. It is not modal (polling goes on while it is open)
// and stays above the window that asks, centred over it when it opens.
// Whoever opens it is told the outcome once, when it closes: the 16-bit
// password, or nothing when it was cancelled or left empty.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

class TQMVPassword : public QDialog {
    Q_OBJECT
public:
    using Outcome = std::function<void(std::optional<int> password)>;

    explicit TQMVPassword(QWidget *parent = nullptr);

    // Shows the dialog over `asking` (the owner when none) with an empty
    // edit; `done` hears the outcome. A dialog still open for an earlier
    // request ends that one with nothing.
    void Ask(Outcome done, QWidget *asking = nullptr);
    // Closes the dialog without a password (the slot it was for is gone).
    void Dismiss();
    bool Asking() const { return static_cast<bool>(Pending); }

    // Handlers.
    void FormShow();
    void PassEdit1Change();
    void PassEdit1KeyPress(int key);
    void PassBtClick(QPushButton *sender);
    void FormClose();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Finish(std::optional<int> password);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *PassEdit1 = nullptr;
    QPushButton *PassBt = nullptr;
    QPushButton *CancelBt = nullptr;
    Outcome Pending;
};

extern TQMVPassword *QMVPassword;
