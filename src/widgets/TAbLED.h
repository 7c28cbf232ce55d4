#pragma once

#include "PaintHelpers.h"
// Round lamp with a caption beside it (or under it when the widget is taller than wide).
// Lit shows the state colour bright, unlit dark. While flashing, the lamp alternates between lit and
// dark every half second whatever its checked state; the blink timer runs only while flashing is on
// and the lamp is shown.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>

class QTimer;

class TAbLED : public QWidget {
    Q_OBJECT
public:
    explicit TAbLED(QWidget *parent = nullptr);

    void setChecked(bool lit);
    bool isChecked() const { return m_checked; }

    // State number: 0 normal (the lamp colour, green unless set), 1 error (red); any other state amber.
    void setStatusInt(int state);
    int statusInt() const { return m_status; }

    void setFlashing(bool flashing);
    bool flashing() const { return m_flashing; }

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

    // Colour of state 0.
    void setLedColor(const QColor &color);
    QColor ledColor() const { return m_ledColor; }

    // The colour the lamp has in its current state, and whether it shows lit right now.
    QColor stateColor() const;
    bool isLitNow() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int BlinkIntervalMs = 500;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    widgetpaint::FitCache m_fit;
    void paintLamp(QPainter &p);
    // What the lamp's picture depends on.
    struct LampKey {
        QSize size;
        qreal dpr = 0;
        QRgb color = 0;
        bool lit = false;
        bool enabled = false;
        QString caption;
        QFont font;
        QRgb textColor = 0;
        bool operator==(const LampKey &o) const
        {
            return size == o.size && dpr == o.dpr && color == o.color && lit == o.lit && enabled == o.enabled
                && caption == o.caption && font == o.font && textColor == o.textColor;
        }
    };
    struct Lamp {
        LampKey key;
        QPixmap picture;
    };
    std::array<Lamp, 2> m_lamps; // dark, lit
    void updateTimer();
    void blink();

    bool m_checked = false;
    int m_status = 0;
    bool m_flashing = false;
    bool m_blinkOn = true;
    bool m_pressed = false;
    QString m_caption;
    QColor m_ledColor = QColor(0x20, 0xc0, 0x30);
    QTimer *m_timer = nullptr; // created the first time the lamp flashes
};
