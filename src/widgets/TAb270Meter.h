#pragma once
// Round dial meter with a 270-degree scale, open at the bottom where the value and unit are shown.

#include "TAbMeterBase.h"

class TAb270Meter : public TAbMeterBase {
    Q_OBJECT
public:
    explicit TAb270Meter(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(200, 200); }
    QSize minimumSizeHint() const override { return QSize(90, 90); }

protected:
    QRectF logicalBox() const override { return QRectF(-100, -100, 200, 200); }
    void paintFace(QPainter &p) const override;
    double valueBoxY() const override { return 62; }
    double unitY() const override { return 32; }
};
