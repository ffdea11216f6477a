#include "Passenter.h"

TQMVPassword *QMVPassword = nullptr;

TQMVPassword::TQMVPassword(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("QMVPassword"));
    setWindowTitle(QStringLiteral("Password Dialog"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
}
