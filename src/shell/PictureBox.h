// A picture stretched proportionally to the width it is given, centred,
// aligned to the top.
#pragma once

#include <QPixmap>
#include <QWidget>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(const QPixmap &picture, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return !Image.isNull(); }
    int heightForWidth(int width) const override;
    const QPixmap &Picture() const { return Image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap Image;
};
