#pragma once
// Common part of the dial meters: range, clamped value, unit caption, value text and the painting of
// scale, numbers and needle. The two meters differ only in their sweep and the shape of their face.

#include "PaintHelpers.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

class QPainter;

class TAbMeterBase : public QWidget {
    Q_OBJECT
public:
    void setRange(double min, double max);
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }

    // Clamped to the range; NaN counts as the minimum.
    void setValue(double value);
    double value() const { return m_value; }

    // The unit caption shown with the value (between pivot and value box), e.g. "RPMx1000".
    void setUnit(const QString &unit);
    QString unit() const { return m_unit; }

    // Digits after the point in the value text.
    void setDecimals(int decimals);
    int decimals() const { return m_decimals; }

    // Sweep of the scale in degrees (270 or 180).
    double sweep() const { return m_sweep; }

    // Where the needle points, in degrees clockwise from straight up (0 is the middle of the scale).
    double needleRotation() const;

protected:
    TAbMeterBase(double sweep, QWidget *parent);
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

    // The face in logical units around the needle's pivot at (0, 0); the scale's outer radius is 100.
    virtual QRectF logicalBox() const = 0;
    virtual void paintFace(QPainter &p) const = 0;
    // Centre line of the value box and of the unit caption, in logical units.
    virtual double valueBoxY() const = 0;
    virtual double unitY() const = 0;
    virtual double unitHalfWidth() const { return 48; }

private:
    void paintScale(QPainter &p) const;
    void paintNeedle(QPainter &p) const;
    struct ValueBox {
        QRectF rect;
        int px = 16;
    };
    ValueBox valueBox() const;
    void paintUnit(QPainter &p) const;
    void paintValueBox(QPainter &p) const;
    void paintValueText(QPainter &p) const;
    static void paintHub(QPainter &p);
    mutable widgetpaint::NumberPainter m_numbers; // the value text
    bool toLogical(QPainter &p);
    void invalidateFace();

    const double m_sweep;
    double m_min = 0.0;
    double m_max = 100.0;
    double m_value = 0.0;
    int m_decimals = 2;
    QString m_unit;
    QPixmap m_face; // everything but the needle, the hub and the value text
    QPixmap m_hub;
    QPoint m_hubOrigin;
    bool m_faceValid = false;
    double m_textBoost = 1.0; // text grows a little in logical units when the dial is drawn small
};
