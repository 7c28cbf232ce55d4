#pragma once

#include "PaintHelpers.h"
// Flat two-state button with coloured text: "on" in the on colour, "off" in the off colour.
// The state is set from code only (setOn emits nothing); a user click (mouse, or Space / Enter while
// it has the focus) emits clicked() and leaves the state as it was. With the same text for both
// states it serves as a plain command button.

#include <QColor>
#include <QString>
#include <QWidget>

class TAbColBitBtn : public QWidget {
    Q_OBJECT
public:
    explicit TAbColBitBtn(QWidget *parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return m_on; }

    void setOnText(const QString &text);
    QString onText() const { return m_onText; }
    void setOffText(const QString &text);
    QString offText() const { return m_offText; }

    // Text colours of the two states.
    void setOnColor(const QColor &color);
    QColor onColor() const { return m_onColor; }
    void setOffColor(const QColor &color);
    QColor offColor() const { return m_offColor; }

    QString currentText() const { return m_on ? m_onText : m_offText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    widgetpaint::FitCache m_fit;
    bool m_on = false;
    bool m_pressed = false;
    bool m_pressedInside = false;
    bool m_hover = false;
    QString m_onText = QStringLiteral("on");
    QString m_offText = QStringLiteral("off");
    QColor m_onColor = QColor(0x80, 0x00, 0x00); // maroon
    QColor m_offColor = QColor(0xff, 0x00, 0x00); // red
};
