// The small controls the monitor window draws itself: the round lamps of
// the slots and the front panel, the output gauges, the coloured panels
// that answer a click, and the drop-down lists that report when they close.
#pragma once

#include "StatusDisplay.h"

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QWidget>

// Design pixels of the 808-wide layout to pixels of this window.
int ScaledPx(int designPx, double scale);

// A lamp: a filled circle.
class LedShape : public QWidget {
    Q_OBJECT
public:
    LedShape(const QString &name, int diameter, QWidget *parent = nullptr);
    void SetColor(const QColor &color);
    QColor Color() const { return Fill; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor Fill;
};

// A horizontal gauge of 0-1000 that shows its position as a percentage.
class OutputGauge : public QWidget {
    Q_OBJECT
public:
    OutputGauge(const QString &name, QWidget *parent = nullptr);
    void SetPosition(int position);
    int Position() const { return Value; }
    void SetColor(const QColor &color);
    QColor Color() const { return Fill; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int Value = 0;
    QColor Fill;
};

// A panel with a caption on a background colour; it reports clicks.
class ColorPanel : public QLabel {
    Q_OBJECT
public:
    ColorPanel(const QString &name, const QString &caption, QWidget *parent = nullptr);
    void SetColor(const QColor &color);
    QColor Color() const { return Background; }
    void SetTextColor(const QColor &color);
    QColor TextColor() const { return Foreground; }

signals:
    void Clicked();
    void DoubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void Restyle();
    QColor Background;
    QColor Foreground;
};

// A label's text colour.
void SetTextColor(QLabel *label, const QColor &color);

// The two output labels and gauges (of a slot or of the front panel) as the
// status shows them: hidden until a status step showed the outputs.
void ShowOutputs(QLabel *label1, OutputGauge *gauge1, QLabel *label2, OutputGauge *gauge2, const OutputsView &outputs,
                 bool shown, int level1, int level2);

// A drop-down list whose choices reach the program only through its
// close-up, as a user makes them: the arrow keys and the wheel open the list
// instead of changing a closed one behind the program's back. An item index
// of -1 shows the placeholder text.
class CloseUpList : public QComboBox {
    Q_OBJECT
public:
    CloseUpList(const QString &name, const QStringList &items, int itemHeight, QWidget *parent = nullptr);
    void showPopup() override;
    void hidePopup() override;
    bool PopupOpen() const { return Open; }

signals:
    void DropDown();
    // The list closed (told just after, once a chosen item is current);
    // currentIndex() is the item it shows now.
    void CloseUp();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool Open = false;
    bool Closing = false;
};
