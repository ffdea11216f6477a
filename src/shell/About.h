// The about window.
#pragma once

#include <QDialog>

class TABOUT : public QDialog {
    Q_OBJECT
public:
    explicit TABOUT(QWidget *parent = nullptr);
    ~TABOUT() override;
    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QFont BaseFont;
};

extern TABOUT *ABOUT;
