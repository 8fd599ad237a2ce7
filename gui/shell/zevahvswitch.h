#pragma once
// The on/off switch drawn by hand: a track with a sliding knob and the state
// text beside it, in a rectangular or a rounded shape.
#include <QAbstractButton>
#include <QPainterPath>
#include <QRect>
#include <QString>

// Where each part of a switch goes for a given size; pure, so that it can be
// checked without painting.
struct SwitchGeometry {
    int unit = 0;            // u: the knob's cell size
    // Rectangular shape
    QRect track;
    QRect knob;
    // Rounded shape: the track is two circles joined by a rectangle
    int radius = 0;          // r
    QPoint leftCentre, rightCentre;
    QRect trackMiddle;
    QPoint knobCentre;
    int knobRadius = 0;
    // Both shapes
    QRect textBox;
    int fontStretch = 100;
    int fontPixelSize = 1;

    QPainterPath trackPath() const;   // the outline to fill and stroke
    bool rounded = false;
};

SwitchGeometry switchGeometry(int width, int height, int shapeStyle, bool checked);

class ZEVAHVSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    enum { Rectangular = 1, Rounded = 2 };

    explicit ZEVAHVSwitch(QWidget* parent = nullptr);
    ZEVAHVSwitch(const QString& onText, const QString& offText, int shapeStyle = Rounded,
                 QWidget* parent = nullptr);

    void setOnText(const QString& text);
    void setOffText(const QString& text);
    QString onText() const { return m_onText; }
    QString offText() const { return m_offText; }
    void setShapeStyle(int style);
    int shapeStyle() const { return m_shapeStyle; }

    // The on text when checked, the off text otherwise.
    QString textValue() const { return isChecked() ? m_onText : m_offText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void syncText();

    QString m_onText;
    QString m_offText;
    int m_shapeStyle = Rounded;
};
