// The trend chart's paint box. It draws into a picture it keeps, so that a
// new sample costs one column and the scroll moves pixels; a repaint only
// shows the picture.
#pragma once

#include "TrendChart.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

class QPainter;

class TRecdIme : public QWidget, public ChartCanvas {
    Q_OBJECT
public:
    explicit TRecdIme(QWidget *parent = nullptr);
    ~TRecdIme() override;

    // The painted box; the picture starts blank.
    void SetBoxSize(const QSize &size);
    const QPixmap &Picture() const { return Pixmap; }
    QSize sizeHint() const override { return Pixmap.size(); }

    // ChartCanvas
    void FillBox(const QRect &box, const QColor &colour) override;
    void Line(QPoint from, QPoint to, const QColor &colour, int width, bool dotted) override;
    void Text(QPoint at, const QString &text, const QColor &colour, Qt::Alignment align) override;
    void ShiftLeft(const QRect &source) override;
    void Done() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPainter &Painter();
    void EndPainting();

    QPixmap Pixmap;
    std::unique_ptr<QPainter> Active;
};
