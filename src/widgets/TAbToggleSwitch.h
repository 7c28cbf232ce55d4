#pragma once
// Slide switch. setOn from code emits nothing; a user click (mouse, or Space while it has the focus)
// flips the state first and then emits clicked().

#include <QWidget>

class TAbToggleSwitch : public QWidget {
    Q_OBJECT
public:
    explicit TAbToggleSwitch(QWidget *parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return m_on; }

    QSize sizeHint() const override { return QSize(46, 24); }
    QSize minimumSizeHint() const override { return QSize(28, 14); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void userToggle();
    QRectF trackRect() const;

    bool m_on = false;
    bool m_pressed = false;
};
