#include "zevahvswitch.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

#include "displayfont.h"

QPainterPath SwitchGeometry::trackPath() const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (!rounded) {
        path.addRect(track);
        return path;
    }
    path.addEllipse(QPointF(leftCentre), radius, radius);
    path.addRect(trackMiddle);
    path.addEllipse(QPointF(rightCentre), radius, radius);
    return path;
}

SwitchGeometry switchGeometry(int W, int H, int shapeStyle, bool checked)
{
    SwitchGeometry g;
    if (shapeStyle == ZEVAHVSwitch::Rectangular) {
        const int u = std::min(W / 2, H);
        g.unit = u;
        g.track = QRect(2, 2, W - 4, u - 4);
        g.knob = checked ? QRect(W - u + 4, 4, u - 8, u - 8) : QRect(4, 4, u - 8, u - 8);
        g.textBox = checked ? QRect(QPoint(4, 4), QPoint(W - 1 - u, u - 5))
                            : QRect(QPoint(u, 4), QPoint(W - 5, u - 5));
        g.fontStretch = 75;
        g.fontPixelSize = std::max(1, u / 2);
        return g;
    }
    g.rounded = true;
    const int u = std::min(W / 3, H / 2);
    const int r = u - 8;
    g.unit = u;
    g.radius = r;
    g.leftCentre = QPoint(u + 4, u);
    g.rightCentre = QPoint(W - u - 4, u);
    g.trackMiddle = QRect(u + 4, 8, W - 2 * (u + 4), 2 * r);
    g.knobRadius = r - 2;
    g.knobCentre = checked ? g.rightCentre : g.leftCentre;
    // The text takes the track beside the knob.
    const int top = u - r, bottom = u + r;
    if (checked)
        g.textBox = QRect(QPoint(g.leftCentre.x() - r, top), QPoint(g.rightCentre.x() - g.knobRadius, bottom));
    else
        g.textBox = QRect(QPoint(g.leftCentre.x() + g.knobRadius, top), QPoint(g.rightCentre.x() + r, bottom));
    g.fontStretch = 62;
    g.fontPixelSize = std::max(1, static_cast<int>(r * 1.3));
    return g;
}

ZEVAHVSwitch::ZEVAHVSwitch(QWidget* parent)
    : ZEVAHVSwitch(QString(), QString(), Rounded, parent)
{
}

ZEVAHVSwitch::ZEVAHVSwitch(const QString& onText, const QString& offText, int shapeStyle, QWidget* parent)
    : QAbstractButton(parent), m_onText(onText), m_offText(offText), m_shapeStyle(shapeStyle)
{
    setCheckable(true);
    setMinimumSize(60, 30);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    connect(this, &QAbstractButton::toggled, this, &ZEVAHVSwitch::syncText);
    syncText();
}

void ZEVAHVSwitch::setOnText(const QString& text) { m_onText = text; syncText(); }
void ZEVAHVSwitch::setOffText(const QString& text) { m_offText = text; syncText(); }
void ZEVAHVSwitch::setShapeStyle(int style) { m_shapeStyle = style; update(); }

void ZEVAHVSwitch::syncText()
{
    setText(textValue());
    update();
}

QSize ZEVAHVSwitch::sizeHint() const { return QSize(90, 30); }
QSize ZEVAHVSwitch::minimumSizeHint() const { return QSize(60, 30); }

void ZEVAHVSwitch::paintEvent(QPaintEvent*)
{
    const bool on = isChecked();
    const SwitchGeometry g = switchGeometry(width(), height(), m_shapeStyle, on);
    if (g.unit <= 8)
        return;   // too small to show anything sensible

    const QColor trackFill = on ? QColor(104, 204, 56) : QColor(205, 205, 205);
    const QColor trackLine = on ? QColor(13, 90, 0) : QColor(88, 88, 88);
    const QColor knobFill = on ? QColor(Qt::white) : QColor(88, 88, 88);
    const QColor textColour = on ? QColor(240, 240, 240) : QColor(88, 88, 88);

    QPainter p(this);
    const QPainterPath track = g.trackPath();
    QPainterPath knob;
    if (g.rounded)
        knob.addEllipse(QPointF(g.knobCentre), g.knobRadius, g.knobRadius);
    else
        knob.addRect(g.knob);

    p.fillPath(track, trackFill);
    p.fillPath(knob, knobFill);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen trackPen(trackLine, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    p.strokePath(track.simplified(), trackPen);
    p.strokePath(knob, QPen(Qt::gray, 1));

    QFont font = displayFont();
    font.setStretch(g.fontStretch);
    font.setPixelSize(g.fontPixelSize);
    p.setFont(font);
    p.setPen(textColour);
    p.drawText(g.textBox, Qt::AlignCenter, textValue());
}
