#pragma once
// Half-round dial meter with a 180-degree scale over the top; value and unit below the pivot.

#include "TAbMeterBase.h"

class TAb180Meter : public TAbMeterBase {
    Q_OBJECT
public:
    explicit TAb180Meter(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(200, 155); }
    QSize minimumSizeHint() const override { return QSize(90, 70); }

protected:
    QRectF logicalBox() const override { return QRectF(-100, -100, 200, 155); }
    void paintFace(QPainter &p) const override;
    double valueBoxY() const override { return 36; }
    double unitY() const override { return 18.5; }
    double unitHalfWidth() const override { return 36; }
};
