#pragma once
// One event filter for every settings control that must act when the fitter leaves it: watch() a spin
// edit or combo box and focusLost(widget) arrives when the focus moves from it (or from the editor
// inside it) to another widget of the application. Opening a popup (a combo box's list, a menu) and
// switching to another window do not count as leaving.

#include <QObject>
#include <QSet>

class QWidget;

class FocusLossNotifier : public QObject {
    Q_OBJECT
public:
    explicit FocusLossNotifier(QObject *parent = nullptr);

    void watch(QWidget *widget);
    void unwatch(QWidget *widget);
    bool isWatched(const QWidget *widget) const;

signals:
    void focusLost(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *watchedAncestor(QObject *object) const;
    void installOn(QWidget *widget);
    static bool isPartOf(const QWidget *control, const QObject *object);

    QSet<const QWidget *> m_watched;
};
