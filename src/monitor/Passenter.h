// The password dialog for model C security levels.
#pragma once

#include <QDialog>

class TQMVPassword : public QDialog {
    Q_OBJECT
public:
    explicit TQMVPassword(QWidget *parent = nullptr);
};

extern TQMVPassword *QMVPassword;
